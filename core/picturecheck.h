#pragma once
// Whether a received JPEG is whole: its structure is followed from the start marker, segment by
// segment and through the compressed data of every scan, to the end marker. A photo cut short (the
// fault a broken line or a full disk leaves) has no end marker; a garbled one breaks the chain of
// segment lengths. Data after the end marker is not looked at: cameras and editors append their
// own (preview images, maker notes).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct PictureVerdict {
    bool sound = true;
    std::string reason;  // why it is not, in the words of the activity lines
};

class JpegStructure {
public:
    // The file's next bytes; any split of the file gives the same verdict.
    void Feed(std::span<const unsigned char> bytes);
    // Nothing after the end marker (or after a fault) changes the verdict.
    bool Decided() const { return m_stage == Stage::End || m_stage == Stage::Broken; }
    PictureVerdict Finish() const;

private:
    enum class Stage {
        Start,       // the first byte, 0xFF
        StartCode,   // the start marker's code, 0xD8
        Marker,      // 0xFF before a marker's code
        MarkerCode,  // a marker's code (fill bytes 0xFF skipped)
        LengthHigh,  // a segment's length, two bytes
        LengthLow,
        Segment,        // the segment's body
        Entropy,        // the compressed data of a scan
        EntropyMarker,  // 0xFF in the compressed data
        End,            // after the end marker
        Broken,
    };

    void OnMarker(unsigned char code);
    void Break(std::string reason);

    Stage m_stage = Stage::Start;
    std::uint32_t m_length = 0;
    std::uint32_t m_left = 0;   // of the segment's body
    bool m_scanHeader = false;  // the segment being read is a scan header
    bool m_sawFrame = false;
    bool m_sawScan = false;
    std::uint64_t m_offset = 0;  // bytes fed so far, for the reason
    std::string m_reason;
};

// The structure of the JPEG open at `fd`, read from its start with a bounded buffer.
PictureVerdict CheckJpegFile(int fd);

// Photos named .jpg or .jpeg (any case) are checked; other kinds are not known to the check.
bool IsJpegName(std::string_view name);
