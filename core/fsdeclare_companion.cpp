// The companion text beside a photo. It is written under a temporary name and renamed into place,
// so a reader never sees half of it. Without a ledger, the client knows its own companions by a
// user extended attribute ("user.znlclient.companion", holding the photo's name) set on each one
// it writes. A file under the companion's name that carries no such mark (also wherever the file
// system keeps no extended attributes), or the mark of another photo, is not ours: it is kept,
// and the text goes beside it under a free name. A file that already holds exactly the text is
// left as it is, so a resumed photo does not leave a second copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/fsdeclare.h"
#include "protocol/cp949.h"
#include "protocol/showntext.h"
#include "protocol/wirerecord.h"

namespace {

constexpr char kMark[] = "user.znlclient.companion";
constexpr int kCompanionOffset = 3;      // "01:" before the text
constexpr std::size_t kCutFromName = 4;  // the name's extension with its dot, as in "a.jpg"

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

enum class Occupant { None, Same, Ours, Other };

// What lies under `name`: nothing, the very text, this photo's companion, or anything else.
Occupant OccupantOf(int folder, const std::string& name, std::string_view body,
                    const std::string& photo) {
    const UniqueFd file(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.Valid()) return errno == ENOENT ? Occupant::None : Occupant::Other;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return Occupant::Other;
    if (status.st_size == static_cast<off_t>(body.size())) {
        std::string held(body.size(), '\0');
        if (::pread(file.Get(), held.data(), held.size(), 0) == static_cast<ssize_t>(held.size()) &&
            held == body) {
            return Occupant::Same;
        }
    }
    std::string mark(photo.size() + 1, '\0');
    const ssize_t length = ::fgetxattr(file.Get(), kMark, mark.data(), mark.size());
    if (length == static_cast<ssize_t>(photo.size()) && mark.compare(0, photo.size(), photo) == 0) {
        return Occupant::Ours;
    }
    return Occupant::Other;
}

// A new temporary file beside the companion, or none.
UniqueFd CreateTemporary(int folder, const std::string& name, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = "." + name + "." + std::to_string(::getpid()) + "-" +
                    std::to_string(counter++) + ".tmp";
        UniqueFd file(::openat(folder, temporary.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.Valid() || errno != EEXIST) return file;
    }
    return UniqueFd();
}

// Puts the temporary file under `name` when that is free or ours; false when it is not.
bool PlaceAt(int folder, const std::string& temporary, const std::string& name,
             std::string_view body, const std::string& photo, bool& done) {
    done = false;
    switch (OccupantOf(folder, name, body, photo)) {
        case Occupant::Same:
            ::unlinkat(folder, temporary.c_str(), 0);
            done = true;
            return true;
        case Occupant::Ours:
            done = ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0;
            return done;
        case Occupant::None:
            done = RenameNoReplace(folder, temporary, name);
            return done || errno != EEXIST;
        case Occupant::Other:
            return false;
    }
    return false;
}

}  // namespace

CompanionWrite WriteCompanionText(const char* text, int length, const RecvFileInfo& info) {
    if (length <= 0 || !info.folder.Valid()) return {};
    const std::string_view list(text, std::find(text, text + length, '\0'));
    std::vector<std::string> items;
    SplitString(list, ',', items);
    const auto last = std::find_if(items.rbegin(), items.rend(),
                                   [](const std::string& item) { return ItemType(item) == 1; });
    if (last == items.rend()) return {};
    const std::string name = CompanionName(info.saveName);
    if (name == info.saveName) return {};  // "x.txt" would overwrite the photo itself
    const std::string body = platform::Cp949ToUtf8(
        last->size() > kCompanionOffset ? std::string_view(*last).substr(kCompanionOffset) : "");
    const int folder = info.folder.Get();
    const std::string failed = "동반 텍스트를 쓸 수 없음! [" + ShownText(name) + "] ";
    std::string temporary;
    UniqueFd file = CreateTemporary(folder, name, temporary);
    if (!file.Valid()) return {failed + std::strerror(errno), {}};
    if (!WriteAll(file.Get(), body)) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        return {failed + std::strerror(error), {}};
    }
    // Where the file system keeps no mark, the text is simply not known as ours next time.
    ::fsetxattr(file.Get(), kMark, info.saveName.data(), info.saveName.size(), 0);
    file.Reset();
    bool done = false;
    if (PlaceAt(folder, temporary, name, body, info.saveName, done)) {
        if (done) return {{}, name};
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        return {failed + std::strerror(error), {}};
    }
    for (int k = 1; k <= MOST_NUMBERED_NAMES; ++k) {
        const std::string beside = NumberedName(name, k);
        if (!PlaceAt(folder, temporary, beside, body, info.saveName, done)) continue;
        if (!done) break;
        return {"동반 텍스트 " + ShownText(name) +
                    " 은(는) 이 프로그램이 쓴 것이 아니어서 그대로 두고 " + ShownText(beside) +
                    " 에 씀",
                beside};
    }
    const int error = errno;
    ::unlinkat(folder, temporary.c_str(), 0);
    return {failed + std::strerror(error), {}};
}
