#include "core/picturechecker.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/fsdeclare.h"
#include "platform/threadname.h"

namespace {

// Below reception and the window: on two cores the check takes what is left over.
constexpr int kNiceness = 10;

}  // namespace

PictureChecker::PictureChecker(Decoder decoder, VerdictSink sink)
    : m_decoder(std::move(decoder)), m_sink(std::move(sink)), m_worker([this] { Run(); }) {}

PictureChecker::~PictureChecker() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

void PictureChecker::Check(PhotoPlace place, std::string path) {
    if (!IsJpegName(path)) return;
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(place), std::move(path)});
    }
    m_wake.notify_one();
}

bool PictureChecker::WaitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, limit, [this] { return m_jobs.empty() && !m_busy; });
}

void PictureChecker::Mute() {
    const std::lock_guard lock(m_sinkMutex);
    m_sink = nullptr;
}

void PictureChecker::Run() {
    platform::NameThisThread("picture check");
    // The thread's own niceness (Linux schedules threads one by one).
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNiceness);
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_stopping) return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        CheckOne(job);
        lock.lock();
        m_busy = false;
        if (m_jobs.empty()) m_idle.notify_all();
    }
}

void PictureChecker::CheckOne(const Job& job) {
    // A photo moved or removed since is the user's doing: nothing to say about it.
    const UniqueFd file(::open(job.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat status {};
    if (!file.Valid() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return;
    const StoredPhoto photo{status.st_size, status.st_dev, status.st_ino};
    PictureVerdict verdict = CheckJpegFile(file.Get());
    if (verdict.sound && m_decoder) {
        if (std::optional<std::string> problem = m_decoder(job.path)) {
            verdict = {false, "디코딩 실패: " + *problem};
        }
    }
    const std::lock_guard lock(m_sinkMutex);
    if (m_sink) m_sink(job.place, job.path, photo, verdict);
}
