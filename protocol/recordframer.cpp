#include "protocol/recordframer.h"

#include <algorithm>
#include <cstring>

#include "protocol/wirerecord.h"

void RecordFramer::Start(int alreadyIn) {
    m_count = alreadyIn;
    m_expected = 12;
    m_lengthKnown = false;
    m_status = FrameStatus::Incomplete;
}

std::span<char> RecordFramer::Space() const {
    if (m_status != FrameStatus::Incomplete || m_expected <= m_count) return {};
    return m_buffer.subspan(m_count, m_expected - m_count);
}

FrameStatus RecordFramer::Commit(int count) {
    if (count <= 0) return m_status;
    if (m_buffer[0] != 'Z') return FrameStatus::BadMagic;
    m_count += count;
    if (!m_lengthKnown && m_count >= 12) {
        m_lengthKnown = true;
        m_expected = GetIntField(m_buffer.data(), 4, 8);
        if (m_expected > static_cast<int>(m_buffer.size())) return m_status = FrameStatus::TooLong;
    }
    if (m_lengthKnown && m_expected > 12 && m_count == m_expected) m_status = FrameStatus::Complete;
    return m_status;
}

FrameStatus RecordFramer::Feed(std::span<const char> piece) {
    const std::span<char> space = Space();
    const std::size_t count = std::min(space.size(), piece.size());
    if (count == 0) return m_status;
    std::memcpy(space.data(), piece.data(), count);
    return Commit(static_cast<int>(count));
}
