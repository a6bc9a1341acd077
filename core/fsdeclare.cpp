#include "core/fsdeclare.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/trace.h"
#include "protocol/blockassembly.h"

UniqueFd::UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void UniqueFd::Reset() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

namespace {

// One write call takes at most this much: one sub-block as the file server sends it. The kernel
// sizes its page-cache pages by the write: on a virtual machine that hands freed memory back to its
// host, a whole 8 MiB block in one call was measured up to nine times slower to store than in
// small calls, and 256 KiB or 1 MiB calls fell back to that once a few hundred megabytes had
// arrived. 64 KiB calls, two for most sub-blocks, were slower again than one call per sub-block.
constexpr std::size_t kWriteCallBytes = SUB_BLOCK_BYTES;

// Writes the leading pieces from offset in one call of at most kWriteCallBytes and IOV_MAX pieces.
ssize_t WriteSomePieces(int file, std::span<const iovec> pieces, off_t offset) {
    std::size_t count = 0;
    std::size_t bytes = 0;
    while (count < pieces.size() && count < IOV_MAX &&
           bytes + pieces[count].iov_len <= kWriteCallBytes) {
        bytes += pieces[count].iov_len;
        ++count;
    }
    if (count == 0) return ::pwrite(file, pieces[0].iov_base, kWriteCallBytes, offset);
    return ::pwritev(file, pieces.data(), static_cast<int>(count), offset);
}

}  // namespace

int AppendToRecvFile(RecvFileInfo& info, std::span<iovec> pieces) {
    const off_t start = static_cast<off_t>(info.storedSize + info.written);
    off_t offset = start;
    std::size_t first = 0;
    while (first < pieces.size()) {
        // An empty piece has nothing to write, and a call of nothing but empty pieces would
        // write nothing and look like a full disk.
        if (pieces[first].iov_len == 0) {
            ++first;
            continue;
        }
        const ssize_t written = WriteSomePieces(info.file.Get(), pieces.subspan(first), offset);
        if (written <= 0) {
            if (written < 0 && errno == EINTR) continue;
            const int error = written < 0 ? errno : ENOSPC;
            // Only whole blocks stay, so a later connection resumes at a block boundary.
            if (::ftruncate(info.file.Get(), start) != 0) {
                platform::Trace("파일 되돌리기 실패:%s\n", info.saveName.c_str());
            }
            return error;
        }
        offset += written;
        auto left = static_cast<std::size_t>(written);
        while (first < pieces.size() && left >= pieces[first].iov_len) {
            left -= pieces[first].iov_len;
            ++first;
        }
        if (first < pieces.size()) {
            pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + left;
            pieces[first].iov_len -= left;
        }
    }
    info.written += offset - start;
    return 0;
}

void CloseRecvFile(RecvFileInfo& info) {
    info.file.Reset();
    info.folder.Reset();
    info.levels.clear();
    info.isOpen = false;
}

void CloseOrDiscardRecvFile(RecvFileInfo& info) {
    if (info.isOpen && info.written == 0 && info.storedSize == 0) {
        // Removed by name only while the name still leads to the file we opened.
        struct stat opened {};
        struct stat named {};
        if (::fstat(info.file.Get(), &opened) == 0 &&
            ::fstatat(info.folder.Get(), info.saveName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
            ::unlinkat(info.folder.Get(), info.saveName.c_str(), 0) == 0) {
            platform::Trace("파일삭제:%s\\%s\n", info.folderText.c_str(), info.saveName.c_str());
        }
    }
    CloseRecvFile(info);
}

std::string NumberedName(const std::string& name, int k) {
    // A leading dot starts a hidden name, not an extension.
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + " (" + std::to_string(k) + ")" + name.substr(cut);
}

bool RenameNoReplace(int folder, const std::string& from, const std::string& to) {
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL) return false;
    // A file system without the no-replace rename: a new link never replaces either.
    if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) return false;
    ::unlinkat(folder, from.c_str(), 0);
    return true;
}

std::optional<std::string> MoveToFreeName(int folder, const std::string& from,
                                          const std::string& base) {
    for (int k = 1; k <= MOST_NUMBERED_NAMES; ++k) {
        const std::string to = NumberedName(base, k);
        if (RenameNoReplace(folder, from, to)) return to;
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

void SplitString(std::string_view text, char separator, std::vector<std::string>& list) {
    list.clear();
    if (text.empty()) return;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        list.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return;
        start = end + 1;
    }
}
