// The face without a window, in-process against znl-service: what it signs in with, what it
// prints, and the code it ends with when nobody at a keyboard could go on.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "core/clientsession.h"
#include "core/exitcodes.h"
#include "headless/headlessreceiver.h"
#include "peers/znlservice.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

constexpr int kLimitMs = 60000;

// Standard output or error of the face, kept in memory.
class Capture {
public:
    Capture() : m_file(::open_memstream(&m_buffer, &m_size)) {}
    ~Capture() {
        std::fclose(m_file);
        std::free(m_buffer);
    }
    std::FILE* File() { return m_file; }
    std::string Text() {
        std::fflush(m_file);
        return std::string(m_buffer, m_size);
    }

private:
    char* m_buffer = nullptr;
    size_t m_size = 0;
    std::FILE* m_file;
};

class HeadlessTest : public ::testing::Test {
public:  // the case table below arranges through the fixture
    void SetUp() override { platform::SetTimeScaleForTests(0.1); }
    void TearDown() override {
        m_face.reset();
        m_session.reset();
        platform::SetTimeScaleForTests(1.0);
    }

    void StartService(znlservice::ServiceSettings settings = {}) {
        settings.accounts.push_back({"guest", "secret", 4321, ""});
        m_service = std::make_unique<znlservice::ZnlService>(std::move(settings));
        ASSERT_TRUE(m_service->Start());
        SetIni("BasicInfo", "LoginServerPort", std::to_string(m_service->LoginPort()));
    }
    void SetIni(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(platform::WritePrivateProfileString(section, key, value, Settings()));
    }
    std::string Ini(const char* key) {
        return platform::GetPrivateProfileString("BasicInfo", key, "<none>", 100, Settings());
    }
    void StoreAccount(const std::string& password) {
        SetIni("BasicInfo", "자동로그인", "1");
        SetIni("BasicInfo", "아이디", "guest");
        SetIni("BasicInfo", "패스워드", password);
    }
    fs::path Settings() const { return m_program.Path() / "FsIni.ini"; }

    // Starts the session and its face the way znl-client does.
    void Run(std::optional<GivenAccount> given = std::nullopt) {
        SetIni("SaveFolder", "사진저장폴더", m_save.Path().string());
        m_session = std::make_unique<ClientSession>(ProgramFolders::At(m_program.Path()));
        m_face = std::make_unique<HeadlessReceiver>(*m_session, std::move(given), m_out.File(),
                                                    m_err.File());
        QObject::connect(m_session.get(), &ClientSession::signInFinished, m_session.get(),
                         [this](SignInOutcome outcome) { m_outcome = outcome; });
        m_session->Start();
    }
    // The code the program would end with; -1 while the face lets it run.
    int Ended() const { return m_face->ExitCode(-1); }

    TestFolder m_program, m_save, m_photos;
    Capture m_out, m_err;
    std::unique_ptr<znlservice::ZnlService> m_service;
    std::unique_ptr<ClientSession> m_session;
    std::unique_ptr<HeadlessReceiver> m_face;
    std::optional<SignInOutcome> m_outcome;
};

TEST_F(HeadlessTest, AStoredAccountSignsInReceivesAndPrintsEveryActivityLineOnOneLine) {
    fs::create_directory(m_photos.Path() / "행사");
    WriteFileBytes(m_photos.Path() / "행사/사진 1.jpg", std::string(300000, 'p'));
    znlservice::ServiceSettings settings;
    settings.folder = m_photos.Path();
    StartService(settings);
    StoreAccount("secret");
    Run();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ReadFileBytes(m_save.Path() / "행사/사진 1.jpg") == std::string(300000, 'p');
        },
        kLimitMs));
    ASSERT_TRUE(WaitUntil([&] { return m_out.Text().find("파일 수신 완료!") != std::string::npos; },
                          kLimitMs));
    EXPECT_EQ(Ended(), -1);
    const std::string out = m_out.Text();
    EXPECT_EQ(out.rfind("[", 0), 0u);
    EXPECT_NE(out.find("] TAVEN PIC 사진 수신 처리 Program Start!\n"), std::string::npos);
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_EQ(m_err.Text(), "");
}

TEST_F(HeadlessTest, TheAccountOnTheCommandLineIsStoredOnceTheServerAcceptsIt) {
    StartService();
    Run(GivenAccount{"guest", "secret"});
    ASSERT_TRUE(WaitUntil([&] { return m_session->SignedIn(); }, kLimitMs));
    EXPECT_EQ(Ini("자동로그인"), "1");
    EXPECT_EQ(Ini("아이디"), "guest");
    EXPECT_EQ(Ini("패스워드"), "secret");
    EXPECT_EQ(Ended(), -1);
}

