// The form's status panel: what the reception thread's reports write where, the progress bar of
// the file being received, and the presses on the form's own surface.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <optional>

#include "core/clientsession.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "gui/controls.h"
#include "gui/folderpicker.h"
#include "gui/ovrinview.h"
#include "platform/clock.h"
#include "support/testfolder.h"

using testsupport::LocalMoment;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

const QString kReady = QStringLiteral("파일 수신 대기 완료!");
const QString kLost = QStringLiteral("파일서버 접속 끊김!");
constexpr int kBar = 1030;
constexpr int kRate = 1031;

// A form on a UTC clock the test sets, reached through its window messages.
class StatusPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        platform::SetClockForTests([this] { return m_now; });
    }
    void TearDown() override { platform::SetClockForTests(nullptr); }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessage(m_session.Handle(), message, wParam, lParam);
    }
    LRESULT Progress(WPARAM kind, LPARAM value) { return Send(WM_RECV_PROGRESS, kind, value); }
    QString Text(int id) const { return GetDlgItemText(&m_view, id); }
    double BarShare() const {
        auto* bar = qobject_cast<QProgressBar*>(GetDlgItem(&m_view, kBar));
        return static_cast<double>(bar->value() - bar->minimum()) /
               (bar->maximum() - bar->minimum());
    }
    QStringList PanelTexts() const {
        QStringList texts;
        for (int id = 1021; id <= 1031; ++id) {
            if (id != kBar && id != 1022) texts << Text(id);
        }
        return texts << QString::number(BarShare());
    }

    std::time_t m_now = LocalMoment(2024, 2, 29, 23, 59, 58);
    testsupport::TestFolder m_programFolder;
    ClientSession m_session{ProgramFolders::At(m_programFolder.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(StatusPanelTest, ConnectionStartShowsReadyAndClearsProgressEndShowsLost) {
    Progress(RECV_PROGRESS_FILE_SIZE, 1000);
    Progress(RECV_PROGRESS_RECEIVING, 500);
    ASSERT_DOUBLE_EQ(BarShare(), 0.5);

    EXPECT_EQ(Send(WM_RECV_STATE, 1, 1), 0);
    EXPECT_EQ(Text(1025), kReady);
    EXPECT_EQ(Text(1026), QStringLiteral("2024-02-29 23:59:58"));
    EXPECT_EQ(Text(1027), QString());
    EXPECT_EQ(Text(1028), QString());
    EXPECT_DOUBLE_EQ(BarShare(), 0.0);

    m_now = LocalMoment(2024, 3, 1, 0, 0, 5);
    Progress(RECV_PROGRESS_FILE_SIZE, 1000);
    Progress(RECV_PROGRESS_RECEIVING, 500);
    EXPECT_EQ(Send(WM_RECV_STATE, 1, 0), 0);
    EXPECT_EQ(Text(1025), kLost);
    EXPECT_EQ(Text(1026), QStringLiteral("2024-03-01 00:00:05"));
    // The last progress stays readable; only the bar of a file no longer arriving goes.
    EXPECT_EQ(Text(1027), QStringLiteral("수신 중 사이즈: 500"));
    EXPECT_DOUBLE_EQ(BarShare(), 0.0);
    EXPECT_EQ(Text(kRate), QString());
}

TEST_F(StatusPanelTest, AnnouncementGoesToTheReceptionRowCountsToTheProgressRow) {
    const std::string announced = "파일명:2024\\사진 1.jpg  사이즈:1,234,567";
    EXPECT_EQ(Progress(RECV_PROGRESS_ANNOUNCED, reinterpret_cast<LPARAM>(&announced)), 0);
    EXPECT_EQ(Text(1025), QString::fromStdString(announced));
    // A long name is cut by its narrow row; the whole text is a hover away.
    EXPECT_EQ(GetDlgItem(&m_view, 1025)->toolTip(), QString::fromStdString(announced));
    EXPECT_EQ(Text(1026), QStringLiteral("2024-02-29 23:59:58"));

    m_now = LocalMoment(2024, 2, 29, 23, 59, 59);
    Progress(RECV_PROGRESS_RECEIVING, 1234567);
    EXPECT_EQ(Text(1027), QStringLiteral("수신 중 사이즈: 1,234,567"));
    EXPECT_EQ(Text(1028), QStringLiteral("2024-02-29 23:59:59"));
    EXPECT_EQ(Text(1025), QString::fromStdString(announced));
    EXPECT_EQ(Text(1026), QStringLiteral("2024-02-29 23:59:58"));

    Progress(RECV_PROGRESS_COMPLETE, 12345678901);  // beyond 32 bits
    EXPECT_EQ(Text(1027), QStringLiteral("수신 완료 사이즈: 12,345,678,901"));

    const QStringList before = PanelTexts();
    for (const WPARAM kind : {WPARAM{5}, WPARAM{99}}) {
        EXPECT_EQ(Progress(kind, 77), 0);
        EXPECT_EQ(PanelTexts(), before) << kind;
    }
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
        EXPECT_EQ(Text(1025), QString::fromStdString(reason)) << connection;
    }
    EXPECT_EQ(lines.filter(QString::fromStdString(reason)).size(), 1)
        << lines.join(u'\n').toStdString();
    EXPECT_TRUE(
        m_view.Tray()->Icon().toolTip().contains(QStringLiteral("사진 저장 폴더를 쓸 수 없음")));

    Send(WM_RECV_STATE, 1, 1);
    const std::string announced = "파일명:a.jpg  사이즈:1";
    Progress(RECV_PROGRESS_ANNOUNCED, reinterpret_cast<LPARAM>(&announced));
    EXPECT_EQ(Text(1025), QString::fromStdString(announced));
    EXPECT_FALSE(m_view.Tray()->Icon().toolTip().contains(QStringLiteral("사진 저장 폴더")));
    EXPECT_EQ(lines.filter(QStringLiteral("사진 저장 폴더를 다시 쓸 수 있음")).size(), 1);
    Send(WM_RECV_STATE, 1, 0);
    EXPECT_EQ(Text(1025), kLost);
}

TEST_F(StatusPanelTest, TheBarFollowsTheAnnouncedFileWithItsRateAndFillsWhenComplete) {
    Progress(RECV_PROGRESS_FILE_SIZE, 4000);
    EXPECT_DOUBLE_EQ(BarShare(), 0.0);
    Progress(RECV_PROGRESS_RECEIVING, 1000);
    EXPECT_DOUBLE_EQ(BarShare(), 0.25);
    EXPECT_EQ(Text(kRate), QString());
    // A second count at a later moment gives a rate.
    ASSERT_TRUE(WaitUntil([&] {
        Progress(RECV_PROGRESS_RECEIVING, 3000);
        return !Text(kRate).isEmpty();
    }));
    EXPECT_TRUE(Text(kRate).endsWith(QStringLiteral("B/s"))) << Text(kRate).toStdString();
    EXPECT_DOUBLE_EQ(BarShare(), 0.75);

    Progress(RECV_PROGRESS_COMPLETE, 3000);
    EXPECT_DOUBLE_EQ(BarShare(), 1.0);
    EXPECT_EQ(Text(kRate), QString());

    // The next file starts empty; one of no bytes is full once complete.
    Progress(RECV_PROGRESS_FILE_SIZE, 0);
    EXPECT_DOUBLE_EQ(BarShare(), 0.0);
    Progress(RECV_PROGRESS_COMPLETE, 0);
    EXPECT_DOUBLE_EQ(BarShare(), 1.0);
}

TEST(StatusPanelLayout, BarAndRateSitOnTheFormWithoutCoveringAnyControl) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    QWidget* bar = GetDlgItem(&view, kBar);
    QWidget* rate = GetDlgItem(&view, kRate);
    ASSERT_NE(qobject_cast<QProgressBar*>(bar), nullptr);
    ASSERT_NE(qobject_cast<QLabel*>(rate), nullptr);
    EXPECT_TRUE(view.rect().contains(bar->geometry()));
    EXPECT_TRUE(view.rect().contains(rate->geometry()));

    const QList<QWidget*> controls = view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
        for (QWidget* b : controls) {
            if (a == b || !view.rect().intersects(a->geometry())) continue;
            EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                << a->metaObject()->className() << " "
                << a->property("text").toString().toStdString() << " / "
                << b->metaObject()->className() << " "
                << b->property("text").toString().toStdString();
        }
    }
}

