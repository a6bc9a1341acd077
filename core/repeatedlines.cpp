#include "core/repeatedlines.h"

namespace {

// The count goes before a line break that ends the text, so the line still ends there.
std::string WithCount(const std::string& text, int repeats) {
    const std::size_t end = text.find_last_not_of("\r\n");
    const std::size_t cut = end == std::string::npos ? 0 : end + 1;
    return text.substr(0, cut) + " (" + std::to_string(repeats) + "회 반복)" + text.substr(cut);
}

}  // namespace

std::vector<TimedLine> RepeatedLines::Add(std::time_t now, const std::string& text) {
    if (m_written && text == m_last) {
        if (m_repeats++ == 0) m_firstRepeat = now;
        m_lastRepeat = now;
        if (std::optional<TimedLine> due = Due(now)) return {std::move(*due)};
        return {};
    }
    std::vector<TimedLine> lines;
    if (std::optional<TimedLine> held = Flush()) lines.push_back(std::move(*held));
    m_last = text;
    m_written = true;
    lines.push_back({now, text});
    return lines;
}

std::optional<TimedLine> RepeatedLines::Due(std::time_t now) {
    // A clock set back does not hold the count any longer than one that stands still.
    const bool waited = now < m_firstRepeat || now - m_firstRepeat >= kLongestHoldSeconds;
    if (m_repeats == 0 || !waited) return std::nullopt;
    return Flush();
}

std::optional<TimedLine> RepeatedLines::Flush() {
    if (m_repeats == 0) return std::nullopt;
    TimedLine line{m_lastRepeat, WithCount(m_last, m_repeats)};
    m_repeats = 0;
    return line;
}
