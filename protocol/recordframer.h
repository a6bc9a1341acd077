#pragma once
// Whole records out of the bytes a line delivers: magic (4) | length (8 digits) | the rest.
#include <span>

enum class FrameStatus { Incomplete, Complete, TooLong, BadMagic };

class RecordFramer {
public:
    explicit RecordFramer(std::span<char> buffer) : m_buffer(buffer) {}
    void Start(int alreadyIn = 0);
    std::span<char> Space() const;
    FrameStatus Commit(int count);
    FrameStatus Feed(std::span<const char> piece);
    int Size() const { return m_count; }
    const char* Data() const { return m_buffer.data(); }

private:
    std::span<char> m_buffer;
    int m_count = 0;
    int m_expected = 12;
    bool m_lengthKnown = false;
    FrameStatus m_status = FrameStatus::Incomplete;
};
