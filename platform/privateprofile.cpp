#include "platform/privateprofile.h"

// The bytes on disk are CP949 and SimpleIni must see them raw: no Unicode converter. Debian's
// header keeps the template bodies behind SI_IMPLEMENTATION; our own comparator needs them.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "protocol/cp949.h"

namespace platform {
namespace {

// Orders CP949 names without regard to ASCII letter case. The byte after a lead byte is the second
// half of a Korean character even when it looks like a letter: folding it would make two
// different names equal.
struct Cp949NoCase {
    bool operator()(const char* left, const char* right) const {
        bool inTrail = false;
        for (; *left != 0 && *right != 0; ++left, ++right) {
            const unsigned char leftByte = Fold(*left, inTrail);
            const unsigned char rightByte = Fold(*right, inTrail);
            if (leftByte != rightByte) return leftByte < rightByte;
            inTrail = !inTrail && IsCp949LeadByte(*left);
        }
        return *right != 0;
    }

    static unsigned char Fold(char byte, bool inTrail) {
        const auto value = static_cast<unsigned char>(byte);
        if (inTrail || value < 'A' || value > 'Z') return value;
        return static_cast<unsigned char>(value - 'A' + 'a');
    }
};

using Profile = CSimpleIniTempl<char, Cp949NoCase, SI_ConvertA<char>>;

// Of several keys with one name the first counts, as on Windows; a write keeps the others.
bool ParseAllKeys(const std::string& bytes, Profile& profile) {
    profile.SetMultiKey(true);
    return profile.LoadData(bytes) >= 0;
}

// The key's name as the file spells it, so a replaced key keeps its spelling.
std::string StoredKeyName(const Profile& profile, const std::string& section,
                          const std::string& key) {
    Profile::TNamesDepend keys;
    profile.GetAllKeys(section.c_str(), keys);
    const Cp949NoCase less;
    for (const Profile::Entry& entry : keys) {
        if (!less(entry.pItem, key.c_str()) && !less(key.c_str(), entry.pItem)) return entry.pItem;
    }
    return key;
}

enum class FileRead { Done, Missing, Failed };

FileRead ReadWholeFile(const std::filesystem::path& file, std::string& bytes) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return got == 0 ? FileRead::Done : FileRead::Failed;
}

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
    return text;
}

ProfileEncoding EncodingOf(std::string_view bytes) {
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        return ProfileEncoding::Ascii;
    }
    if (IsCp949(bytes)) return ProfileEncoding::Cp949;
    if (IsUtf8(WithoutByteOrderMark(bytes))) return ProfileEncoding::Utf8;
    return ProfileEncoding::Unknown;
}

// The file's text in CP949, which the parser and its name comparison are made for. A UTF-8 file
// is converted whole: its keys and values match as they would in CP949, and a write puts every
// line back in CP949.
FileRead ReadProfileText(const std::filesystem::path& file, std::string& cp949) {
    const FileRead read = ReadWholeFile(file, cp949);
    if (read == FileRead::Done && EncodingOf(cp949) == ProfileEncoding::Utf8) {
        cp949 = Utf8ToCp949(WithoutByteOrderMark(cp949));
    }
    return read;
}

