// The session's state at a glance, from what the session reports: each report moves the state and
// its words, a problem is told once until it passes, and the photos of a burst are told as one
// delivery once no photo has come for a while.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/messagewindow.h"
#include "support/testfolder.h"

using testsupport::LocalMoment;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

class SessionStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTimeScaleForTests(0.01);
        m_status = std::make_unique<SessionStatus>(m_session);
        m_session.SetSaveFolder(m_save.Path().string());
        QObject::connect(m_status.get(), &SessionStatus::problemStarted,
                         [this](const SessionProblem& problem) { m_problems.push_back(problem); });
        QObject::connect(m_status.get(), &SessionStatus::deliveryEnded,
                         [this](const Delivery& delivery) { m_deliveries.push_back(delivery); });
    }
    void TearDown() override {
        platform::SetTimeScaleForTests(1.0);
        platform::SetClockForTests(nullptr);
    }

    void Line(bool up) { SendMessage(m_session.Handle(), WM_RECV_STATE, 1, up ? 1 : 0); }
    void Report(WPARAM kind, const std::string& text) {
        SendMessage(m_session.Handle(), WM_RECV_PROGRESS, kind, reinterpret_cast<LPARAM>(&text));
    }
    void Count(WPARAM kind, LPARAM count) {
        SendMessage(m_session.Handle(), WM_RECV_PROGRESS, kind, count);
    }
    // A whole photo, as a reception thread reports it.
    void Photo(const std::string& below) {
        Report(RECV_PROGRESS_ANNOUNCED, "파일명:x  사이즈:10");
        Count(RECV_PROGRESS_FILE_SIZE, 10);
        Count(RECV_PROGRESS_COMPLETE, 10);
        Report(RECV_PROGRESS_STORED, below);
    }
    void SignedIn() { Q_EMIT m_session.loginStateChanged(true, QStringLiteral("guest"), 0); }

    TestFolder m_program;
    TestFolder m_save;
    ClientSession m_session{ProgramFolders::At(m_program.Path())};
    std::unique_ptr<SessionStatus> m_status;
    std::vector<SessionProblem> m_problems;
    std::vector<Delivery> m_deliveries;
};

}  // namespace

TEST_F(SessionStatusTest, EachReportMovesTheStateAndItsWords) {
    const struct {
        const char* step;
        std::function<void()> report;
        SessionState state;
        const char* text;
    } steps[] = {
        {"start", [] {}, SessionState::SignedOut, "로그인 안 됨"},
        {"automatic sign-in waits", [&] { Q_EMIT m_session.signInWaiting(2); },
         SessionState::Waiting, "로그인 서버 연결 대기 중"},
        {"signed in", [&] { SignedIn(); }, SessionState::Waiting, "파일 서버 연결 대기 중"},
        {"greeted", [&] { Line(true); }, SessionState::Idle, "수신 대기 중"},
        {"photo announced", [&] { Report(RECV_PROGRESS_ANNOUNCED, "파일명:a.jpg  사이즈:200"); },
         SessionState::Receiving, "수신 중"},
        {"a quarter there",
         [&] {
             Count(RECV_PROGRESS_FILE_SIZE, 200);
             Count(RECV_PROGRESS_RECEIVING, 50);
         },
         SessionState::Receiving, "수신 중 · 25%"},
        {"stored",
         [&] {
             Count(RECV_PROGRESS_COMPLETE, 200);
             Report(RECV_PROGRESS_STORED, "a.jpg");
         },
         SessionState::Receiving, "수신 중 1장"},
        {"server goes away", [&] { Line(false); }, SessionState::Waiting, "파일 서버 연결 대기 중"},
        {"server refuses", [&] { Q_EMIT m_session.fileServerRefused(); }, SessionState::Problem,
         "파일 서버가 접속을 거부함"},
        {"refuses again", [&] { Q_EMIT m_session.fileServerRefused(); }, SessionState::Problem,
         "파일 서버가 접속을 거부함"},
        {"server back", [&] { Line(true); }, SessionState::Receiving, "수신 중 1장"},
        {"disk full",
         [&] { Report(RECV_DISK_PROBLEM, "사진을 디스크에 쓸 수 없음: No space left on device"); },
         SessionState::Problem, "디스크에 사진을 쓸 수 없음"},
        {"full again",
         [&] { Report(RECV_DISK_PROBLEM, "사진을 디스크에 쓸 수 없음: No space left on device"); },
         SessionState::Problem, "디스크에 사진을 쓸 수 없음"},
        {"a photo is stored again",
         [&] {
             Report(RECV_PROGRESS_ANNOUNCED, "파일명:c.jpg  사이즈:1");
             Count(RECV_PROGRESS_COMPLETE, 1);
             Report(RECV_PROGRESS_STORED, "c.jpg");
         },
         SessionState::Receiving, "수신 중 2장"},
        {"save folder gone",
         [&] {
             Report(RECV_SAVE_FOLDER_PROBLEM, "사진 저장 폴더를 쓸 수 없음: /media/usb (없음)");
         },
         SessionState::Problem, "사진 저장 폴더를 쓸 수 없음"},
        {"a photo is taken again",
         [&] { Report(RECV_PROGRESS_ANNOUNCED, "파일명:b.jpg  사이즈:0"); },
         SessionState::Receiving, "수신 중 2장"},
        {"login refused",
         [&] {
             Q_EMIT m_session.loginStateChanged(false, {}, 0);
             Q_EMIT m_session.signInFinished(SignInOutcome::Refused,
                                             QStringLiteral("비밀번호가 틀립니다"));
         },
         SessionState::Problem, "로그인 실패"},
        {"signed out", [&] { Q_EMIT m_session.signedOut(); }, SessionState::SignedOut,
         "로그인 안 됨"},
    };
    for (const auto& s : steps) {
        s.report();
        EXPECT_EQ(m_status->State(), s.state) << s.step;
        EXPECT_EQ(m_status->StateText(), s.text) << s.step;
    }
    ASSERT_EQ(m_problems.size(), 4u);
    EXPECT_EQ(m_problems[0].brief, "파일 서버가 접속을 거부함");
    EXPECT_EQ(m_problems[1].detail,
              "사진을 디스크에 쓸 수 없음: No space left on device. 디스크를 확인하면 서버가 "
              "사진을 다시 보냅니다.");
    EXPECT_EQ(m_problems[2].detail, "사진 저장 폴더를 쓸 수 없음: /media/usb (없음)");
    EXPECT_EQ(m_problems[3].detail, "비밀번호가 틀립니다");
}

