#pragma once
// Private-profile (INI) functions over a CP949 file, with the Windows meaning: the file is read at
// every call; a missing file, section or key gives the default; names match in any ASCII case.
// Texts in and out are UTF-8; the limits apply to the CP949 bytes on disk. A file edited by hand in
// UTF-8 is read as such; the next write turns it whole into CP949.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// The value (or the default), cut to size - 1 CP949 bytes without splitting a character.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t size,
                                    const std::filesystem::path& file);
// The value as a decimal integer; the default when the key is missing or empty; 0 when the
// value is not a number.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file);
// A key whose value is a secret: a write after which it holds a non-empty value leaves the file
// readable by its owner alone (group and other permission bits cleared).
struct ProfileSecret {
    std::string_view section;
    std::string_view key;
};
// One key and its new value.
struct ProfileKeyValue {
    std::string key;
    std::string value;
};

// Creates file and section when missing and sets the key, keeping every other section, key and
// comment. Written atomically (temporary file, then rename); a new file gets mode 0600, an
// existing one keeps its mode unless `secret` says otherwise.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& file,
                               const std::optional<ProfileSecret>& secret = std::nullopt);
// The same for several keys of one section in one write: the file takes all of them or none.
bool WritePrivateProfileKeys(std::string_view section, std::span<const ProfileKeyValue> values,
                             const std::filesystem::path& file,
                             const std::optional<ProfileSecret>& secret = std::nullopt);

// What a profile file's text is written in, as the functions above read it. CP949 is tried first:
// a file valid in both is CP949. A character CP949 cannot hold reads from a UTF-8 file as '?'.
enum class ProfileEncoding {
    Missing,     // no such file: every read gives its default
    Unreadable,  // there, but it cannot be read: the same
    Ascii,       // ASCII alone, which is both
    Cp949,
    Utf8,     // not CP949 but well-formed UTF-8, maybe behind a byte-order mark
    Unknown,  // neither: read as CP949, the bytes that are none as U+FFFD
};
ProfileEncoding DetectProfileEncoding(const std::filesystem::path& file);

}  // namespace platform
