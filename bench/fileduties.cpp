#include "bench/fileduties.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/filedigest.h"
#include "core/picturecheck.h"
#include "platform/threadname.h"

FileDuties::FileDuties(PictureDecode decode)
    : m_decode(std::move(decode)), m_thread([this] { Run(); }) {}

FileDuties::~FileDuties() {
    Finish();
}

void FileDuties::Add(const std::filesystem::path& file) {
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(file);
    }
    m_changed.notify_one();
}

bool FileDuties::Finish() {
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_one();
    if (m_thread.joinable()) m_thread.join();
    return !m_failed;
}

void FileDuties::Run() {
    platform::NameThisThread("file duties");
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_finishing || !m_queue.empty(); });
        if (m_queue.empty()) return;
        const std::filesystem::path file = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        const bool done = DoDuties(file);
        lock.lock();
        if (!done) m_failed = true;
    }
}

bool FileDuties::DoDuties(const std::filesystem::path& file) const {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool digested = Sha256OfFile(fd).has_value();
    // The clients check only photos named as JPEGs; the ideal receiver numbers its files, so every
    // one is checked here: the benchmark serves nothing else. As in the clients, a damaged picture
    // is a verdict, not a failure, and only a sound structure is decoded.
    if (digested && CheckJpegFile(fd).sound && m_decode) m_decode(file);
    ::close(fd);
    return digested;
}