TEST_F(SessionStatusTest, ABurstOfPhotosIsToldOnceAsOneDeliveryWithItsFolder) {
    platform::SetClockForTests([] { return LocalMoment(2026, 12, 10, 14, 3, 0); });
    SignedIn();
    Line(true);
    EXPECT_EQ(m_status->LastDeliveryText(), "");
    EXPECT_FALSE(m_status->CurrentCount());
    for (int i = 0; i < 30; ++i) Photo("앨범/2026/" + std::to_string(i) + ".jpg");
    Photo("앨범/2026/보정/x.jpg");
    EXPECT_EQ(m_status->StateText(), "수신 중 31장");
    EXPECT_EQ(m_status->CurrentCount(), (PhotoCount{31, false}));

    ASSERT_TRUE(WaitUntil([&] { return !m_deliveries.empty(); }));
    WaitUntil([] { return false; }, 200);  // a second delivery would be told by now
    ASSERT_EQ(m_deliveries.size(), 1u);
    EXPECT_EQ(m_deliveries[0].photos, 31);
    EXPECT_EQ(m_deliveries[0].folder, m_save.Path() / "앨범/2026");
    EXPECT_EQ(m_status->FolderText(m_deliveries[0]), "앨범/2026");
    EXPECT_EQ(m_status->State(), SessionState::Idle);
    EXPECT_EQ(m_status->LastDeliveryText(), "최근 수신 14:03 · 31장");
    EXPECT_FALSE(m_status->DeliveryUnderWay());
    EXPECT_EQ(m_status->CurrentCount(), (PhotoCount{31, false})) << "the last delivery stays";

    // The next photo starts a new count; one lost with the line leaves the last delivery's.
    Report(RECV_PROGRESS_ANNOUNCED, "파일명:y.jpg  사이즈:10");
    EXPECT_EQ(m_status->CurrentCount(), (PhotoCount{0, true}));
    EXPECT_TRUE(m_status->DeliveryUnderWay());
    Line(false);
    EXPECT_EQ(m_status->CurrentCount(), (PhotoCount{31, false}));
    EXPECT_FALSE(m_status->DeliveryUnderWay());
    Line(true);

    // Photos right in the save folder are told with its whole path; a day on, with the date.
    Photo("a.jpg");
    ASSERT_TRUE(WaitUntil([&] { return m_deliveries.size() == 2; }));
    EXPECT_EQ(m_status->FolderText(m_deliveries[1]), m_save.Path().string());
    platform::SetClockForTests([] { return LocalMoment(2026, 12, 11, 9, 0, 0); });
    EXPECT_EQ(m_status->LastDeliveryText(), "최근 수신 12-10 14:03 · 1장");
}
