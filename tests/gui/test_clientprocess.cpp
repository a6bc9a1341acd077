// The real executable, copied alone into an empty folder, as a user would start it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "protocol/loginrequest.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

constexpr int kGenerousMs = 30000;

class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(ZNL_CLIENT_PATH, m_folder.Path() / "ZNLClient");
        fs::create_directory(m_folder.Path() / "tmp");
    }
    void TearDown() override {
        for (QProcess* process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kGenerousMs);
            }
            delete process;
        }
    }

    QProcess* Start() {
        auto* process = new QProcess;
        m_processes.push_back(process);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The single-instance socket lives in TMPDIR: this test's instances meet only each other.
        environment.insert(QStringLiteral("TMPDIR"),
                           QString::fromStdString((m_folder.Path() / "tmp").string()));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(QString::fromStdString(fs::temp_directory_path().string()));
        process->start(QString::fromStdString((m_folder.Path() / "ZNLClient").string()), {});
        EXPECT_TRUE(process->waitForStarted(kGenerousMs));
        return process;
    }

    std::string MessageLog() const {
        const fs::path logs = m_folder.Path() / "logs";
        std::string all;
        if (!fs::exists(logs)) return all;
        for (const auto& entry : fs::recursive_directory_iterator(logs)) {
            if (entry.is_regular_file()) all += ReadFileBytes(entry.path());
        }
        return all;
    }

    static size_t Count(const std::string& text, const std::string& what) {
        size_t count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++count;
        }
        return count;
    }

    TestFolder m_folder;
    std::vector<QProcess*> m_processes;
};

const std::string kStartLine = " TAVEN PIC 사진 수신 처리 Program Start!\r\n";

}  // namespace

TEST_F(ClientProcessTest, StartsFromAnEmptyFolderRefusesASecondInstanceAndEndsOnTheQuitSignal) {
    QProcess* first = Start();
    ASSERT_TRUE(WaitUntil([&] { return Count(MessageLog(), kStartLine) == 1; }, kGenerousMs));
    const std::string log = MessageLog();
    EXPECT_EQ(log.front(), '[');
    EXPECT_EQ(log.substr(9, 1), "]");  // "[hh:mm:ss]"

    QProcess* second = Start();
    ASSERT_TRUE(second->waitForFinished(kGenerousMs));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(MessageLog(), log);
    EXPECT_EQ(first->state(), QProcess::Running);

    // A termination request ends the loop like the quit message: a normal exit.
    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    ASSERT_TRUE(first->waitForFinished(kGenerousMs));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(ClientProcessTest, AutomaticLoginFromAWindowsSettingsFileSignsInAndConnectsTheFileServer) {
    testsupport::ScriptedServer fileServer([](int, const std::string&) {});
    char answer[128];
    std::snprintf(answer, sizeof answer, "Y%10d%-20s%5d%-15s%-20s%-20s", 77, "127.0.0.1",
                  fileServer.Port(), "v.2018.04.06.02", "", "TAVEN PIC");
    testsupport::ScriptedServer loginServer([&answer](int fd, const std::string&) {
        testsupport::WriteAllBytes(fd, testsupport::ServerRecord(1002, answer));
    });
    // Byte for byte as the Windows program writes it: CP949 Korean keys, CRLF lines.
    testsupport::WriteFileBytes(
        m_folder.Path() / "FsIni.ini",
        "[BasicInfo]\r\nLoginServerIP=127.0.0.1\r\nLoginServerPort=" +
            std::to_string(loginServer.Port()) +
            "\r\n\xC0\xDA\xB5\xBF\xB7\xCE\xB1\xD7\xC0\xCE=1\r\n"  // 자동로그인
            "\xBE\xC6\xC0\xCC\xB5\xF0=studio7\r\n"                // 아이디
            "\xC6\xD0\xBD\xBA\xBF\xF6\xB5\xE5=pa55word\r\n"       // 패스워드
            "\xB4\xD0\xB3\xD7\xC0\xD3=\xC7\xCF\xB4\xC3\r\n");     // 닉네임=하늘
    Start();
    ASSERT_TRUE(WaitUntil([&] { return fileServer.Connections() == 1; }, kGenerousMs));
    ASSERT_EQ(loginServer.Requests().size(), 1u);
    EXPECT_EQ(loginServer.Requests()[0], BuildLoginRequest("studio7", "pa55word", "하늘"));
    const std::string log = MessageLog();
    EXPECT_NE(log.find("[0] 로그인 서버 Connected!"), std::string::npos);
}

TEST_F(ClientProcessTest, ATerminationSignalEndsTheClientWhileALoginAnswerTrickles) {
    // The head of an answer, then a byte a second: a client that waited on the line for the rest
    // would not see the signal until the server stopped.
    std::atomic<bool> headSent{false};
    std::atomic<bool> done{false};
    testsupport::ScriptedServer loginServer([&](int fd, const std::string&) {
        testsupport::WriteAllBytes(fd, "ZNLA000010001002Y");
        headSent = true;
        for (int second = 0; second < 60 && !done; ++second) {
            for (int tick = 0; tick < 10 && !done; ++tick) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            testsupport::WriteAllBytes(fd, " ");
        }
    });
    testsupport::WriteFileBytes(
        m_folder.Path() / "FsIni.ini",
        "[BasicInfo]\r\nLoginServerPort=" + std::to_string(loginServer.Port()) +
            "\r\n\xC0\xDA\xB5\xBF\xB7\xCE\xB1\xD7\xC0\xCE=1\r\n"
            "\xBE\xC6\xC0\xCC\xB5\xF0=studio7\r\n"
            "\xC6\xD0\xBD\xBA\xBF\xF6\xB5\xE5=pa55word\r\n");
    QProcess* client = Start();
    ASSERT_TRUE(WaitUntil([&] { return headSent.load(); }, kGenerousMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ::kill(static_cast<pid_t>(client->processId()), SIGTERM);
    // Far less than the minute the answer would take to arrive whole.
    const bool ended = client->waitForFinished(20000);
    done = true;
    ASSERT_TRUE(ended);
    EXPECT_EQ(client->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client->exitCode(), 0);
}
