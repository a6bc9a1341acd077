#pragma once
// How far the file being received has come and how fast it arrives: the share of its announced
// size on hand, the rate over about the last second, and the time it still needs at that rate. Fed
// with the counts the reception thread reports; it keeps no clock of its own.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

class ReceiveProgress {
public:
    using Clock = std::chrono::steady_clock;

    // A new file was announced: the counts start over at this size.
    void StartFile(std::int64_t announcedSize);
    // Bytes of the file on hand at `at`, a resumed file's stored part included.
    void Update(Clock::time_point at, std::int64_t bytesOnHand);
    // The file is whole; later counts for it change nothing.
    void Complete();
    // No file (a connection started or ended).
    void Reset();

    // Share of the announced size on hand, 0 to 1; 1 once complete.
    double Fraction() const;
    // Bytes per second over the last second or so; none before two counts at different moments
    // of the same run of bytes, and none once complete.
    std::optional<double> Rate() const;
    // Seconds until the announced size is on hand at that rate; none without a rate.
    std::optional<double> SecondsLeft() const;

private:
    struct Sample {
        Clock::time_point at;
        std::int64_t bytes;
    };

    std::int64_t m_nSize = 0;
    std::int64_t m_nOnHand = 0;
    bool m_bComplete = false;
    std::deque<Sample> m_samples;  // oldest first
};

// A rate as a person reads it: "512 B/s", "3.2 MB/s", "120 KB/s".
std::string FormatRate(double bytesPerSecond);
