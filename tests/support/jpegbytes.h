#pragma once
// JPEG files put together marker by marker, for checks of their structure: the segments a camera
// writes, with compressed data that is only bytes (nothing here decodes them).
#include <string>

namespace testsupport {

// A marker segment: 0xFF, its code, its length (two bytes, counting themselves) and its body.
inline std::string JpegSegment(unsigned char code, const std::string& body) {
    const std::size_t length = body.size() + 2;
    return std::string{'\xFF', static_cast<char>(code), static_cast<char>(length >> 8),
                       static_cast<char>(length & 0xFF)} +
           body;
}

inline const std::string kJpegStart("\xFF\xD8", 2);
inline const std::string kJpegEnd("\xFF\xD9", 2);

// Start, tables, frame header, one scan of `entropy`, end.
inline std::string BaselineJpeg(const std::string& entropy = std::string("\x12\x34\xFF\x00\x56",
                                                                         5)) {
    return kJpegStart + JpegSegment(0xE0, "JFIF" + std::string(10, '\0')) +
           JpegSegment(0xDB, std::string(65, '\x01')) +
           JpegSegment(0xC0, std::string("\x08\x00\x10\x00\x10\x01\x01\x11\x00", 9)) +
           JpegSegment(0xC4, std::string(20, '\x02')) +
           JpegSegment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6)) + entropy + kJpegEnd;
}

}  // namespace testsupport
