#pragma once
// Private-profile (INI) functions over a CP949 file, with the Windows meaning: the file is read at
// every call; a missing file, section or key gives the default; names match in any ASCII case.
// Texts in and out are UTF-8; the limits apply to the CP949 bytes on disk.
#include <filesystem>
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
// Creates file and section when missing and sets the key, keeping every other section, key and
// comment. Written atomically (temporary file, then rename); a new file gets mode 0600.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& file);

}  // namespace platform