// The CP949 value of the key; nothing when the file, the section or the key is missing.
std::optional<std::string> ReadValue(std::string_view section, std::string_view key,
                                     const std::filesystem::path& file) {
    std::string bytes;
    if (ReadProfileText(file, bytes) != FileRead::Done) return std::nullopt;
    Profile profile;
    if (!ParseAllKeys(bytes, profile)) return std::nullopt;
    const char* value = profile.GetValue(Utf8ToCp949(section).c_str(), Utf8ToCp949(key).c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// Optional sign, then decimal digits up to the first other byte; no digits read as 0. The parser
// has already trimmed the blanks around the value.
int LeadingInteger(std::string_view text) {
    constexpr long long kMagnitudeLimit = static_cast<long long>(INT_MAX) + 1;
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    long long magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = std::min(magnitude * 10 + (text[at] - '0'), kMagnitudeLimit);
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// A name that would break its line could add sections or keys of its own.
bool IsOneLineName(std::string_view name) {
    return !name.empty() && name.find_first_of("\r\n") == std::string_view::npos;
}

// Same for a value; it is kept, with each line break turned into a space.
std::string OneLine(std::string_view value) {
    std::string line(value);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

// SimpleIni drops the comment lines after the last entry of a file. A marker section appended
// behind them takes them as its comment; its line is cut out of the saved text again.
constexpr std::string_view kEndMarkerLine = "[\x01znl-end-of-file\x01]\n";

std::string RemoveEndMarker(const std::string& saved) {
    const size_t at = saved.find(kEndMarkerLine);
    if (at == std::string::npos) return saved;  // the parser stopped early, at a NUL byte
    std::string head = saved.substr(0, at);
    std::string tail = saved.substr(at + kEndMarkerLine.size());
    head.erase(head.find_last_not_of('\n') + 1);
    tail.erase(0, tail.find_first_not_of('\n'));
    if (head.empty()) return tail;
    head += '\n';
    if (!tail.empty()) head += "\n\n" + tail;
    return head;
}

// The parser has turned every line end into "\n"; the Windows program writes "\r\n".
std::string WithWindowsLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(wrote));
    }
    return true;
}

// Makes the rename itself survive a crash.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

enum class FileAccess { KeepMode, OwnerOnly };

// A temporary file beside the target, renamed over it: a reader sees the old file or the new one,
// never a part. An existing file keeps its mode; a new one may hold a password, so 0600.
bool ReplaceFile(const std::filesystem::path& target, std::string_view bytes, FileAccess access) {
    struct stat existing {};
    mode_t mode = stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0600;
    if (access == FileAccess::OwnerOnly) mode &= ~mode_t{077};
    std::string temporary =
        (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool written = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (written && rename(temporary.c_str(), target.c_str()) == 0) {
        SyncFolder(target.parent_path());
        return true;
    }
    unlink(temporary.c_str());
    return false;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t size,
                                    const std::filesystem::path& file) {
    const size_t limit = size > 0 ? size - 1 : 0;
    const std::optional<std::string> value = ReadValue(section, key, file);
    if (!value) return FitUtf8ToCp949Bytes(defaultValue, limit);
    return Cp949ToUtf8(CutCp949(*value, limit));
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file) {
    const std::optional<std::string> value = ReadValue(section, key, file);
    if (!value || value->empty()) return defaultValue;
    return LeadingInteger(*value);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& file,
                               const std::optional<ProfileSecret>& secret) {
    const ProfileKeyValue one{std::string(key), std::string(value)};
    return WritePrivateProfileKeys(section, {&one, 1}, file, secret);
}

bool WritePrivateProfileKeys(std::string_view section, std::span<const ProfileKeyValue> values,
                             const std::filesystem::path& file,
                             const std::optional<ProfileSecret>& secret) {
    if (!IsOneLineName(section)) return false;
    for (const ProfileKeyValue& entry : values) {
        if (!IsOneLineName(entry.key)) return false;
    }
    // Through a symbolic link to the file it points at, as an in-place write would go.
    std::error_code error;
    std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
    if (error) target = file;

    std::string bytes;
    if (ReadProfileText(target, bytes) == FileRead::Failed) return false;
    bytes += '\n';
    bytes += kEndMarkerLine;
    Profile profile;
    if (!ParseAllKeys(bytes, profile)) return false;
    profile.SetSpaces(false);
    const std::string sectionName = Utf8ToCp949(section);
    for (const ProfileKeyValue& entry : values) {
        const std::string keyName = StoredKeyName(profile, sectionName, Utf8ToCp949(entry.key));
        // Replaces every key of that name by one, in the place of the first.
        if (profile.SetValue(sectionName.c_str(), keyName.c_str(),
                             Utf8ToCp949(OneLine(entry.value)).c_str(), nullptr, true) < 0) {
            return false;
        }
    }
    FileAccess access = FileAccess::KeepMode;
    if (secret) {
        const char* held = profile.GetValue(Utf8ToCp949(secret->section).c_str(),
                                            Utf8ToCp949(secret->key).c_str());
        if (held != nullptr && *held != '\0') access = FileAccess::OwnerOnly;
    }
    std::string saved;
    if (profile.Save(saved) < 0) return false;
    return ReplaceFile(target, WithWindowsLineEnds(RemoveEndMarker(saved)), access);
}

ProfileEncoding DetectProfileEncoding(const std::filesystem::path& file) {
    std::string bytes;
    switch (ReadWholeFile(file, bytes)) {
        case FileRead::Missing:
            return ProfileEncoding::Missing;
        case FileRead::Failed:
            return ProfileEncoding::Unreadable;
        case FileRead::Done:
            break;
    }
    return EncodingOf(bytes);
}

}  // namespace platform
