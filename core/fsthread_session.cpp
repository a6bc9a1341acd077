#include "core/fsthread_session.h"

#include <chrono>

#include "core/clientsock.h"
#include "core/timedread.h"

ReceptionSession::ReceptionSession(CClientSock& sock, int customerNo, RunContext& run)
    : m_sock(sock),
      m_pRecv(std::make_unique<char[]>(RECV_BUFFER_SIZE)),
      m_pBlock(std::make_unique_for_overwrite<char[]>(BLOCK_BUFFER_SIZE)),
      m_store(run.saveFolder, run.ledger.get(), run.pictureChecker.get()),
      m_logic(customerNo, m_store, std::span(m_pBlock.get(), BLOCK_BUFFER_SIZE)) {}

int ReceptionSession::ReadRecord() {
    return TimedRead(&m_sock, m_pRecv.get(), m_sock.slot, 0, &m_pauseEvent, RECV_BUFFER_SIZE);
}

RecordOutcome ReceptionSession::HandleRecord(int command, int received) {
    return m_logic.HandleRecord(command, std::span(m_pRecv.get(), RECV_BUFFER_SIZE), received,
                                std::chrono::steady_clock::now());
}