namespace {

// The form shown, with the folder picker answered by a count of its openings.
class HotSpotTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFolderPickerForTests([this](const QString&) {
            ++m_picks;
            return std::optional<QString>();
        });
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    }
    void TearDown() override { SetFolderPickerForTests(nullptr); }

    TestFolder m_module;
    int m_picks = 0;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(HotSpotTest, OnlyAPressStrictlyInsideTheRangeOnTheBareSurfacePicksTheSaveFolder) {
    // The save-folder range is x 228..396, y 438..461 (exclusive) in client pixels; the notice
    // label covers its left part down to y 454.
    const struct {
        QPoint at;
        int picks;
    } cases[] = {
        {{300, 450}, 1}, {{229, 458}, 1}, {{395, 458}, 1}, {{300, 439}, 1}, {{300, 460}, 1},
        {{228, 458}, 0}, {{396, 458}, 0}, {{300, 438}, 0}, {{300, 461}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.at.x() << "," << c.at.y());
        ASSERT_LT(c.at.y(), m_view.height());
        ASSERT_EQ(m_view.childAt(c.at), nullptr) << "the point is not on the bare surface";
        const int before = m_picks;
        QTest::mouseClick(&m_view, Qt::LeftButton, {}, c.at);
        EXPECT_EQ(m_picks - before, c.picks);
    }
    QTest::mouseClick(&m_view, Qt::RightButton, {}, QPoint(300, 450));
    EXPECT_EQ(m_picks, 5);
}

TEST_F(HotSpotTest, APressOnAControlInsideTheRangeNeverReachesTheTest) {
    // The notice label reaches into the range; a plain label passes its presses on to the form.
    QWidget* notice = GetDlgItem(&m_view, 1019);
    const QRect spot(229, 439, 167, 22);
    const QRect overlap = notice->geometry().intersected(spot);
    ASSERT_FALSE(overlap.isEmpty()) << "the notice no longer reaches the range";
    QTest::mouseClick(notice, Qt::LeftButton, {}, notice->mapFrom(&m_view, overlap.center()));
    EXPECT_EQ(m_picks, 0);
}
