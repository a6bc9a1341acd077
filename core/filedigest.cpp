#include "core/filedigest.h"

#include <gcrypt.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

constexpr std::size_t kReadSize = 1 << 20;
constexpr int kSha256Size = 32;

struct DigestCloser {
    void operator()(gcry_md_hd_t digest) const { gcry_md_close(digest); }
};
using Digest = std::unique_ptr<std::remove_pointer_t<gcry_md_hd_t>, DigestCloser>;

// libgcrypt wants its version check once before first use; it then sets itself up.
bool DigestLibraryReady() {
    static const bool ready = gcry_check_version(GCRYPT_VERSION) != nullptr;
    return ready;
}

}  // namespace

// libgcrypt, not QCryptographicHash: it uses the processor's SHA instructions, about eight times
// faster here, and every received byte passes through this.
std::optional<std::string> Sha256OfFile(int fd) {
    gcry_md_hd_t handle = nullptr;
    if (!DigestLibraryReady() || gcry_md_open(&handle, GCRY_MD_SHA256, 0) != 0) return {};
    const Digest digest(handle);
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReadSize);
    off_t offset = 0;
    for (;;) {
        const ssize_t count = ::pread(fd, buffer.get(), kReadSize, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return {};
        if (count == 0) break;
        gcry_md_write(digest.get(), buffer.get(), static_cast<std::size_t>(count));
        offset += count;
    }
    const unsigned char* bytes = gcry_md_read(digest.get(), GCRY_MD_SHA256);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * kSha256Size);
    for (int i = 0; i < kSha256Size; ++i) {
        hex += kHex[bytes[i] >> 4];
        hex += kHex[bytes[i] & 0x0F];
    }
    return hex;
}
