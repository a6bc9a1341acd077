#include "core/fsdeclare.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/trace.h"

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

int AppendToRecvFile(RecvFileInfo& info, std::span<iovec> pieces) {
    const off_t start = static_cast<off_t>(info.storedSize + info.written);
    off_t offset = start;
    std::size_t first = 0;
    while (first < pieces.size()) {
        const ssize_t written = ::pwritev(info.file.Get(), &pieces[first],
                                          static_cast<int>(pieces.size() - first), offset);
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
