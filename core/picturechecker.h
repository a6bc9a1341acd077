#pragma once
// Checks the pictures of completed photos on a thread of its own at low priority, so reception
// never waits for it: the structure of every JPEG, then, where the program can decode pictures, a
// decode. Each verdict goes to a sink with the file it was taken from.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/deliveredphoto.h"
#include "core/picturecheck.h"

class PictureChecker {
public:
    // Why the picture at the path does not decode; nothing when it does.
    using Decoder = std::function<std::optional<std::string>(const std::string& path)>;
    // A verdict, on the checker's thread: the place the photo was completed at, its path, and the
    // file that was read (which may lie elsewhere by now, or be a newer photo of that name).
    using VerdictSink =
        std::function<void(const PhotoPlace& place, const std::string& path,
                           const StoredPhoto& photo, const PictureVerdict& verdict)>;

    // `decoder` may be empty: then the structure alone is checked.
    PictureChecker(Decoder decoder, VerdictSink sink);
    // Photos not yet checked are left so: they are untouched, only their verdict is missing.
    ~PictureChecker();
    PictureChecker(const PictureChecker&) = delete;
    PictureChecker& operator=(const PictureChecker&) = delete;

    // Never waits. Photos not named as JPEGs are not checked.
    void Check(PhotoPlace place, std::string path);
    // For tests and the end of a run: true once every photo handed over has been checked.
    bool WaitIdle(std::chrono::milliseconds limit);
    // No verdict is told any more: whoever took them is going.
    void Mute();

private:
    struct Job {
        PhotoPlace place;
        std::string path;
    };
    void Run();
    void CheckOne(const Job& job);

    const Decoder m_decoder;
    std::mutex m_sinkMutex;  // held while a verdict is told, so Mute waits for it
    VerdictSink m_sink;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;  // last: it starts once everything above is set
};
