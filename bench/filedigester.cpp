#include "bench/filedigester.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/filedigest.h"
#include "platform/threadname.h"

FileDigester::FileDigester() : m_thread([this] { Run(); }) {}

FileDigester::~FileDigester() {
    Finish();
}

void FileDigester::Add(const std::filesystem::path& file) {
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(file);
    }
    m_changed.notify_one();
}

bool FileDigester::Finish() {
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_one();
    if (m_thread.joinable()) m_thread.join();
    return !m_failed;
}

void FileDigester::Run() {
    platform::NameThisThread("digest");
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_finishing || !m_queue.empty(); });
        if (m_queue.empty()) return;
        const std::filesystem::path file = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const bool digested = fd >= 0 && Sha256OfFile(fd).has_value();
        if (fd >= 0) ::close(fd);
        lock.lock();
        if (!digested) m_failed = true;
    }
}
