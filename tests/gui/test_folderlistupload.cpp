// The folder-list upload through the real form: the timer, the size check, the record on a fresh
// login-server connection, the server's verdict, and the whole run against znl-service.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>

#include "core/sessiontimers.h"
#include "formrig.h"
#include "gui/controls.h"
#include "peers/znlservice.h"
#include "platform/clock.h"

using namespace std::string_literals;
using logintest::FormRig;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

const QString kTooLarge = QStringLiteral(
    "전송 폴더 사이즈가 큽니다!\r\n폴더 항목 수를 줄여 주세요!\r\n만약 현재 등록된 폴더가 전송 꼭 "
    "전송되어야 한다면 업체 담당에게 연락 해 주세요!");

// Eight names of 243 bytes, each as item "01:" + name, with seven commas: a record of 2001 bytes.
// One byte less makes a record of exactly the buffer's 2000 bytes.
const QStringList kTooLong = QStringList(8, QString(243, QLatin1Char('a')));
const QStringList kJustFits = QStringList(7, QString(243, QLatin1Char('a')))
                              << QString(242, QLatin1Char('b'));

class FolderUpload : public FormRig {
protected:
    void StartUploadTimer() { m_session.SetTimer(TIMER_FOLDER_UPLOAD, 5000); }
    void AddFolder(const char* name) {
        SetDlgItemText(&m_view, 1011, QString::fromUtf8(name));
        static_cast<QPushButton*>(GetDlgItem(&m_view, 1012))->click();
    }
};

}  // namespace

TEST_F(FolderUpload, TheServersVerdictIsLoggedAndNeverTakenForALoginResult) {
    LoadFolders({QStringLiteral("D:\\B"), QStringLiteral("C:\\A")});
    const QString loginStatus = GetDlgItemText(&m_view, 1024);
    const struct {
        std::string body;
        QString line;
    } cases[] = {
        {"Y", QStringLiteral("폴더 리스트 서버 저장 완료!")},
        {"N", QStringLiteral("폴더 리스트 서버 저장 실패!")},
        {"#", QStringLiteral("알수 없는 응답[#]!\r\n다시 시도 해주세요!")},
        {"", QStringLiteral("알수 없는 응답[]!\r\n다시 시도 해주세요!")},  // no verdict byte at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        AnswerRecord(1005, c.body);
        const int linesBefore = static_cast<int>(ActivityLines().size());
        StartUploadTimer();
        ASSERT_TRUE(WaitUntil([&] { return LinesContaining(c.line) == 1; }, 30000));
        EXPECT_TRUE(ActivityLines().front().endsWith(c.line));
        // The attempt, the connection and the verdict; nothing about a login.
        EXPECT_EQ(ActivityLines().size(), linesBefore + 3);
        EXPECT_EQ(GetDlgItemText(&m_view, 1024), loginStatus);
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_REPLY_TIMEOUT));
        EXPECT_TRUE(WaitUntil([&] { return LoginSlotsFree(); }));
    }
    ASSERT_EQ(m_login.Requests().size(), std::size(cases));
    for (const std::string& request : m_login.Requests()) {
        EXPECT_EQ(request,
                  "ZNLR000000411005         0"
                  "01:C:\\A,01:D:\\B"s);
    }
}

TEST_F(FolderUpload, AListTooLongForItsRecordIsRefusedWithoutAConnectionUntilTheNextChange) {
    LoadFolders(kTooLong);
    StartUploadTimer();
    ASSERT_TRUE(WaitUntil([&] { return LinesContaining(kTooLarge) == 1; }, 30000));
    EXPECT_EQ(ActivityLines().size(), 1);
    EXPECT_TRUE(LoginSlotsFree());
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FOLDER_UPLOAD));

    // A record of exactly its buffer's 2000 bytes goes out whole.
    AnswerRecord(1005, "Y");
    LoadFolders(kJustFits);
    StartUploadTimer();
    ASSERT_TRUE(WaitUntil(
        [&] { return LinesContaining(QStringLiteral("폴더 리스트 서버 저장 완료!")) == 1; },
        30000));
    ASSERT_EQ(m_login.Requests().size(), 1u);
    EXPECT_EQ(m_login.Requests()[0].size(), 2000u);
    EXPECT_EQ(m_login.Requests()[0].substr(0, 12), "ZNLR00002000");
    EXPECT_EQ(LinesContaining(kTooLarge), 1);
}