TEST_F(HeadlessTest, WhatNobodyAtAKeyboardCouldMendEndsTheProgramWithItsCode) {
    struct Case {
        const char* what;
        std::function<void(HeadlessTest&)> arrange;
        std::optional<GivenAccount> given;
        int code;
        const char* told;
    };
    const Case cases[] = {
        {"no stored account", [](HeadlessTest& t) { t.StartService(); }, std::nullopt,
         EXIT_SETTINGS, "no account is stored"},
        {"refused", [](HeadlessTest& t) { t.StartService(); }, GivenAccount{"guest", "wrong"},
         EXIT_REFUSED, "the login was refused"},
        {"stored account refused",
         [](HeadlessTest& t) {
             t.StartService();
             t.StoreAccount("changed");
         },
         std::nullopt, EXIT_REFUSED, "the login was refused"},
        {"given account, no server",
         [](HeadlessTest& t) { t.SetIni("BasicInfo", "LoginServerPort", "1"); },
         GivenAccount{"guest", "secret"}, EXIT_UNREACHABLE, "cannot be reached"},
        {"unreadable settings",
         [](HeadlessTest& t) { WriteFileBytes(t.Settings(), "[BasicInfo]\r\nx=\xFF\xFF\r\n"); },
         std::nullopt, EXIT_SETTINGS, "neither CP949 nor UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        m_service.reset();
        fs::remove(Settings());
        SetUp();
        c.arrange(*this);
        const std::string errBefore = m_err.Text();
        Run(c.given);
        ASSERT_TRUE(WaitUntil([&] { return Ended() != -1; }, kLimitMs));
        EXPECT_EQ(Ended(), c.code);
        EXPECT_NE(m_err.Text().substr(errBefore.size()).find(c.told), std::string::npos)
            << m_err.Text();
        EXPECT_FALSE(m_session->SignedIn());
    }
}

TEST_F(HeadlessTest, AStoredAccountWaitsForALoginServerThatIsNotUpYetWithGrowingPauses) {
    // A port that nothing listens on yet; the service takes it later.
    std::uint16_t port = 0;
    {
        znlservice::ZnlService probe;
        ASSERT_TRUE(probe.Start());
        port = probe.LoginPort();
    }
    SetIni("BasicInfo", "LoginServerPort", std::to_string(port));
    StoreAccount("secret");
    Run();
    std::vector<int> waits;
    QObject::connect(m_session.get(), &ClientSession::signInWaiting, m_session.get(),
                     [&waits](int seconds) { waits.push_back(seconds); });
    ASSERT_TRUE(WaitUntil([&] { return waits.size() >= 3; }, kLimitMs));
    EXPECT_EQ(std::vector<int>(waits.begin(), waits.begin() + 3), (std::vector<int>{2, 4, 8}));
    // The waiting is printed when it starts, not at every attempt.
    const auto count = [this](const std::string& text) {
        const std::string out = m_out.Text();
        int found = 0;
        for (std::size_t at = out.find(text); at != std::string::npos;
             at = out.find(text, at + 1)) {
            ++found;
        }
        return found;
    };
    EXPECT_EQ(count("로그인 서버 연결 대기: 2초 후 다시 로그인합니다."), 1);
    EXPECT_EQ(count("다시 로그인합니다."), 1);
    EXPECT_EQ(count("접속시도"), 1);
    EXPECT_EQ(count("Connect Fail!"), 1);
    EXPECT_EQ(Ended(), -1);
    EXPECT_FALSE(m_outcome.has_value());

    znlservice::ServiceSettings settings;
    settings.loginPort = port;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    m_service = std::make_unique<znlservice::ZnlService>(settings);
    ASSERT_TRUE(m_service->Start());
    ASSERT_TRUE(WaitUntil([&] { return m_session->SignedIn(); }, kLimitMs));
    EXPECT_EQ(m_outcome, SignInOutcome::Accepted);
    EXPECT_EQ(Ended(), -1);
    EXPECT_EQ(count("로그인 서버 응답 ("), 1);
}

TEST_F(HeadlessTest, AnUpdateWithoutAnUpdaterBesideTheProgramIsLoggedAndReceptionGoesOn) {
    znlservice::ServiceSettings settings;
    settings.versionText = "v.2099.01.01.01";
    settings.updateAddress = "update.example";
    StartService(settings);
    StoreAccount("secret");
    Run();
    ASSERT_TRUE(WaitUntil([&] { return m_session->SignedIn(); }, kLimitMs));
    const std::string out = m_out.Text();
    EXPECT_NE(out.find("새 버전 v.2099.01.01.01"), std::string::npos);
    EXPECT_NE(out.find("업데이트 프로그램(TavenFTPClient)이 없어"), std::string::npos);
    EXPECT_TRUE(m_session->Running());
    EXPECT_EQ(Ended(), -1);
    // The file server is still connected to, as after any login.
    ASSERT_TRUE(WaitUntil([&] { return m_session->Account().fileSlot >= 50; }, kLimitMs));
}

}  // namespace
