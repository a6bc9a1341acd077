#include "formrig.h"

#include <sys/socket.h>
#include <QApplication>
#include <QCoreApplication>
#include <QListWidget>
#include <QTimer>
#include <thread>

#include "core/settings.h"
#include "gui/controls.h"
#include "gui/messagebox.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"

using testsupport::ServerRecord;
using testsupport::WriteAllBytes;

namespace logintest {
namespace {

constexpr int kDialogLimitMs = 30000;
constexpr auto kFileLineLimit = std::chrono::seconds(60);

}  // namespace

std::string YesBody(int customerNo, int fileServerPort) {
    testsupport::LoginAcceptance fields;
    fields.customerNo = customerNo;
    fields.fileServerPort = fileServerPort;
    return testsupport::LoginAcceptanceBody(fields);
}

void FormRig::SetUp() {
    platform::SetTimeScaleForTests(0.1);
    SetMessageBoxHandlerForTests([this](const QString& text, const QString&) {
        m_boxes << text;
        return IDOK;
    });
    SetIni("BasicInfo", "자동로그인", "1");
    SetIni("BasicInfo", "아이디", "guest");
    SetIni("BasicInfo", "패스워드", "secret");
    SetIni("BasicInfo", "LoginServerIP", "127.0.0.1");
    UseLoginPort(m_login.Port());
}

void FormRig::TearDown() {
    m_fileDrops = 1 << 20;  // lets every held file line go, so the server can stop
    SetMessageBoxHandlerForTests(nullptr);
    platform::SetTimeScaleForTests(1.0);
}

void FormRig::SetIni(const char* section, const char* key, const std::string& value) {
    ASSERT_TRUE(
        platform::WritePrivateProfileString(section, key, value, m_session.Paths().settingsFile));
}

std::string FormRig::IniText(const char* section, const char* key) const {
    return platform::GetPrivateProfileString(section, key, "<none>", 300,
                                             m_session.Paths().settingsFile);
}

void FormRig::Answer(Responder respond) {
    std::lock_guard lock(m_respondMutex);
    m_respond = std::move(respond);
}

void FormRig::AnswerRecord(int code, const std::string& body) {
    Answer([record = ServerRecord(code, body)](int fd, const std::string&) {
        WriteAllBytes(fd, record);
    });
}

void FormRig::UseLoginPort(int port) {
    SetIni("BasicInfo", "LoginServerPort", std::to_string(port));
    m_session.ReadLoginServerInfo();
}

void FormRig::LoadFolders(const QStringList& names) {
    m_session.Settings().WriteText(ini::SAVE_FOLDER_SECTION, ini::FOLDER_COUNT,
                                   std::to_string(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        m_session.Settings().WriteText(ini::SAVE_FOLDER_SECTION, std::to_string(i + 1),
                                       names[i].toStdString());
    }
    m_session.LoadSaveFolders();
}

bool FormRig::SignIn() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &watchdog, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    watchdog.start(kDialogLimitMs);
    m_session.RequestSignIn();
    // A dialog closed without a login posts the quit, which would end every later loop here.
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    return m_session.SignedIn() && watchdog.isActive();
}

void FormRig::ServeFileLine(int fd) {
    const int line = m_fileGreetings++;
    WriteAllBytes(fd, ServerRecord(1003, "Y"));
    const auto limit = std::chrono::steady_clock::now() + kFileLineLimit;
    while (m_fileDrops <= line && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::shutdown(fd, SHUT_RDWR);
}

QStringList FormRig::ActivityLines() const {
    // Reception threads post their lines before they answer what the caller saw answered.
    QCoreApplication::sendPostedEvents();
    QStringList lines;
    auto* list = static_cast<QListWidget*>(GetDlgItem(&m_view, 1000));
    for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
    return lines;
}

int FormRig::LinesContaining(const QString& text) const {
    return static_cast<int>(ActivityLines().filter(text).size());
}

bool FormRig::LoginSlotsFree() const {
    for (int slot = 0; slot < 50; ++slot) {
        if (m_session.Socket(slot)) return false;
    }
    return true;
}

bool FormRig::FileSlotsFree() const {
    for (int slot = 50; slot < 100; ++slot) {
        if (m_session.Socket(slot)) return false;
    }
    return true;
}

}  // namespace logintest
