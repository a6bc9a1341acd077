#include "core/retrypause.h"

#include <algorithm>

int RetryPause::Fail(int firstMs, int kind) {
    m_changed = m_failures == 0 || kind != m_kind;
    m_kind = kind;
    ++m_failures;
    int pause = std::min(firstMs, kLongestMs);
    for (int doubling = 1; doubling < m_failures && pause < kLongestMs; ++doubling) {
        pause = std::min(2 * pause, kLongestMs);
    }
    m_pauseMs = pause;
    return pause;
}

void RetryPause::Reset() {
    m_failures = 0;
    m_pauseMs = 0;
    m_changed = false;
}
