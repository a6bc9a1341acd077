#pragma once
// The delivery ledger's duty done the plainest way, for a reference receiver: the SHA-256 of every
// received file, read back from disk on a thread of its own, as the clients' ledger does.
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

class FileDigester {
public:
    FileDigester();
    // Digests what is still queued, then ends its thread.
    ~FileDigester();
    FileDigester(const FileDigester&) = delete;
    FileDigester& operator=(const FileDigester&) = delete;

    void Add(const std::filesystem::path& file);
    // Waits until every file added was digested; false when one could not be read.
    bool Finish();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::filesystem::path> m_queue;
    bool m_finishing = false;
    bool m_failed = false;
    std::thread m_thread;
};
