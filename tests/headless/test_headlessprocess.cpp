// znl-client as a user runs it: copied alone into a fresh folder with a CP949 settings file,
// against znl-service; its command line, its one-receiver rule beside the window, and its end.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <csignal>
#include <memory>

#include "core/deliveryledger.h"
#include "peers/znlservice.h"
#include "platform/privateprofile.h"
#include "protocol/cp949.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::PatternBytes;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

constexpr int kLimitMs = 60000;
constexpr size_t kBlock = 101 * 100000;

class HeadlessProcess : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(ZNL_HEADLESS_PATH, m_program.Path() / "znl-client");
        fs::create_directory(m_program.Path() / "사진");
    }
    void TearDown() override {
        for (auto& process : m_processes) {
            if (process->state() == QProcess::NotRunning) continue;
            process->kill();
            process->waitForFinished(kLimitMs);
        }
    }

    void StartService(znlservice::ServiceSettings settings = {}) {
        settings.accounts.push_back({"studio7", "pa55word", 77, ""});
        m_service = std::make_unique<znlservice::ZnlService>(std::move(settings));
        ASSERT_TRUE(m_service->Start());
    }
    // Byte for byte as the Windows program writes it: CP949 keys and values, CRLF lines.
    void WriteWindowsSettings(bool storedAccount) {
        std::string text = "[BasicInfo]\r\nLoginServerIP=127.0.0.1\r\nLoginServerPort=" +
                           std::to_string(m_service ? m_service->LoginPort() : 1) + "\r\n";
        if (storedAccount) text += "자동로그인=1\r\n아이디=studio7\r\n패스워드=pa55word\r\n";
        text += "[SaveFolder]\r\n사진저장폴더=" + SaveFolder().string() +
                "\r\n등록수=1\r\n1=졸업 앨범\r\n";
        WriteFileBytes(Settings(), platform::Utf8ToCp949(text));
    }
    fs::path Settings() const { return m_program.Path() / "FsIni.ini"; }
    fs::path SaveFolder() const { return m_program.Path() / "사진"; }

    QProcess* Start(const fs::path& program, const QStringList& arguments = {}) {
        auto& process = m_processes.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process->setProcessEnvironment(environment);
        process->start(QString::fromStdString(program.string()), arguments);
        EXPECT_TRUE(process->waitForStarted(kLimitMs));
        return process.get();
    }
    QProcess* StartClient(const QStringList& arguments = {}) {
        return Start(m_program.Path() / "znl-client", arguments);
    }
    static void EndWith(QProcess* process, int signal) {
        ::kill(static_cast<pid_t>(process->processId()), signal);
        ASSERT_TRUE(process->waitForFinished(kLimitMs));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    }
    std::string Ini(const char* section, const char* key) const {
        return platform::GetPrivateProfileString(section, key, "<none>", 300, Settings());
    }
    int Delivered() const {
        int count = 0;
        for (const auto& transfer : m_service->FileTransfers()) count += transfer.delivered;
        return count;
    }

    TestFolder m_program, m_photos;
    std::unique_ptr<znlservice::ZnlService> m_service;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(HeadlessProcess, ReceivesResumesAndContainsPhotosFromAWindowsSettingsFileAndEndsOnSignal) {
    const std::string photo = PatternBytes(2 * kBlock + 5, 1);
    const std::string small = PatternBytes(4321, 2);
    fs::create_directories(m_photos.Path() / "2024 졸업/앨범");
    WriteFileBytes(m_photos.Path() / "2024 졸업/앨범/큰 사진.jpg", photo);
    WriteFileBytes(m_photos.Path() / "작은.jpg", small);
    znlservice::ServiceSettings settings;
    settings.folder = m_photos.Path();
    settings.verbatimFiles = {{"..\\..", "evil.jpg", "x", ""}, {"a", "/etc/evil.jpg", "x", ""}};
    settings.file.dropAfterSubBlocks = 150;  // the line drops in the second block, once
    StartService(settings);
    WriteWindowsSettings(true);

    QProcess* client = StartClient();
    ASSERT_TRUE(WaitUntil([&] { return !m_service->FileTransfers().empty(); }, kLimitMs));
    m_service->UpdateSettings(
        [](znlservice::ServiceSettings& s) { s.file.dropAfterSubBlocks = 0; });
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 2; }, kLimitMs));
    EXPECT_EQ(ReadFileBytes(SaveFolder() / "2024 졸업/앨범/큰 사진.jpg"), photo);
    EXPECT_EQ(ReadFileBytes(SaveFolder() / "작은.jpg"), small);
    bool resumed = false;
    for (const auto& transfer : m_service->FileTransfers()) {
        resumed = resumed || (transfer.headerAnswer == 'R' && transfer.storedSize == kBlock);
    }
    EXPECT_TRUE(resumed);
    // The hostile names wrote nothing anywhere.
    EXPECT_FALSE(fs::exists(m_program.Path().parent_path() / "evil.jpg"));
    EXPECT_FALSE(fs::exists(m_program.Path() / "evil.jpg"));

    // The settings file is written back in CP949, the Windows program's keys kept.
    EXPECT_EQ(Ini("BasicInfo", "아이디"), "studio7");
    EXPECT_EQ(Ini("BasicInfo", "자동로그인"), "1");
    EXPECT_NE(ReadFileBytes(Settings()).find("\xBE\xC6\xC0\xCC\xB5\xF0=studio7"),
              std::string::npos);

    // The folder list goes up shortly after the login.
    ASSERT_TRUE(WaitUntil([&] { return !m_service->FolderListUploads().empty(); }, kLimitMs))
        << client->readAllStandardError().toStdString();

    EndWith(client, SIGTERM);
    EXPECT_EQ(client->exitCode(), 0);
    const std::string out = client->readAllStandardOutput().toStdString();
    EXPECT_NE(out.find("파일 수신 완료!"), std::string::npos);
    // The day's message log lies next to the program and holds the same lines.
    bool logged = false;
    for (const auto& entry : fs::recursive_directory_iterator(m_program.Path() / "logs")) {
        logged = logged || ReadFileBytes(entry.path()).find("파일 수신 완료!") != std::string::npos;
    }
    EXPECT_TRUE(logged);
    const auto uploads = m_service->FolderListUploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].customerNo, 77);
    EXPECT_EQ(uploads[0].folders, std::vector<std::string>{"졸업 앨범"});

    // The delivery ledger beside the settings file has both photos, as another program reads it.
    {
        QSqlDatabase ledger = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        ledger.setDatabaseName(
            QString::fromStdString((m_program.Path() / DELIVERY_LEDGER_FILE).string()));
        ASSERT_TRUE(ledger.open());
        QSqlQuery rows(
            QStringLiteral("SELECT path, size, sha256, resumes FROM photos ORDER BY path"), ledger);
        std::vector<std::string> got;
        while (rows.next()) {
            got.push_back(rows.value(0).toString().toStdString() + " " +
                          rows.value(1).toString().toStdString() + " " +
                          rows.value(2).toString().toStdString() + " " +
                          rows.value(3).toString().toStdString());
        }
        const auto sha = [](const std::string& bytes) {
            return QCryptographicHash::hash(QByteArray::fromStdString(bytes),
                                            QCryptographicHash::Sha256)
                .toHex()
                .toStdString();
        };
        EXPECT_EQ(got, (std::vector<std::string>{
                           "2024 졸업/앨범/큰 사진.jpg " + std::to_string(photo.size()) + " " +
                               sha(photo) + " 1",
                           "작은.jpg " + std::to_string(small.size()) + " " + sha(small) + " 0"}));
    }
    QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
}

