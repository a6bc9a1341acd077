#pragma once
// What the stand-in saw and did, kept for the tests: every received record byte for byte, the
// decoded logins, folder lists and file transfers, and every protocol fault it noticed. All
// members are safe to call from any thread; readers get copies.
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace znlservice {

enum class Peer { Login, File };

struct ReceivedRecord {
    Peer peer;
    int connection;  // numbered from 1 in the order of acceptance, over both servers
    std::string bytes;
};

struct LoginAttempt {
    int connection;
    std::string userId;    // UTF-8, trailing blanks trimmed
    std::string password;  // UTF-8, decrypted, up to its first zero byte
    std::string nickname;  // UTF-8, from the "02:" extension; empty without one
    char answer;           // the letter decided, also when a fault switch kept it from being sent
};

struct FolderListUpload {
    int connection;
    int customerNo;
    std::vector<std::string> folders;  // UTF-8, without their "01:" prefixes
    char answer;
};

struct FileTransfer {
    int connection;
    int customerNo;  // the customer the connection serves, from its greeting
    std::string wireFolder;
    std::string wireName;
    std::int64_t size;
    char headerAnswer;         // the client's "Y", "R" or "N"; 0 when it never answered
    std::int64_t storedSize;   // as the client's header answer said
    std::int64_t bytesSent;    // bytes of the blocks the client confirmed complete in this transfer
    std::int64_t clientCount;  // the byte count of the client's file end answer; -1 without one
    bool delivered;  // file end answered with the count sent, so the client holds all of it
};

class ServiceJournal {
public:
    void AddRecord(Peer peer, int connection, const std::string& bytes);
    void AddLogin(const LoginAttempt& attempt);
    void AddFolderList(const FolderListUpload& upload);
    void AddTransfer(const FileTransfer& transfer);
    void AddProblem(int connection, const std::string& text);

    bool IsDelivered(int customerNo, const std::string& wireFolder,
                     const std::string& wireName) const;

    std::vector<ReceivedRecord> Records() const;
    std::vector<LoginAttempt> Logins() const;
    std::vector<FolderListUpload> FolderLists() const;
    std::vector<FileTransfer> Transfers() const;
    std::vector<std::string> Problems() const;

private:
    mutable std::mutex m_mutex;
    std::vector<ReceivedRecord> m_records;
    std::vector<LoginAttempt> m_logins;
    std::vector<FolderListUpload> m_folderLists;
    std::vector<FileTransfer> m_transfers;
    std::vector<std::string> m_problems;
    std::set<std::string> m_delivered;
};

}  // namespace znlservice
