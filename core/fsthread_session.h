#pragma once
// What one file-server connection keeps from record to record, and the answer to each record the
// server sends. The reception thread reads and sends; the session decides.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "core/blockassembly.h"
#include "core/fsdeclare.h"
#include "core/runcontext.h"
#include "platform/event.h"
#include "platform/wintypes.h"

class CClientSock;

inline constexpr int RECV_BUFFER_SIZE = 100500;
inline constexpr int ANSWER_BUFFER_SIZE = 1000;
inline constexpr int KEEP_ALIVE_CODE = 1006;

// An activity line to the session (WM_LOG_MESSAGE); it copies the line before the call returns.
void LogLine(HWND owner, const std::string& line);
// The time in trace lines, "%H:%M:%S".
std::string TraceTime();

class ReceptionSession {
public:
    ReceptionSession(CClientSock& sock, int customerNo, const SharedText& saveFolder);
    // Closes a file still open, removing it when it is empty and nothing was written to it.
    ~ReceptionSession();
    ReceptionSession(const ReceptionSession&) = delete;
    ReceptionSession& operator=(const ReceptionSession&) = delete;

    // One record into RecvBuffer() with the timed read: its byte count, 0 when none came.
    int ReadRecord();
    char* RecvBuffer() { return m_pRecv.get(); }
    // Handles the record of `received` bytes in RecvBuffer() as `command` (KEEP_ALIVE_CODE also
    // for the thread's own keep-alive) and builds the whole answer; returns its length. Fixed
    // fields beyond the record's end read as NUL bytes.
    int HandleRecord(int command, int received);
    const char* Answer() const { return m_pAnswer.get(); }

    // How long the thread waits for the server when the line is idle, set by the last answer.
    int WaitTimeMs() const { return m_nWaitMs; }
    int CustomerNo() const { return m_customerNo; }
    const RecvFileInfo& File() const { return m_File; }

private:
    void OnKeepAlive();
    void OnFileHeader(int received);
    void AcceptFileHeader(int received);
    void OnSubBlock(int received);
    void OnBlockCheck();
    void OnFileEnd();
    // The answer to a record that is not handled: the received code and "N".
    void Refuse();
    void EndConnection(const std::string& line);
    void PostProgress();

    CClientSock& m_sock;
    const int m_customerNo;
    const SharedText& m_saveFolder;
    std::unique_ptr<char[]> m_pRecv;
    std::unique_ptr<char[]> m_pAnswer;
    ManualResetEvent m_pauseEvent;  // never set: the timed read's pauses
    int m_nAnswerLength = 0;
    int m_nWaitMs;
    RecvFileInfo m_File;
    BlockAssembly m_Blocks;
    // The kind-1 progress counts are posted at most once per period; the first of a file at once.
    std::chrono::steady_clock::time_point m_lastProgress;
    bool m_bProgressDue = false;
};