TEST_F(HeadlessProcess, ATerminationSignalDuringATransferKeepsTheCompleteBlocksForTheNextStart) {
    const std::string photo = PatternBytes(3 * kBlock + 77, 3);
    WriteFileBytes(m_photos.Path() / "긴 사진.jpg", photo);
    znlservice::ServiceSettings settings;
    settings.folder = m_photos.Path();
    settings.file.trickle = {200000, 20};  // several seconds per block
    StartService(settings);
    WriteWindowsSettings(true);

    const fs::path received = SaveFolder() / "긴 사진.jpg";
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        QProcess* client = StartClient();
        const uintmax_t before = fs::exists(received) ? fs::file_size(received) : 0;
        ASSERT_TRUE(WaitUntil(
            [&] { return fs::exists(received) && fs::file_size(received) > before; }, kLimitMs));
        EndWith(client, signal);
        EXPECT_EQ(client->exitCode(), 0);
        const std::string kept = ReadFileBytes(received);
        EXPECT_EQ(kept.size() % kBlock, 0u);
        EXPECT_EQ(kept, photo.substr(0, kept.size()));
    }
    m_service->UpdateSettings([](znlservice::ServiceSettings& s) { s.file.trickle = {}; });
    QProcess* client = StartClient();
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 1; }, kLimitMs));
    EXPECT_EQ(ReadFileBytes(received), photo);
    EndWith(client, SIGTERM);
}

