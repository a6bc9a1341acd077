// The form's status panel: what the reception thread's reports write where, the progress bar of
// the file being received with the photos of the current run, and how often all that reaches the
// screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include "core/clientsession.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "gui/controls.h"
#include "gui/elidedtext.h"
#include "gui/ovrinview.h"
#include "platform/clock.h"
#include "support/testfolder.h"

using testsupport::LocalMoment;
using testsupport::WaitUntil;

namespace {

const QString kReady = QStringLiteral("파일 수신 대기 완료!");
const QString kLost = QStringLiteral("파일서버 접속 끊김!");
constexpr int kBar = 1030;
constexpr int kRate = 1031;
constexpr int kSize = 1033;
constexpr int kCount = 1034;

// A form on a UTC clock the test sets, reached through its window messages. What the reports
// change reaches the screen a little later; the checks wait for it.
class StatusPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        platform::SetClockForTests([this] { return m_now; });
    }
    void TearDown() override {
        platform::SetClockForTests(nullptr);
        platform::SetTimeScaleForTests(1.0);
    }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessage(m_session.Handle(), message, wParam, lParam);
    }
    LRESULT Progress(WPARAM kind, LPARAM value) { return Send(WM_RECV_PROGRESS, kind, value); }
    LRESULT Announce(const std::string& text) {
        return Progress(RECV_PROGRESS_ANNOUNCED, reinterpret_cast<LPARAM>(&text));
    }
    // A photo as the reception thread reports its start and its end.
    void StartPhoto(LPARAM size) {
        Announce("파일명:a.jpg  사이즈:" + std::to_string(size));
        Progress(RECV_PROGRESS_FILE_SIZE, size);
    }
    void CompletePhoto(LPARAM size) {
        Progress(RECV_PROGRESS_COMPLETE, size);
        const std::string below = "a.jpg";
        Progress(RECV_PROGRESS_STORED, reinterpret_cast<LPARAM>(&below));
    }
    QString Text(int id) const { return GetDlgItemText(&m_view, id); }
    bool Shows(int id, const QString& text) const {
        return WaitUntil([&] { return Text(id) == text; });
    }
    QProgressBar* Bar() const { return qobject_cast<QProgressBar*>(GetDlgItem(&m_view, kBar)); }
    double BarShare() const {
        return static_cast<double>(Bar()->value() - Bar()->minimum()) /
               (Bar()->maximum() - Bar()->minimum());
    }
    bool BarShows(double share) const {
        return WaitUntil([&] { return !Bar()->isHidden() && BarShare() == share; });
    }
    // Everything the panel shows, once what was reported has reached the screen.
    QStringList PanelTexts() const {
        QApplication::processEvents();
        QStringList texts;
        for (int id = 1021; id <= kCount; ++id) {
            if (id != kBar && id != 1022 && id != 1032) texts << Text(id);
        }
        return texts << QString::number(BarShare()) << QString::number(Bar()->isHidden());
    }

    std::time_t m_now = LocalMoment(2024, 2, 29, 23, 59, 58);
    testsupport::TestFolder m_programFolder;
    ClientSession m_session{ProgramFolders::At(m_programFolder.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(StatusPanelTest, ConnectionStartShowsReadyAndClearsProgressEndShowsLost) {
    StartPhoto(1000);
    Progress(RECV_PROGRESS_RECEIVING, 500);
    ASSERT_TRUE(BarShows(0.5));

    EXPECT_EQ(Send(WM_RECV_STATE, 1, 1), 0);
    ASSERT_TRUE(Shows(1025, kReady));
    EXPECT_EQ(Text(1026), QStringLiteral("2024-02-29 23:59:58"));
    EXPECT_EQ(Text(1027), QString());
    EXPECT_EQ(Text(1028), QString());
    EXPECT_TRUE(Bar()->isHidden());

    m_now = LocalMoment(2024, 3, 1, 0, 0, 5);
    StartPhoto(1000);
    Progress(RECV_PROGRESS_RECEIVING, 500);
    EXPECT_EQ(Send(WM_RECV_STATE, 1, 0), 0);
    ASSERT_TRUE(Shows(1025, kLost));
    EXPECT_EQ(Text(1026), QStringLiteral("2024-03-01 00:00:05"));
    // The last progress stays readable; the bar of a file no longer arriving goes.
    EXPECT_EQ(Text(1027), QStringLiteral("수신 중 사이즈: 500"));
    EXPECT_TRUE(Bar()->isHidden());
    EXPECT_EQ(Text(kRate), QString());
}

TEST_F(StatusPanelTest, AnnouncementShowsTheNameAndTheSizeApartCountsGoToTheProgressRow) {
    EXPECT_EQ(Announce("파일명:2024\\사진 1.jpg  사이즈:1,234,567"), 0);
    ASSERT_TRUE(Shows(1025, QStringLiteral("2024\\사진 1.jpg")));
    EXPECT_EQ(Text(kSize), QStringLiteral("사이즈: 1,234,567"));
    EXPECT_EQ(Text(1026), QStringLiteral("2024-02-29 23:59:58"));

    m_now = LocalMoment(2024, 2, 29, 23, 59, 59);
    Progress(RECV_PROGRESS_RECEIVING, 1234567);
    ASSERT_TRUE(Shows(1027, QStringLiteral("수신 중 사이즈: 1,234,567")));
    EXPECT_EQ(Text(1028), QStringLiteral("2024-02-29 23:59:59"));
    EXPECT_EQ(Text(1025), QStringLiteral("2024\\사진 1.jpg"));
    EXPECT_EQ(Text(1026), QStringLiteral("2024-02-29 23:59:58"));

    Progress(RECV_PROGRESS_COMPLETE, 12345678901);  // beyond 32 bits
    ASSERT_TRUE(Shows(1027, QStringLiteral("수신 완료 사이즈: 12,345,678,901")));

    const QStringList before = PanelTexts();
    for (const WPARAM kind : {WPARAM{5}, WPARAM{99}}) {
        EXPECT_EQ(Progress(kind, 77), 0);
        EXPECT_EQ(PanelTexts(), before) << kind;
    }
    // A state of the reception has no size: the size of the last file goes with it.
    Send(WM_RECV_STATE, 1, 1);
    ASSERT_TRUE(Shows(1025, kReady));
    EXPECT_EQ(Text(kSize), QString());
}

// Every connection that finds the save folder unusable reports it; the activity list says it once,
// and the reception row and tray tip keep saying it across reconnections until a file is taken.
TEST_F(StatusPanelTest, AnUnusableSaveFolderIsShownUntilAFileIsAcceptedAgain) {
    m_view.CreateTray();
    QStringList lines;
    QObject::connect(&m_session, &ClientSession::activityLine,
                     [&](const QString& line) { lines << line; });
    const std::string reason = "사진 저장 폴더를 쓸 수 없음: /media/usb/사진 (드라이브가 분리됨)";
    for (int connection = 0; connection < 3; ++connection) {
        Send(WM_RECV_STATE, 1, 1);
        Progress(RECV_SAVE_FOLDER_PROBLEM, reinterpret_cast<LPARAM>(&reason));
        Send(WM_RECV_STATE, 1, 0);
        EXPECT_TRUE(Shows(1025, QString::fromStdString(reason))) << connection;
    }
    EXPECT_EQ(lines.filter(QString::fromStdString(reason)).size(), 1)
        << lines.join(u'\n').toStdString();
    EXPECT_TRUE(
        m_view.Tray()->Icon().toolTip().contains(QStringLiteral("사진 저장 폴더를 쓸 수 없음")));

    Send(WM_RECV_STATE, 1, 1);
    Announce("파일명:a.jpg  사이즈:1");
    EXPECT_TRUE(Shows(1025, QStringLiteral("a.jpg")));
    EXPECT_FALSE(m_view.Tray()->Icon().toolTip().contains(QStringLiteral("사진 저장 폴더")));
    EXPECT_EQ(lines.filter(QStringLiteral("사진 저장 폴더를 다시 쓸 수 있음")).size(), 1);
    Send(WM_RECV_STATE, 1, 0);
    EXPECT_TRUE(Shows(1025, kLost));
}

TEST_F(StatusPanelTest, TheBarShowsWhilePhotosArriveWithTheRateAndTheTimeLeft) {
    QApplication::processEvents();
    EXPECT_TRUE(Bar()->isHidden());
    StartPhoto(4000);
    ASSERT_TRUE(BarShows(0.0));
    Progress(RECV_PROGRESS_RECEIVING, 1000);
    ASSERT_TRUE(BarShows(0.25));
    EXPECT_EQ(Text(kRate), QString());
    // A second count at a later moment gives a rate, and with it the time the rest needs.
    ASSERT_TRUE(WaitUntil([&] {
        Progress(RECV_PROGRESS_RECEIVING, 3000);
        return !Text(kRate).isEmpty();
    }));
    EXPECT_TRUE(Text(kRate).contains(QStringLiteral("B/s, 남은 시간 ")))
        << Text(kRate).toStdString();
    EXPECT_TRUE(BarShows(0.75));

    CompletePhoto(3000);
    EXPECT_TRUE(BarShows(1.0));
    EXPECT_TRUE(Shows(kRate, QString()));

    // The next file starts empty; one of no bytes is full once complete.
    StartPhoto(0);
    EXPECT_TRUE(BarShows(0.0));
    CompletePhoto(0);
    EXPECT_TRUE(BarShows(1.0));

    // A few quiet seconds after the last photo, the bar goes.
    platform::SetTimeScaleForTests(0.01);
    StartPhoto(10);
    CompletePhoto(10);
    EXPECT_TRUE(WaitUntil([&] { return Bar()->isHidden(); }));
}

// The count runs over the photos of one run of receptions: a photo in the middle of arriving keeps
// the run going however long it takes; a few quiet seconds after the last photo end it.
TEST_F(StatusPanelTest, TheRowCountsThePhotosOfTheCurrentRun) {
    platform::SetTimeScaleForTests(0.01);  // the quiet seconds pass in a moment
    const auto photo = [&](bool complete) {
        StartPhoto(100);
        if (complete) CompletePhoto(100);
    };
    photo(false);
    EXPECT_TRUE(Shows(kCount, QStringLiteral("사진 1장째 수신 중")));
    CompletePhoto(100);
    photo(true);
    photo(false);
    EXPECT_TRUE(Shows(kCount, QStringLiteral("사진 3장째 수신 중")));
    // Long past the quiet time, the photo still arriving keeps the run and the bar.
    QTest::qWait(200);
    EXPECT_FALSE(Bar()->isHidden());
    CompletePhoto(100);
    EXPECT_TRUE(Shows(kCount, QStringLiteral("사진 3장 수신 완료")));
    ASSERT_TRUE(WaitUntil([&] { return Bar()->isHidden(); }));
    // The run has ended: its count stays readable, the next photo starts a new one.
    EXPECT_EQ(Text(kCount), QStringLiteral("사진 3장 수신 완료"));
    photo(false);
    EXPECT_TRUE(Shows(kCount, QStringLiteral("사진 1장째 수신 중")));
    // A connection that ends takes the photo in progress with it: the last run's count is back.
    Send(WM_RECV_STATE, 1, 0);
    EXPECT_TRUE(Shows(kCount, QStringLiteral("사진 3장 수신 완료")));
    EXPECT_TRUE(Bar()->isHidden());
}

// A photo reports every sub-block; the screen takes the latest values a few times a second.
TEST_F(StatusPanelTest, ManyCountsReachTheScreenAsFewUpdatesWithTheLatestValues) {
    constexpr int kCounts = 2000;
    StartPhoto(kCounts * 1000);
    QSignalSpy barChanges(Bar(), &QProgressBar::valueChanged);
    for (int count = 1; count <= kCounts; ++count) {
        Q_EMIT m_session.fileProgress(static_cast<std::int64_t>(count) * 1000);
    }
    // Without the event loop, nothing more than the first change reached the screen.
    EXPECT_LE(barChanges.size(), 1);
    EXPECT_NE(Text(1027), QStringLiteral("수신 중 사이즈: 2,000,000"));

    ASSERT_TRUE(Shows(1027, QStringLiteral("수신 중 사이즈: 2,000,000")));
    EXPECT_TRUE(BarShows(1.0));
    EXPECT_LE(barChanges.size(), 2);
}

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

// A delivery writes several lines for every photo: the list holds each at once, and is painted a
// few times a second rather than for each.
TEST_F(StatusPanelTest, ManyActivityLinesAreListedAtOnceAndPaintedAFewTimes) {
    m_view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    auto* list = static_cast<QListWidget*>(GetDlgItem(&m_view, 1000));
    QApplication::processEvents();
    PaintCounter counter(list->viewport());
    QElapsedTimer took;
    took.start();
    constexpr int kLines = 200;
    int paintsBeforeLast = 0;
    for (int line = 1; line <= kLines; ++line) {
        paintsBeforeLast = counter.paints;
        Q_EMIT m_session.activityLine(QStringLiteral("line %1").arg(line));
        ASSERT_EQ(list->item(0)->text(), QStringLiteral("line %1").arg(line));
        QApplication::processEvents();
    }
    EXPECT_LE(counter.paints, 2 + took.elapsed() / 250);
    // The last line reaches the screen, at once or after the pause.
    EXPECT_TRUE(WaitUntil([&] { return counter.paints > paintsBeforeLast; }));
    EXPECT_EQ(list->count(), 30);
}

TEST(StatusPanelLayout, BarAndRateSitOnTheFormWithoutCoveringAnyControl) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    // The bar shows while a photo arrives.
    Q_EMIT session.fileAnnounced(QStringLiteral("파일명:a.jpg  사이즈:100"));
    Q_EMIT session.fileSizeAnnounced(100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QWidget* bar = GetDlgItem(&view, kBar);
    QWidget* rate = GetDlgItem(&view, kRate);
    ASSERT_FALSE(bar->isHidden());
    ASSERT_NE(qobject_cast<ElidedText*>(rate), nullptr);
    EXPECT_TRUE(view.rect().contains(bar->geometry()));
    EXPECT_TRUE(view.rect().contains(rate->geometry()));

    QList<QWidget*> controls;
    for (QWidget* control : view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isHidden()) controls << control;
    }
    for (QWidget* a : controls) {
        EXPECT_TRUE(view.rect().contains(a->geometry())) << a->metaObject()->className();
        for (QWidget* b : controls) {
            if (a == b) continue;
            EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                << a->metaObject()->className() << " " << a->property("controlId").toInt() << " / "
                << b->metaObject()->className() << " " << b->property("controlId").toInt();
        }
    }
}
