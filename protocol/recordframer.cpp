#include "protocol/recordframer.h"

#include <algorithm>
#include <cstring>

#include "protocol/wirerecord.h"

namespace {

constexpr int kLengthOffset = 4;
constexpr int kLengthWidth = 8;
// "ZNLR" and "ZNLA" share it.
constexpr char kMagicFirstByte = 'Z';

}  // namespace

RecordFramer::RecordFramer(std::span<char> buffer) : m_buffer(buffer) {}

void RecordFramer::Start(int alreadyIn) {
    m_size = alreadyIn;
    m_expected = kPrefixSize;
    m_lengthKnown = false;
    m_status = FrameStatus::Incomplete;
    Evaluate();
}

std::span<char> RecordFramer::Space() const {
    if (m_status != FrameStatus::Incomplete || m_expected <= m_size) return {};
    return m_buffer.subspan(static_cast<std::size_t>(m_size),
                            static_cast<std::size_t>(m_expected - m_size));
}

FrameStatus RecordFramer::Commit(int count) {
    const int taken = std::clamp(count, 0, static_cast<int>(Space().size()));
    if (taken == 0) return m_status;
    // Checked after the write, as the bytes lie: a piece that starts the record is judged by its
    // own first byte, one that continues it by the magic already in.
    if (m_buffer[0] != kMagicFirstByte) return FrameStatus::BadMagic;
    m_size += taken;
    Evaluate();
    return m_status;
}

FrameStatus RecordFramer::Feed(std::span<const char> piece) {
    const std::span<char> space = Space();
    const std::size_t taken = std::min(piece.size(), space.size());
    if (taken > 0) std::memcpy(space.data(), piece.data(), taken);
    return Commit(static_cast<int>(taken));
}

void RecordFramer::Evaluate() {
    if (!m_lengthKnown && m_size >= kPrefixSize) {
        m_lengthKnown = true;
        m_expected = GetIntField(m_buffer.data(), kLengthOffset, kLengthWidth);
        if (m_expected > Capacity()) m_status = FrameStatus::TooLong;
    }
    if (m_lengthKnown && m_expected > kPrefixSize && m_size == m_expected) {
        m_status = FrameStatus::Complete;
    }
}