TEST_F(HeadlessProcess, TheLoginOptionTakesThePasswordFromStandardInputAndStoresTheAccount) {
    StartService();
    WriteWindowsSettings(false);
    QProcess* client = StartClient({QStringLiteral("--login"), QStringLiteral("studio7")});
    client->write("pa55word\n");
    client->closeWriteChannel();
    ASSERT_TRUE(WaitUntil([&] { return Ini("BasicInfo", "패스워드") == "pa55word"; }, kLimitMs));
    EXPECT_EQ(Ini("BasicInfo", "아이디"), "studio7");
    EXPECT_EQ(Ini("BasicInfo", "자동로그인"), "1");
    EndWith(client, SIGINT);
    EXPECT_EQ(client->exitCode(), 0);

    // Without the option, and nothing stored: a word on what to do, and the code for it.
    WriteWindowsSettings(false);
    QProcess* bare = StartClient();
    ASSERT_TRUE(bare->waitForFinished(kLimitMs));
    EXPECT_EQ(bare->exitCode(), 65);
    EXPECT_TRUE(bare->readAllStandardError().contains("--login"));
}

TEST_F(HeadlessProcess, OneReceiverPerSettingsFolderWhicheverKindStartsFirst) {
    StartService();
    WriteWindowsSettings(true);
    fs::copy_file(ZNL_CLIENT_PATH, m_program.Path() / "ZNLClient");
    const fs::path headless = m_program.Path() / "znl-client";
    const fs::path window = m_program.Path() / "ZNLClient";

    QProcess* first = StartClient();
    ASSERT_TRUE(WaitUntil([&] { return m_service->LoginAttempts().size() == 1; }, kLimitMs));
    QProcess* second = Start(headless);
    ASSERT_TRUE(second->waitForFinished(kLimitMs));
    EXPECT_EQ(second->exitCode(), 68);
    EXPECT_TRUE(second->readAllStandardError().contains("znl-client already runs"));
    // The window has nothing to bring forward: it says so in a message box, which the quit
    // signal closes.
    QProcess* windowSecond = Start(window);
    QByteArray told;
    ASSERT_TRUE(WaitUntil(
        [&] {
            told += windowSecond->readAllStandardError();
            return told.contains("znl-client");
        },
        kLimitMs));
    EndWith(windowSecond, SIGTERM);
    EXPECT_EQ(windowSecond->exitCode(), 68);
    EndWith(first, SIGTERM);

    // The other way round, and another folder is free.
    QProcess* windowFirst = Start(window);
    ASSERT_TRUE(WaitUntil([&] { return m_service->LoginAttempts().size() == 2; }, kLimitMs));
    QProcess* headlessSecond = Start(headless);
    ASSERT_TRUE(headlessSecond->waitForFinished(kLimitMs));
    EXPECT_EQ(headlessSecond->exitCode(), 68);
    EXPECT_TRUE(headlessSecond->readAllStandardError().contains("the window ZNLClient"));
    TestFolder elsewhere;
    fs::copy_file(headless, elsewhere.Path() / "znl-client");
    fs::copy_file(Settings(), elsewhere.Path() / "FsIni.ini");
    QProcess* elsewhereClient = Start(elsewhere.Path() / "znl-client");
    ASSERT_TRUE(WaitUntil([&] { return m_service->LoginAttempts().size() == 3; }, kLimitMs));
    EndWith(elsewhereClient, SIGTERM);
    EXPECT_EQ(elsewhereClient->exitCode(), 0);
    EndWith(windowFirst, SIGTERM);
    EXPECT_EQ(windowFirst->exitCode(), 0);
}

TEST_F(HeadlessProcess, HelpAndVersionOfBothProgramsNeedNoDisplayAndNoSettings) {
    fs::copy_file(ZNL_CLIENT_PATH, m_program.Path() / "ZNLClient");
    for (const char* program : {"znl-client", "ZNLClient"}) {
        for (const char* option : {"--help", "--version", "--no-such-option"}) {
            SCOPED_TRACE(std::string(program) + " " + option);
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                environment.remove(QString::fromLatin1(name));
            }
            // Which options are Qt's the window knows only once Qt has started on a display.
            const bool window = std::string(program) == "ZNLClient";
            if (window && std::string(option) == "--no-such-option") {
                environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            }
            process->setProcessEnvironment(environment);
            process->start(QString::fromStdString((m_program.Path() / program).string()),
                           {QString::fromLatin1(option)});
            ASSERT_TRUE(process->waitForFinished(kLimitMs));
            const QByteArray out = process->readAllStandardOutput();
            if (std::string(option) == "--help") {
                EXPECT_EQ(process->exitCode(), 0);
                EXPECT_TRUE(out.contains("--version"));
                EXPECT_EQ(out.contains("Exit codes:"), !window);
            } else if (std::string(option) == "--version") {
                EXPECT_EQ(process->exitCode(), 0);
                EXPECT_EQ(out, QByteArray(program) + " v.2018.04.06.02\n");
            } else {
                EXPECT_EQ(process->exitCode(), 64);
                EXPECT_TRUE(process->readAllStandardError().contains("no-such-option"));
            }
        }
    }
    EXPECT_FALSE(fs::exists(Settings()));
    EXPECT_FALSE(fs::exists(m_program.Path() / "logs"));
}

}  // namespace
