#pragma once
// The real form on a fresh settings folder, signing in to scripted servers on 127.0.0.1: a login
// server whose answer the test chooses, and a file server that accepts the greeting and keeps the
// line until the test drops it.
#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "core/clientsession.h"
#include "gui/ovrinview.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

namespace logintest {

// The body of a login answer "Y" for the customer, with the file server on 127.0.0.1.
std::string YesBody(int customerNo, int fileServerPort);

class FormRig : public ::testing::Test {
protected:
    using Responder = std::function<void(int fd, const std::string& request)>;

    void SetUp() override;
    void TearDown() override;

    void SetIni(const char* section, const char* key, const std::string& value);
    std::string IniText(const char* section, const char* key) const;
    // The login server answers every later request this way.
    void Answer(Responder respond);
    // ... or with this one record.
    void AnswerRecord(int code, const std::string& body);
    // Sends the form's login-server connections to this port from now on.
    void UseLoginPort(int port);
    // Stores the names as the save-folder list and loads them into the form.
    void LoadFolders(const QStringList& names);
    // Signs in as guest/secret with automatic login, through the form's login dialog; true once
    // the dialog closed with a successful login.
    bool SignIn();
    // Ends the file server's current line from its side.
    void DropFileLine() { ++m_fileDrops; }
    int FileGreetings() const { return m_fileGreetings; }

    QStringList ActivityLines() const;
    int LinesContaining(const QString& text) const;
    bool LoginSlotsFree() const;
    bool FileSlotsFree() const;

    testsupport::TestFolder m_module;
    QStringList m_boxes;  // every message box, answered OK
    std::mutex m_respondMutex;
    Responder m_respond = [](int, const std::string&) {};
    std::atomic<int> m_fileGreetings{0};
    std::atomic<int> m_fileDrops{0};
    testsupport::ScriptedServer m_login{[this](int fd, const std::string& request) {
        Responder respond;
        {
            std::lock_guard lock(m_respondMutex);
            respond = m_respond;
        }
        respond(fd, request);
    }};
    testsupport::ScriptedServer m_fileServer{
        [this](int fd, const std::string&) { ServeFileLine(fd); }};
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    COvrinView m_view{m_session};

private:
    void ServeFileLine(int fd);
};

}  // namespace logintest
