#include "gui/receiveprogress.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {
constexpr auto kRateWindow = std::chrono::seconds(1);
}

void ReceiveProgress::StartFile(std::int64_t announcedSize) {
    Reset();
    m_nSize = std::max<std::int64_t>(announcedSize, 0);
}

void ReceiveProgress::Update(Clock::time_point at, std::int64_t bytesOnHand) {
    if (m_bComplete) return;
    // A count that went back means the file started over: the rate starts over with it.
    if (!m_samples.empty() && bytesOnHand < m_samples.back().bytes) m_samples.clear();
    m_nOnHand = bytesOnHand;
    m_samples.push_back({at, bytesOnHand});
    // The oldest count kept is the last one at or before the window's start, so the rate spans
    // the whole window even when counts come seldom.
    while (m_samples.size() > 2 && m_samples[1].at <= at - kRateWindow) m_samples.pop_front();
}

void ReceiveProgress::Complete() {
    m_bComplete = true;
    m_samples.clear();
}

void ReceiveProgress::Reset() {
    m_nSize = 0;
    m_nOnHand = 0;
    m_bComplete = false;
    m_samples.clear();
}

double ReceiveProgress::Fraction() const {
    if (m_bComplete) return 1.0;
    if (m_nSize <= 0) return 0.0;
    return std::clamp(static_cast<double>(m_nOnHand) / static_cast<double>(m_nSize), 0.0, 1.0);
}

std::optional<double> ReceiveProgress::Rate() const {
    if (m_samples.size() < 2) return std::nullopt;
    const std::chrono::duration<double> span = m_samples.back().at - m_samples.front().at;
    if (span.count() <= 0) return std::nullopt;
    return static_cast<double>(m_samples.back().bytes - m_samples.front().bytes) / span.count();
}

std::optional<double> ReceiveProgress::SecondsLeft() const {
    const std::optional<double> rate = Rate();
    if (!rate || *rate <= 0) return std::nullopt;
    return static_cast<double>(std::max<std::int64_t>(m_nSize - m_nOnHand, 0)) / *rate;
}

std::string FormatRate(double bytesPerSecond) {
    static constexpr std::array<const char*, 4> kUnits = {"B", "KB", "MB", "GB"};
    double value = std::max(bytesPerSecond, 0.0);
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    // One decimal while it tells something, and never for whole bytes.
    const bool decimal = unit > 0 && value < 99.95;
    char text[32];
    std::snprintf(text, sizeof text, decimal ? "%.1f %s/s" : "%.0f %s/s", value, kUnits[unit]);
    return text;
}
