#pragma once
// What the clients do with each photo once it is closed, done the plainest way for a reference
// receiver: the delivery ledger's SHA-256 of the file read back from disk, the structure check of
// its JPEG and, where given, a decode of its picture. One thread of their own does all, one file
// after the other.
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

class FileDuties {
public:
    // Decodes the picture of the file, as the window program's check does.
    using PictureDecode = std::function<void(const std::filesystem::path& file)>;

    // `decode` may be empty, as in the program without a window.
    explicit FileDuties(PictureDecode decode);
    // Does what is still queued, then ends its thread.
    ~FileDuties();
    FileDuties(const FileDuties&) = delete;
    FileDuties& operator=(const FileDuties&) = delete;

    void Add(const std::filesystem::path& file);
    // Waits until every file added was done; false when one could not be read.
    bool Finish();

private:
    void Run();
    bool DoDuties(const std::filesystem::path& file) const;

    const PictureDecode m_decode;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::filesystem::path> m_queue;
    bool m_finishing = false;
    bool m_failed = false;
    std::thread m_thread;
};
