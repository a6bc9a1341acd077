// Arbitrary bytes from a peer, through the record framer in arbitrary pieces, and through the field
// readers. The framer works over a buffer of exactly the login reader's size, so any write past it
// is caught; what it holds must always be the bytes it took, and every record it completes one
// whole record as its length field tells.
#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "protocol/recordframer.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kBufferSize = 1000;
constexpr int kPrefixSize = RecordFramer::kPrefixSize;

void Require(bool condition) {
    if (!condition) std::abort();
}

// GetIntField is atoi of the field as if copied into a zeroed scratch, saturated to int.
void CheckFieldReaders(const char* bytes, size_t size) {
    const int width = static_cast<int>(std::min<size_t>(size, 24));
    const std::string field(bytes, static_cast<size_t>(width));
    const long long expected = std::strtoll(field.c_str(), nullptr, 10);
    Require(GetIntField(bytes, 0, width) == std::clamp<long long>(expected, INT_MIN, INT_MAX));
    const std::string text = GetTextField(bytes, 0, width);
    Require(text == field.c_str());
}

// Piece lengths from the input's own bytes, so that the fuzzer controls the splits too.
class Pieces {
public:
    explicit Pieces(std::uint8_t seed) : m_state(seed) {}
    size_t Next() {
        m_state = m_state * 1103515245u + 12345u;
        return (m_state >> 16) % 300 + 1;
    }

private:
    unsigned m_state;
};

void CheckHeld(const RecordFramer& framer, const char* buffer, const std::string& taken) {
    Require(framer.Data() == buffer);
    Require(framer.Size() >= 0 && framer.Size() <= kBufferSize);
    Require(static_cast<size_t>(framer.Size()) == taken.size());
    Require(std::memcmp(buffer, taken.data(), taken.size()) == 0);
    const std::span<char> space = framer.Space();
    if (!space.empty()) {
        Require(space.data() == buffer + framer.Size());
        Require(framer.Size() + static_cast<int>(space.size()) <= kBufferSize);
    }
}

void CheckStatus(FrameStatus status, const RecordFramer& framer) {
    const int length = framer.Size() >= kPrefixSize ? GetIntField(framer.Data(), 4, 8) : 0;
    switch (status) {
        case FrameStatus::Complete:
            Require(framer.Size() > kPrefixSize && framer.Data()[0] == 'Z');
            Require(length == framer.Size() && framer.Space().empty());
            break;
        case FrameStatus::TooLong:
            Require(framer.Size() == kPrefixSize && length > kBufferSize);
            Require(framer.Space().empty());
            break;
        case FrameStatus::Incomplete:
            // Only a record whose length field can never be met stops asking.
            Require(!framer.Space().empty() ||
                    (framer.Size() >= kPrefixSize && length <= kPrefixSize));
            break;
        case FrameStatus::BadMagic:
            Require(framer.Size() == 0);
            break;
    }
}

// Feeds the stream in pieces, half by Feed and half written into Space() and committed as a
// socket read would; a record that is done, too long or stuck makes way for the next.
void FeedFramer(const char* bytes, size_t size) {
    const auto buffer = std::make_unique<char[]>(kBufferSize);
    RecordFramer framer(std::span(buffer.get(), kBufferSize));
    framer.Start();
    std::string taken;
    Pieces pieces(size > 0 ? static_cast<std::uint8_t>(bytes[size - 1]) : 0);
    bool byCommit = false;
    for (size_t at = 0; at < size;) {
        const std::span<char> space = framer.Space();
        if (space.empty()) {
            framer.Start();
            taken.clear();
            continue;
        }
        const size_t length = std::min(pieces.Next(), size - at);
        const size_t fits = std::min(length, space.size());
        const int before = framer.Size();
        FrameStatus status;
        if (byCommit) {
            std::memcpy(space.data(), bytes + at, fits);
            status = framer.Commit(static_cast<int>(length));
        } else {
            status = framer.Feed(std::span(bytes + at, length));
        }
        byCommit = !byCommit;
        if (status == FrameStatus::BadMagic) {
            Require(before == 0 && bytes[at] != 'Z');
        } else {
            taken.append(bytes + at, fits);
        }
        at += fits;
        CheckStatus(status, framer);
        CheckHeld(framer, buffer.get(), taken);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C");  // strtoll, the field readers' reference, in the plain C locale
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    CheckFieldReaders(bytes, size);
    FeedFramer(bytes, size);
    return 0;
}
