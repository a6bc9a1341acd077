#include "gui/receiveburst.h"

void ReceiveBurst::FileStarted() {
    if (!m_open) m_completed = 0;
    m_open = true;
    m_receiving = true;
}

void ReceiveBurst::FileCompleted() {
    if (!m_open) m_completed = 0;
    m_open = true;
    m_receiving = false;
    ++m_completed;
}

bool ReceiveBurst::End() {
    if (m_receiving || !m_open) return false;
    m_open = false;
    return true;
}

void ReceiveBurst::Abandon() {
    m_receiving = false;
    m_open = false;
}
