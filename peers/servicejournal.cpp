#include "peers/servicejournal.h"

namespace znlservice {
namespace {

std::string DeliveryKey(int customerNo, const std::string& wireFolder,
                        const std::string& wireName) {
    return std::to_string(customerNo) + '\0' + wireFolder + '\0' + wireName;
}

}  // namespace

void ServiceJournal::AddRecord(Peer peer, int connection, const std::string& bytes) {
    const std::lock_guard lock(m_mutex);
    m_records.push_back({peer, connection, bytes});
}

void ServiceJournal::AddLogin(const LoginAttempt& attempt) {
    const std::lock_guard lock(m_mutex);
    m_logins.push_back(attempt);
}

void ServiceJournal::AddFolderList(const FolderListUpload& upload) {
    const std::lock_guard lock(m_mutex);
    m_folderLists.push_back(upload);
}

void ServiceJournal::AddTransfer(const FileTransfer& transfer) {
    const std::lock_guard lock(m_mutex);
    m_transfers.push_back(transfer);
    if (transfer.delivered)
        m_delivered.insert(
            DeliveryKey(transfer.customerNo, transfer.wireFolder, transfer.wireName));
}

void ServiceJournal::AddProblem(int connection, const std::string& text) {
    const std::lock_guard lock(m_mutex);
    m_problems.push_back("connection " + std::to_string(connection) + ": " + text);
}

bool ServiceJournal::IsDelivered(int customerNo, const std::string& wireFolder,
                                 const std::string& wireName) const {
    const std::lock_guard lock(m_mutex);
    return m_delivered.count(DeliveryKey(customerNo, wireFolder, wireName)) > 0;
}

std::vector<ReceivedRecord> ServiceJournal::Records() const {
    const std::lock_guard lock(m_mutex);
    return m_records;
}

std::vector<LoginAttempt> ServiceJournal::Logins() const {
    const std::lock_guard lock(m_mutex);
    return m_logins;
}

std::vector<FolderListUpload> ServiceJournal::FolderLists() const {
    const std::lock_guard lock(m_mutex);
    return m_folderLists;
}

std::vector<FileTransfer> ServiceJournal::Transfers() const {
    const std::lock_guard lock(m_mutex);
    return m_transfers;
}

std::vector<std::string> ServiceJournal::Problems() const {
    const std::lock_guard lock(m_mutex);
    return m_problems;
}

}  // namespace znlservice
