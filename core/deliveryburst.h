#pragma once
// The photos that arrive close together, told as one delivery: a burst stays open while a photo is
// being received and until none has completed for a quiet period, so a slow line or a large photo
// does not split it.
#include <chrono>
#include <filesystem>
#include <optional>

struct Delivery {
    int photos = 0;
    std::filesystem::path folder;  // the deepest folder that holds every photo of the burst
};

class DeliveryBurst {
public:
    using Clock = std::chrono::steady_clock;

    explicit DeliveryBurst(std::chrono::milliseconds quiet) : m_quiet(quiet) {}

    // A photo is being received: the burst is open until it ends.
    void FileStarted();
    // The photo at `path` is complete.
    void FileStored(const std::filesystem::path& path, Clock::time_point now);
    // The photo being received will not complete on this line.
    void FileAbandoned(Clock::time_point now);

    bool Open() const { return m_receiving || m_delivery.photos > 0; }
    int Photos() const { return m_delivery.photos; }
    // A photo of the burst is being received.
    bool Receiving() const { return m_receiving; }
    // When the burst ends unless another photo comes; none while a photo is being received.
    std::optional<Clock::time_point> EndsAt() const;
    // The burst's photos once its quiet period has passed, and a fresh burst. Nothing while it is
    // open, and nothing for a burst in which no photo completed.
    std::optional<Delivery> End(Clock::time_point now);

private:
    const std::chrono::milliseconds m_quiet;
    Delivery m_delivery;
    bool m_receiving = false;
    Clock::time_point m_lastActivity;
};
