// The JPEG structure check fed the same bytes in random chunks must reach the verdict it reaches
// with the bytes in one piece: where a read happens to end can never change a verdict.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "core/picturecheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first four bytes seed the chunking; the rest is the file.
    if (size < 4) return 0;
    const std::uint32_t seed =
        data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
    const std::uint8_t* file = data + 4;
    const std::size_t fileSize = size - 4;

    JpegStructure whole;
    whole.Feed({file, fileSize});
    const PictureVerdict expected = whole.Finish();

    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> chunkSize(0, 64);
    JpegStructure chunked;
    for (std::size_t at = 0; at < fileSize;) {
        const std::size_t chunk = std::min(chunkSize(random), fileSize - at);
        chunked.Feed({file + at, chunk});
        at += chunk;
    }
    const PictureVerdict got = chunked.Finish();
    if (got.sound != expected.sound || got.reason != expected.reason) std::abort();
    return 0;
}
