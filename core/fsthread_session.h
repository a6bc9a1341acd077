#pragma once
// What one file-server connection keeps from record to record: the receive buffer, the file store
// and the reception logic that decides every answer. The reception thread reads and sends.
#include <memory>
#include <span>

#include "core/posixfilestore.h"
#include "core/runcontext.h"
#include "platform/event.h"
#include "protocol/receptionlogic.h"

class CClientSock;

class ReceptionSession {
public:
    // Allocates the buffers (std::bad_alloc when that fails). The photos go below the run's save
    // folder; what is delivered goes to its ledger and picture checker, when it has them.
    ReceptionSession(CClientSock& sock, int customerNo, RunContext& run);

    // One record into RecvBuffer() with the timed read: its byte count, 0 when none came.
    int ReadRecord();
    const char* RecvBuffer() const { return m_pRecv.get(); }
    // The record of `received` bytes in RecvBuffer(), or the thread's own keep-alive, handled as
    // `command` at the present time.
    RecordOutcome HandleRecord(int command, int received);

private:
    CClientSock& m_sock;
    std::unique_ptr<char[]> m_pRecv;
    std::unique_ptr<char[]> m_pBlock;  // the block assembly's
    ManualResetEvent m_pauseEvent;     // never set: the timed read's pauses
    PosixFileStore m_store;
    ReceptionLogic m_logic;  // after the store, which it uses until its end
};
