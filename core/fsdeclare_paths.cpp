// Opening below the photo save folder: every level relative to the one above, never through a
// symbolic link, and only regular files are written.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/fsdeclare.h"
#include "platform/trace.h"
#include "protocol/showntext.h"
#include "protocol/thousands.h"

namespace {

constexpr char kFolderSeparator = '\\';

bool LooksLikeDrive(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

bool HasControlByte(std::string_view part) {
    return std::any_of(part.begin(), part.end(), [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return value < 0x20 || value == 0x7F;
    });
}

// What an error opening a level or the file means for the photo: a link, something that is not a
// folder, a read-only place or a name too long stays so; anything else may pass.
StoreFault FaultOf(int error) {
    switch (error) {
        case ELOOP:
            return {StoreFault::Kind::Refused, "심볼릭 링크"};
        case ENOTDIR:
            return {StoreFault::Kind::Refused, "폴더가 아님"};
        case EISDIR:
        case ENXIO:  // a FIFO or device node without its other end
        case ENODEV:
            return {StoreFault::Kind::Refused, "일반 파일이 아님"};
        case EACCES:
        case EPERM:
        case EROFS:
            return {StoreFault::Kind::Refused,
                    std::string("읽기 전용 (") + std::strerror(error) + ")"};
        case ENAMETOOLONG:
            return {StoreFault::Kind::Refused, "이름이 너무 김"};
        default:
            return {StoreFault::Kind::NotNow, std::strerror(error)};
    }
}

FolderIdentity IdentityOf(const struct stat& status) {
    return {status.st_dev, status.st_ino};
}

// O_NONBLOCK: a FIFO planted under the name fails at once instead of waiting for a reader.
// The file is kept only when it is a regular file with no other name, so writing it changes
// nothing outside the folder.
StoreFault OpenOwnRegularFile(int folder, const std::string& name, UniqueFd& file) {
    file = UniqueFd(::openat(folder, name.c_str(),
                             O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                             0666));
    if (!file.Valid()) return FaultOf(errno);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return FaultOf(errno);
    if (!S_ISREG(status.st_mode)) return {StoreFault::Kind::Refused, "일반 파일이 아님"};
    if (status.st_nlink != 1)
        return {StoreFault::Kind::Refused, "다른 이름(하드 링크)이 있는 파일"};
    // Not shared with another opener while it is being received, as on the system we came from.
    if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
        return {StoreFault::Kind::Refused, "다른 연결이 받고 있는 파일"};
    }
    return {};
}

// One level below `folder`, made when missing; the error of the making tells why when it fails.
UniqueFd OpenLevel(int folder, const std::string& part, int& error) {
    const int made = ::mkdirat(folder, part.c_str(), 0777);
    const int makeError = made == 0 ? 0 : errno;
    UniqueFd level(::openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    error = level.Valid() ? 0 : (errno == ENOENT && makeError != 0 ? makeError : errno);
    struct stat status {};
    // A link fails as "not a folder"; it is named for what it is.
    if (error == ENOTDIR && ::fstatat(folder, part.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
        error = ELOOP;
    }
    return level;
}

bool SameIdentity(int fd, const FolderIdentity& expected) {
    struct stat status {};
    return fd >= 0 && ::fstat(fd, &status) == 0 && IdentityOf(status) == expected;
}

}  // namespace

std::string NamePartProblem(std::string_view part) {
    if (part.empty()) return "빈 이름";
    if (part == "." || part == "..") return "상위/현재 폴더 이름";
    if (part.find('\0') != std::string_view::npos) return "NUL 문자가 있는 이름";
    if (HasControlByte(part)) return "제어 문자가 있는 이름";
    if (part.find_first_of("/\\") != std::string_view::npos) return "경로 구분자가 있는 이름";
    if (LooksLikeDrive(part)) return "드라이브 이름";
    return {};
}

StoreFault OpenRecvFolder(RecvFileInfo& info, UniqueFd saveFolder, const std::string& path) {
    CloseRecvFile(info);
    std::vector<std::string> parts;
    SplitString(info.folderText, kFolderSeparator, parts);
    parts.push_back(info.saveName);
    for (const std::string& part : parts) {
        const std::string problem = NamePartProblem(part);
        if (!problem.empty()) return {StoreFault::Kind::Refused, "안전하지 않은 이름: " + problem};
    }
    parts.pop_back();
    // The save folder is the user's own choice and may itself be a link; below it nothing is.
    UniqueFd folder = std::move(saveFolder);
    struct stat status {};
    std::vector<FolderIdentity> levels;
    if (::fstat(folder.Get(), &status) != 0) return FaultOf(errno);
    levels.push_back(IdentityOf(status));
    std::string shown = path;
    for (const std::string& part : parts) {
        int error = 0;
        folder = OpenLevel(folder.Get(), part, error);
        if (!folder.Valid()) {
            StoreFault fault = FaultOf(error);
            fault.reason += " [" + ShownText(part) + "]";
            return fault;
        }
        if (::fstat(folder.Get(), &status) != 0) return FaultOf(errno);
        levels.push_back(IdentityOf(status));
        shown += "/" + part;
    }
    platform::Trace("생성 수신 파일명:%s/%s\n", shown.c_str(), info.saveName.c_str());
    info.folder = std::move(folder);
    info.saveFolder = path;
    info.levels = std::move(levels);
    return {};
}

namespace {

// Why a stored file cannot be the start of the photo announced; empty when it can.
std::string NotTheStart(const struct stat& status, const ResumeLimit& limit,
                        const std::optional<StoredPhoto>& completedThere) {
    if (status.st_size > limit.longestResumable) return "저장된 파일이 받을 사진보다 커서";
    const StoredPhoto stored{status.st_size, status.st_dev, status.st_ino};
    if (completedThere && *completedThere == stored && stored.size != limit.announcedSize) {
        return "저장된 파일은 크기가 다른, 이미 받은 사진이어서";
    }
    return {};
}

}  // namespace

OpenedFile OpenRecvFile(RecvFileInfo& info, const ResumeLimit& limit,
                        const std::optional<StoredPhoto>& completedThere, std::string& keptAs) {
    keptAs.clear();
    if (!info.folder.Valid()) return {{StoreFault::Kind::NotNow, "폴더가 열려 있지 않음"}, 0, {}};
    UniqueFd file;
    StoreFault fault = OpenOwnRegularFile(info.folder.Get(), info.saveName, file);
    struct stat status {};
    if (!fault.Failed() && ::fstat(file.Get(), &status) != 0) fault = FaultOf(errno);
    if (fault.Failed()) return {fault, 0, {}};
    std::string note;
    const std::string why = NotTheStart(status, limit, completedThere);
    if (!why.empty()) {
        // Kept whole under another name, and the photo starts anew.
        const std::optional<std::string> kept =
            MoveToFreeName(info.folder.Get(), info.saveName, info.saveName);
        if (!kept) return {FaultOf(errno), 0, {}};
        keptAs = *kept;
        note = why + " " + ShownText(*kept) + " 로 옮기고 처음부터 받음 [" +
               ShownText(info.saveName) + "][저장된사이즈:" + FormatThousands(status.st_size) + "]";
        file.Reset();
        fault = OpenOwnRegularFile(info.folder.Get(), info.saveName, file);
        if (!fault.Failed() && ::fstat(file.Get(), &status) != 0) fault = FaultOf(errno);
        if (fault.Failed()) return {fault, 0, {}};
    }
    info.storedSize = status.st_size;
    info.file = std::move(file);
    info.isOpen = true;
    return {{}, info.storedSize, note};
}

UniqueFd OpenRecvFileForReading(const RecvFileInfo& info) {
    struct stat written {};
    struct stat opened {};
    UniqueFd file(::openat(info.folder.Get(), info.saveName.c_str(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid() || ::fstat(info.file.Get(), &written) != 0 ||
        ::fstat(file.Get(), &opened) != 0 || IdentityOf(written) != IdentityOf(opened)) {
        return UniqueFd();
    }
    return file;
}

StoreFault CheckRecvFile(const RecvFileInfo& info) {
    const StoreFault gone{StoreFault::Kind::NotNow, "경로가 바뀌었거나 지워짐"};
    if (!info.isOpen || info.levels.empty()) return gone;
    UniqueFd level(::open(info.saveFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!SameIdentity(level.Get(), info.levels.front())) return gone;
    std::vector<std::string> parts;
    SplitString(info.folderText, kFolderSeparator, parts);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        level = UniqueFd(::openat(level.Get(), parts[i].c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!SameIdentity(level.Get(), info.levels[i + 1])) return gone;
    }
    struct stat opened {};
    struct stat named {};
    if (::fstat(info.file.Get(), &opened) != 0 || opened.st_nlink == 0 ||
        ::fstatat(level.Get(), info.saveName.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        IdentityOf(opened) != IdentityOf(named)) {
        return gone;
    }
    return {};
}
