#pragma once
// Framing of one record over a caller's buffer: magic (4) | length (8 digits, whole record) | rest.
// The framer never reads or waits; it says where the next bytes go and what they made. Pieces are
// written straight into the buffer, so no record is copied on its way in.
#include <span>

enum class FrameStatus {
    Incomplete,  // more bytes are wanted, or (length field of 12 or less, or not a number) never
                 // will be: such a record waits until its reader gives up
    Complete,    // Data() holds one whole record of Size() bytes
    TooLong,     // the length field announces more than the buffer holds; the prefix is in
    BadMagic,    // the piece would have started a record with a byte other than 'Z': dropped whole
};

class RecordFramer {
public:
    // Magic and length field: what must be in before the record's size is known.
    static constexpr int kPrefixSize = 12;

    // capacity = buffer.size(), at least kPrefixSize.
    explicit RecordFramer(std::span<char> buffer);

    // Begins a new record with `alreadyIn` bytes of it already at the buffer's start.
    void Start(int alreadyIn = 0);
    // Where the next piece goes: only the bytes still missing of the record, first of the prefix,
    // then of the length it announces. Empty when nothing more is wanted.
    std::span<char> Space() const;
    // `count` bytes were written at Space().data() (a larger count is cut to Space().size()).
    // Returns BadMagic when they are dropped, the record's status otherwise.
    FrameStatus Commit(int count);
    // Copies what fits of `piece` into Space() and commits it: Space().size() bytes at most are
    // taken, the rest belongs to whatever follows.
    FrameStatus Feed(std::span<const char> piece);

    // Incomplete, Complete or TooLong: where the record stands after the last Start or Commit.
    FrameStatus Status() const { return m_status; }
    // Bytes of the record collected so far.
    int Size() const { return m_size; }
    const char* Data() const { return m_buffer.data(); }
    int Capacity() const { return static_cast<int>(m_buffer.size()); }

private:
    // Reads the length field once the prefix is in.
    void Evaluate();

    std::span<char> m_buffer;
    int m_size = 0;
    int m_expected = kPrefixSize;  // the whole record's size once its length field is in
    bool m_lengthKnown = false;
    FrameStatus m_status = FrameStatus::Incomplete;
};
