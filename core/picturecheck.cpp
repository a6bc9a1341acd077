#include "core/picturecheck.h"

#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace {

constexpr unsigned char kPrefix = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kTemporary = 0x01;
constexpr unsigned char kStuffed = 0x00;
constexpr std::size_t kReadChunk = 256 * 1024;

const char kCut[] = "끝 표시(EOI)가 없음: 파일이 잘렸습니다";

bool IsRestart(unsigned char code) {
    return code >= 0xD0 && code <= 0xD7;
}

// SOF0..SOF15 but DHT (C4), JPG (C8) and DAC (CC), which share the range.
bool IsFrameHeader(unsigned char code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

std::string Hex(unsigned char code) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[code >> 4] + digits[code & 0xF];
}

}  // namespace

void JpegStructure::Break(std::string reason) {
    m_stage = Stage::Broken;
    m_reason = std::move(reason);
}

void JpegStructure::OnMarker(unsigned char code) {
    const std::string at = " (위치 " + std::to_string(m_offset) + ")";
    if (code == kEndOfImage) {
        if (!m_sawScan) return Break("영상 데이터 없이 끝 표시가 옴" + at);
        m_stage = Stage::End;
        return;
    }
    if (IsRestart(code) || code == kTemporary) {
        m_stage = m_sawScan ? Stage::Entropy : Stage::Marker;
        return;
    }
    if (code == kStuffed || code == kStartOfImage) return Break("잘못된 표시 " + Hex(code) + at);
    if (code == kStartOfScan && !m_sawFrame) {
        return Break("프레임 헤더(SOF) 없이 영상 데이터가 옴" + at);
    }
    m_sawFrame = m_sawFrame || IsFrameHeader(code);
    m_scanHeader = code == kStartOfScan;
    m_stage = Stage::LengthHigh;
}

void JpegStructure::Feed(std::span<const unsigned char> bytes) {
    std::size_t i = 0;
    while (i < bytes.size() && !Decided()) {
        const unsigned char byte = bytes[i];
        switch (m_stage) {
            case Stage::Start:
                if (byte != kPrefix) return Break("JPEG 시작 표시(SOI)가 없음");
                m_stage = Stage::StartCode;
                break;
            case Stage::StartCode:
                if (byte != kStartOfImage) return Break("JPEG 시작 표시(SOI)가 없음");
                m_stage = Stage::Marker;
                break;
            case Stage::Marker:
                if (byte != kPrefix) {
                    return Break("세그먼트 사이에 알 수 없는 데이터 (위치 " +
                                 std::to_string(m_offset + i) + ")");
                }
                m_stage = Stage::MarkerCode;
                break;
            case Stage::MarkerCode:
                if (byte != kPrefix) {  // 0xFF before a code is fill
                    m_offset += i;
                    bytes = bytes.subspan(i);
                    i = 0;
                    OnMarker(byte);
                }
                break;
            case Stage::LengthHigh:
                m_length = static_cast<std::uint32_t>(byte) << 8;
                m_stage = Stage::LengthLow;
                break;
            case Stage::LengthLow:
                m_length |= byte;
                if (m_length < 2) {
                    return Break("세그먼트 길이 이상 (위치 " + std::to_string(m_offset + i) + ")");
                }
                m_left = m_length - 2;
                m_stage =
                    m_left > 0 ? Stage::Segment : (m_scanHeader ? Stage::Entropy : Stage::Marker);
                m_sawScan = m_sawScan || (m_scanHeader && m_left == 0);
                break;
            case Stage::Segment: {
                const std::size_t take = std::min<std::size_t>(m_left, bytes.size() - i);
                m_left -= static_cast<std::uint32_t>(take);
                i += take;
                if (m_left == 0) {
                    m_sawScan = m_sawScan || m_scanHeader;
                    m_stage = m_scanHeader ? Stage::Entropy : Stage::Marker;
                }
                continue;
            }
            case Stage::Entropy: {
                // Only 0xFF means anything inside the compressed data.
                const void* prefix = std::memchr(bytes.data() + i, kPrefix, bytes.size() - i);
                if (!prefix) {
                    i = bytes.size();
                    continue;
                }
                i = static_cast<std::size_t>(static_cast<const unsigned char*>(prefix) -
                                             bytes.data());
                m_stage = Stage::EntropyMarker;
                break;
            }
            case Stage::EntropyMarker:
                if (byte == kStuffed || IsRestart(byte)) {
                    m_stage = Stage::Entropy;
                } else if (byte != kPrefix) {
                    m_offset += i;
                    bytes = bytes.subspan(i);
                    i = 0;
                    OnMarker(byte);
                }
                break;
            case Stage::End:
            case Stage::Broken:
                return;
        }
        ++i;
    }
    m_offset += bytes.size();
}

PictureVerdict JpegStructure::Finish() const {
    switch (m_stage) {
        case Stage::End:
            return {};
        case Stage::Broken:
            return {false, m_reason};
        case Stage::Start:
            return {false, "빈 파일"};
        case Stage::LengthHigh:
        case Stage::LengthLow:
        case Stage::Segment:
            return {false, "세그먼트 중간에서 끝남: 파일이 잘렸습니다"};
        default:
            return {false, kCut};
    }
}

PictureVerdict CheckJpegFile(int fd) {
    JpegStructure structure;
    std::vector<unsigned char> buffer(kReadChunk);
    off_t offset = 0;
    while (!structure.Decided()) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {false, "읽을 수 없음: " + std::system_category().message(errno)};
        if (got == 0) break;
        structure.Feed({buffer.data(), static_cast<std::size_t>(got)});
        offset += got;
    }
    return structure.Finish();
}

bool IsJpegName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string extension(name.substr(dot + 1));
    return strcasecmp(extension.c_str(), "jpg") == 0 || strcasecmp(extension.c_str(), "jpeg") == 0;
}
