// What the user is told without watching the window, and when nothing is said: while a window of
// the program is active, and with "알림" off.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "gui/receptionnotices.h"
#include "platform/clock.h"
#include "support/testfolder.h"

using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

class RecordedNotices : public NoticeSink {
public:
    void Show(const Notice& notice) override { shown.append(notice); }
    QList<Notice> shown;
};

class ReceptionNoticesTest : public ::testing::Test {
protected:
    void SetUp() override { m_session.SetSaveFolder(m_save.Path().string()); }

    void DeliveryOf(int photos, const char* below) {
        Q_EMIT m_status.deliveryEnded({photos, m_save.Path() / below});
    }
    QString Saved(const char* below) const {
        return QString::fromStdString((m_save.Path() / below).string());
    }

    TestFolder m_program;
    TestFolder m_save;
    ClientSession m_session{ProgramFolders::At(m_program.Path())};
    SessionStatus m_status{m_session};
    RecordedNotices m_sink;
    ReceptionNotices m_notices{m_session, m_status, m_sink};
};

}  // namespace

TEST_F(ReceptionNoticesTest, DeliveriesProblemsAndDamagedPhotosAreToldWithWhatOpensThem) {
    DeliveryOf(31, "앨범/2026");
    Q_EMIT m_status.problemStarted(
        {"사진 저장 폴더를 쓸 수 없음", "사진 저장 폴더를 쓸 수 없음: /media/usb (없음)"});
    Q_EMIT m_session.photoDamaged(Saved("앨범/2026/b.jpg"),
                                  QStringLiteral("끝 표시(EOI)가 없음: 파일이 잘렸습니다"));

    ASSERT_EQ(m_sink.shown.size(), 3);
    const Notice& delivery = m_sink.shown[0];
    EXPECT_EQ(delivery.summary, QStringLiteral("사진 31장 수신 완료 · 앨범/2026"));
    EXPECT_EQ(delivery.openPath, Saved("앨범/2026"));
    EXPECT_FALSE(delivery.urgent);
    const Notice& problem = m_sink.shown[1];
    EXPECT_EQ(problem.summary,
              QStringLiteral("사진을 받지 못하고 있습니다: 사진 저장 폴더를 쓸 수 없음"));
    EXPECT_EQ(problem.body, QStringLiteral("사진 저장 폴더를 쓸 수 없음: /media/usb (없음)"));
    EXPECT_TRUE(problem.urgent);
    EXPECT_TRUE(problem.openPath.isEmpty());
    const Notice& damaged = m_sink.shown[2];
    EXPECT_EQ(damaged.summary, QStringLiteral("손상된 사진: b.jpg"));
    EXPECT_EQ(damaged.body, Saved("앨범/2026/b.jpg") +
                                QStringLiteral("\n끝 표시(EOI)가 없음: 파일이 잘렸습니다"));
    EXPECT_EQ(damaged.openPath, Saved("앨범/2026"));
}

// A card that went bad gives many damaged photos: the first is told, the rest as one count.
TEST_F(ReceptionNoticesTest, DamagedPhotosInARunAreToldAsTheFirstAndThenHowManyMore) {
    platform::SetTimeScaleForTests(0.001);
    for (int i = 0; i < 20; ++i) {
        Q_EMIT m_session.photoDamaged(Saved(("c/" + std::to_string(i) + ".jpg").c_str()),
                                      QStringLiteral("디코딩 실패"));
    }
    ASSERT_EQ(m_sink.shown.size(), 1);
    EXPECT_EQ(m_sink.shown[0].summary, QStringLiteral("손상된 사진: 0.jpg"));
    ASSERT_TRUE(WaitUntil([&] { return m_sink.shown.size() == 2; }));
    EXPECT_EQ(m_sink.shown[1].summary, QStringLiteral("손상된 사진 19장 더"));
    EXPECT_EQ(m_sink.shown[1].openPath, Saved("c"));
    // Long after (ten times the grouping time), a damaged photo is told on its own again.
    QTest::qWait(300);
    Q_EMIT m_session.photoDamaged(Saved("d.jpg"), QStringLiteral("디코딩 실패"));
    EXPECT_TRUE(WaitUntil([&] { return m_sink.shown.size() == 3; }));
    EXPECT_EQ(m_sink.shown.back().summary, QStringLiteral("손상된 사진: d.jpg"));
    platform::SetTimeScaleForTests(1.0);
}

TEST_F(ReceptionNoticesTest, NothingIsToldWhileAWindowIsActiveOrWithNotificationsOff) {
    QWidget window;
    window.show();
    const struct {
        bool active;
        bool on;
        bool told;
    } cases[] = {{false, true, true}, {true, true, false}, {false, false, false}};
    for (const auto& c : cases) {
        QApplication::setActiveWindow(c.active ? &window : nullptr);
        ASSERT_TRUE(
            WaitUntil([&] { return (QApplication::activeWindow() != nullptr) == c.active; }));
        ASSERT_TRUE(m_session.Settings().SetNotificationsOn(c.on));
        m_sink.shown.clear();
        DeliveryOf(2, "a");
        Q_EMIT m_status.problemStarted({"로그인 실패", "비밀번호"});
        EXPECT_EQ(m_sink.shown.size(), c.told ? 2 : 0) << c.active << c.on;
    }
}

// Said while the window goes, whether or not it is still the active one; once a run.
TEST_F(ReceptionNoticesTest, TheTrayKeepsRunningIsToldOnceUnlessNotificationsAreOff) {
    ASSERT_TRUE(m_session.Settings().SetNotificationsOn(false));
    m_notices.WindowClosedToTray();
    EXPECT_TRUE(m_sink.shown.isEmpty());

    ReceptionNotices fresh(m_session, m_status, m_sink);
    ASSERT_TRUE(m_session.Settings().SetNotificationsOn(true));
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    fresh.WindowClosedToTray();
    fresh.WindowClosedToTray();
    ASSERT_EQ(m_sink.shown.size(), 1);
    EXPECT_EQ(m_sink.shown[0].summary, QStringLiteral("창을 닫아도 사진 수신은 계속됩니다"));
}
