#pragma once
// The reception thread on loopback: a window standing in for the form (it answers the thread's
// messages and handles the socket's notifications as the form does), a save folder, and the
// server's end of each connection, driven by the test record by record.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/fsthread.h"
#include "core/runcontext.h"
#include "loopbackpeer.h"
#include "platform/messagewindow.h"
#include "support/testfolder.h"

namespace nettest {

// The server's end of one connection. Every wait spins the event loop, so the reception thread's
// messages to the stand-in are handled meanwhile.
class ServerEnd {
public:
    explicit ServerEnd(int fd) : m_fd(fd) {}
    ~ServerEnd();
    ServerEnd(const ServerEnd&) = delete;
    ServerEnd& operator=(const ServerEnd&) = delete;

    void Send(const std::string& bytes);
    // The next whole record of the client; empty when it closed or nothing came in time.
    std::string ReadRecord(int timeoutMs = 20000);
    // Sends a record and returns the client's answer.
    std::string Exchange(const std::string& record);
    // True once the client has closed its end (after reading what it still sent).
    bool WaitForClose(int timeoutMs = 20000);
    void Close();

private:
    int m_fd;
};

struct ProgressReport {
    WPARAM kind;
    LPARAM count;      // the other kinds
    std::string text;  // kind 0
};

class ReceptionRig {
    testsupport::TestFolder m_scratch;  // first: the save folder lies inside it

public:
    ReceptionRig();
    // Stops the run and waits for the thread's release before the owner joins it.
    ~ReceptionRig();
    ReceptionRig(const ReceptionRig&) = delete;
    ReceptionRig& operator=(const ReceptionRig&) = delete;

    // A new connection to the rig's own listener with its reception thread: the server's end,
    // or null on failure.
    std::unique_ptr<ServerEnd> Connect();
    // A new connection to a server of the test's with its reception thread.
    bool ConnectTo(int port);
    // Waits until the thread of the current connection has released its slot.
    bool WaitForRelease(int timeoutMs = 20000);
    bool Released() const { return m_sock == nullptr; }
    int Releases() const { return m_releases; }
    // Stops the run as the session does: the stop flag, then every slot's wake-up.
    void StopRun();
    // The end of the process during a transfer: the run is stopped, the form's window goes at
    // once (nothing more is handled), then the owner joins. True when every thread was joined
    // within the generous limit.
    bool EndProcessNow();
    int LinesContaining(const std::string& text) const;

    const std::filesystem::path scratch;  // holds the save folder; nothing else is written here
    const std::filesystem::path save;     // the photo save folder
    std::shared_ptr<RunContext> run;      // signed in, the save folder, the wake-ups
    std::vector<std::string> lines;       // activity lines, in order
    std::vector<ProgressReport> progress;
    std::vector<LPARAM> states;  // WM_RECV_STATE

private:
    void Bind();
    void Wake();

    std::unique_ptr<MessageWindow> m_form;
    std::unique_ptr<ReceptionThreads> m_threads;
    LoopbackListener m_listener;
    CClientSock* m_sock = nullptr;
    bool m_connectReported = false;
    int m_releases = 0;
};

inline constexpr int kCustomerNo = 4321;
inline constexpr int kSlot = 57;

// Records of the file server (CP949 texts go in as they are).
std::string FileHeader(const std::string& folder, const std::string& name, long long size,
                       const std::string& companion = "", int customerNo = kCustomerNo);
std::string SubBlock(int block, int subBlock, const std::string& data);
std::string BlockCheck(int block, int subBlocks);
std::string FileEnd(long long count);
// An answer of the client: "ZNLA", its length, the code, the body.
std::string Answer(int code, const std::string& body);

// Sends `bytes` as a file of blocks (101 sub-blocks of 100000 bytes, the last ones shorter),
// each block checked until complete, then the file end; false when an answer was not the
// expected one.
bool SendFileBody(ServerEnd& server, const std::string& bytes);

}  // namespace nettest
