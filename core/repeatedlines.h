#pragma once
// Activity lines that repeat. Of a run of identical lines only the first is written at once; the
// ones after it are counted and written as one line, "text (N회 반복)", when a different line
// comes, when the first of them has waited a minute, or at the end of the run. A fault that a
// server repeats as fast as it can costs a line a minute, and the log still says how often it came.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

struct TimedLine {
    std::time_t when;
    std::string text;
};

class RepeatedLines {
public:
    // The longest a count is held back.
    static constexpr std::time_t kLongestHoldSeconds = 60;

    // What to write, in order, now that `text` came at `now`: nothing while it repeats the line
    // before it, else the held-back count (if any) and the line itself.
    std::vector<TimedLine> Add(std::time_t now, const std::string& text);
    // The held-back count once it has waited kLongestHoldSeconds.
    std::optional<TimedLine> Due(std::time_t now);
    // The held-back count, however long it has waited.
    std::optional<TimedLine> Flush();

private:
    std::string m_last;  // the text last written
    bool m_written = false;
    int m_repeats = 0;  // identical lines since it was written
    std::time_t m_firstRepeat = 0;
    std::time_t m_lastRepeat = 0;
};