TEST_F(FolderUpload, AListThatGrowsTooLongWhileConnectingIsNotSentAndFreesItsSlot) {
    LoadFolders({QStringLiteral("a")});
    m_session.OnTimer(TIMER_FOLDER_UPLOAD);  // passes the check and starts connecting
    LoadFolders(kTooLong);
    ASSERT_TRUE(WaitUntil([&] { return LinesContaining(kTooLarge) == 1; }, 30000));
    EXPECT_TRUE(LoginSlotsFree());
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_REPLY_TIMEOUT));
    ASSERT_TRUE(WaitUntil([&] { return m_login.Connections() == 1; }));
    EXPECT_TRUE(m_login.Requests().empty());
}

TEST_F(FolderUpload, AnUnreachableLoginServerFailsTheUploadWithoutRetryAndKeepsTheSignIn) {
    m_session.SetLoginResult(SignInOutcome::Accepted, "");
    const QString loginInfo = GetDlgItemText(&m_view, 1024);
    LoadFolders({QStringLiteral("C:\\A")});
    UseLoginPort(1);  // nothing listens on port 1 here
    StartUploadTimer();
    ASSERT_TRUE(WaitUntil(
        [&] { return LinesContaining(QStringLiteral("[0] 로그인 서버 Connect Fail!")) == 1; },
        30000));
    EXPECT_EQ(LinesContaining(QStringLiteral("폴더 리스트 전송 에러!")), 1);
    // Reception goes on: the sign-in is not failed by a background upload.
    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_EQ(GetDlgItemText(&m_view, 1024), loginInfo);
    EXPECT_EQ(LinesContaining(QStringLiteral("127.0.0.1 접속시도[1]")), 1);
    EXPECT_TRUE(LoginSlotsFree());
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FOLDER_UPLOAD));
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(FolderUpload, TwoChangesTwoSecondsApartLeadToOneUploadFiveSecondsAfterTheSecond) {
    // Time runs at double speed here, so the two seconds between the changes stay a wide margin
    // however slowly the machine schedules this test.
    constexpr double kScale = 0.5;
    platform::SetTimeScaleForTests(kScale);
    AnswerRecord(1005, "Y");
    LoadFolders({});

    AddFolder("Beach");
    WaitUntil([] { return false; }, static_cast<int>(2000 * kScale));
    AddFolder("Park");
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    ASSERT_TRUE(WaitUntil([&] { return m_login.Connections() == 1; }, 30000));
    // A timer may fire up to 5 % early; the first change's timer would have fired 2 s earlier.
    EXPECT_GE(sinceSecond.elapsed(), static_cast<qint64>(5000 * kScale * 0.95));
    ASSERT_TRUE(WaitUntil([&] { return m_login.Requests().size() == 1; }));
    EXPECT_EQ(m_login.Requests()[0],
              "ZNLR000000421005         0"
              "01:Beach,01:Park"s);
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FOLDER_UPLOAD));
    ASSERT_TRUE(WaitUntil(
        [&] { return LinesContaining(QStringLiteral("폴더 리스트 서버 저장 완료!")) == 1; }));
    EXPECT_EQ(m_login.Connections(), 1);
}

TEST_F(FolderUpload, AfterSignInTheServiceReceivesTheListByteForByte) {
    TestFolder photos;
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 1234, ""});
    settings.folder = photos.Path();
    znlservice::ZnlService service(settings);
    std::string error;
    ASSERT_TRUE(service.Start(&error)) << error;
    UseLoginPort(service.LoginPort());
    LoadFolders({QStringLiteral("사진"), QStringLiteral("Beach")});

    ASSERT_TRUE(SignIn());
    ASSERT_TRUE(WaitUntil([&] { return !service.FolderListUploads().empty(); }, 30000));
    std::vector<std::string> uploads;
    for (const znlservice::ReceivedRecord& record : service.ReceivedRecords()) {
        if (record.bytes.compare(12, 4, "1005") == 0) uploads.push_back(record.bytes);
    }
    EXPECT_EQ(uploads, std::vector{"ZNLR000000421005      1234"
                                   "01:Beach,01:\xBB\xE7\xC1\xF8"s});
    const znlservice::FolderListUpload upload = service.FolderListUploads().at(0);
    EXPECT_EQ(upload.customerNo, 1234);
    EXPECT_EQ(upload.folders, (std::vector<std::string>{"Beach", "사진"}));
    EXPECT_EQ(upload.answer, 'Y');
    EXPECT_TRUE(WaitUntil(
        [&] { return LinesContaining(QStringLiteral("폴더 리스트 서버 저장 완료!")) == 1; }));
    EXPECT_TRUE(service.Problems().empty()) << service.Problems().front();
}
