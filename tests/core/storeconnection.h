#pragma once
// The reception logic over the disk store of one save folder, record by record, without a socket.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/posixfilestore.h"
#include "protocol/receptionlogic.h"
#include "receptionrig.h"

class StoreConnection {
public:
    explicit StoreConnection(SaveFolderGuard& guard, DeliveryLedger* ledger = nullptr)
        : m_store(guard, ledger) {}

    RecordOutcome Handle(const std::string& record) {
        std::fill(m_buffer.begin(), m_buffer.end(), '\0');
        record.copy(m_buffer.data(), record.size());
        return m_logic.HandleRecord(std::stoi(record.substr(12, 4)), m_buffer,
                                    static_cast<int>(record.size()), {});
    }
    std::string Answer(const std::string& record) {
        const RecordOutcome outcome = Handle(record);
        return std::string(outcome.answer.begin(), outcome.answer.end());
    }
    const PosixFileStore& Store() const { return m_store; }

private:
    std::vector<char> m_buffer = std::vector<char>(RECV_BUFFER_SIZE);
    std::vector<char> m_blocks = std::vector<char>(BLOCK_BUFFER_SIZE);
    PosixFileStore m_store;
    ReceptionLogic m_logic{nettest::kCustomerNo, m_store, m_blocks};
};

// The answer to a file header that was accepted with `stored` bytes on disk.
inline std::string Accepted(long long stored) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%.10lld", stored > 0 ? 'R' : 'Y', stored);
    return nettest::Answer(2001, text);
}

inline bool HasLine(const RecordOutcome& outcome, const std::string& part) {
    return std::any_of(outcome.reports.begin(), outcome.reports.end(), [&](auto& report) {
        return report.kind == ReceptionReport::Kind::Line &&
               report.text.find(part) != std::string::npos;
    });
}
