// Opening below the photo save folder: every level relative to the one above, never through a
// symbolic link, and only regular files are written.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/fsdeclare.h"
#include "platform/trace.h"
#include "protocol/cp949.h"
#include "protocol/wirerecord.h"

namespace {

constexpr char kFolderSeparator = '\\';
constexpr int kCompanionOffset = 3;      // "01:" before the text
constexpr std::size_t kCutFromName = 4;  // the name's extension with its dot, as in "a.jpg"

bool LooksLikeDrive(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

// O_NONBLOCK: a FIFO planted under the name fails at once instead of waiting for a reader.
// The caller gets the file only when it is a regular file with no other name, so writing it
// changes nothing outside the folder.
UniqueFd OpenOwnRegularFile(int folder, const std::string& name) {
    UniqueFd file(::openat(folder, name.c_str(),
                           O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                           0666));
    struct stat status {};
    if (!file.Valid() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_nlink != 1) {
        return UniqueFd();
    }
    return file;
}

std::size_t CharacterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

// The name without its last four characters, then ".txt"; a name of four characters or fewer
// keeps them all, so no two short names share one companion.
std::string CompanionName(const std::string& name) {
    std::size_t end = name.size();
    if (CharacterCount(name) > kCutFromName) {
        for (std::size_t cut = 0; cut < kCutFromName; ++cut) {
            do {
                --end;
            } while ((static_cast<unsigned char>(name[end]) & 0xC0) == 0x80);
        }
    }
    return name.substr(0, end) + ".txt";
}

// The number in an item's first two characters, read as a two-byte record field is.
int ItemType(std::string_view item) {
    char field[2] = {};
    item.copy(field, sizeof field);
    return GetIntField(field, 0, sizeof field);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool IsSafeNamePart(std::string_view part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos &&
           !LooksLikeDrive(part);
}

bool OpenRecvFolder(RecvFileInfo& info, const std::string& saveFolder) {
    CloseRecvFile(info);
    std::vector<std::string> parts;
    SplitString(info.folderText, kFolderSeparator, parts);
    if (!IsSafeNamePart(info.saveName) ||
        !std::all_of(parts.begin(), parts.end(), [](auto& p) { return IsSafeNamePart(p); })) {
        return false;
    }
    // The save folder is the user's own choice and may itself be a link; below it nothing is.
    UniqueFd folder(::open(saveFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string shown = saveFolder;
    for (const std::string& part : parts) {
        if (!folder.Valid()) break;
        ::mkdirat(folder.Get(), part.c_str(), 0777);  // an existing level is fine; the open tells
        folder = UniqueFd(
            ::openat(folder.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        shown += "/" + part;
    }
    if (!folder.Valid()) return false;
    platform::Trace("생성 수신 파일명:%s/%s\n", shown.c_str(), info.saveName.c_str());
    info.folder = std::move(folder);
    return true;
}

int OpenRecvFile(RecvFileInfo& info) {
    if (!info.folder.Valid()) return 0;
    UniqueFd file = OpenOwnRegularFile(info.folder.Get(), info.saveName);
    struct stat status {};
    // Not shared with another opener while it is being received, as on the system we came from.
    if (!file.Valid() || ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 ||
        ::fstat(file.Get(), &status) != 0) {
        return 0;
    }
    info.storedSize = status.st_size;
    info.file = std::move(file);
    info.isOpen = true;
    return 1;
}

void WriteCompanionText(const char* text, int length, const RecvFileInfo& info) {
    if (length <= 0 || !info.folder.Valid()) return;
    const std::string_view list(text, std::find(text, text + length, '\0'));
    std::vector<std::string> items;
    SplitString(list, ',', items);
    const auto last = std::find_if(items.rbegin(), items.rend(),
                                   [](const std::string& item) { return ItemType(item) == 1; });
    if (last == items.rend()) return;
    const std::string name = CompanionName(info.saveName);
    if (name == info.saveName) return;  // "x.txt" would overwrite the photo itself
    const UniqueFd file = OpenOwnRegularFile(info.folder.Get(), name);
    if (!file.Valid() || ::ftruncate(file.Get(), 0) != 0) return;
    const std::string_view body =
        last->size() > kCompanionOffset ? std::string_view(*last).substr(kCompanionOffset) : "";
    WriteAll(file.Get(), platform::Cp949ToUtf8(body));
}
