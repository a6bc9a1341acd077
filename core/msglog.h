#pragma once
// The daily message log next to the executable: logs/YYYYMMDD/YYYYMMDD_Msg.txt, one UTF-8 line
// per activity line, each ending in "\r\n".
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

inline constexpr int LOG_KEEP_DAYS = 60;

// "[hh:mm:ss] " with the local time t, then the text unchanged.
std::string FormatLogLine(std::time_t t, std::string_view text);

// One root for every spelling the program uses ("Logs" at start-up, "logs" for the day folders):
// the file system here tells letter case apart, so there is only "logs".
std::filesystem::path LogRoot(const std::filesystem::path& moduleDir);
std::filesystem::path DayLogFolder(const std::filesystem::path& moduleDir, std::time_t t);
std::filesystem::path DayLogFile(const std::filesystem::path& moduleDir, std::time_t t);
// The day folder of exactly LOG_KEEP_DAYS * 86400 seconds before t.
std::filesystem::path OldLogFolder(const std::filesystem::path& moduleDir, std::time_t t);

// Appends line + "\r\n" to the day's file, creating the folders when missing. A line that cannot be
// written is lost from the file only; the caller keeps it on screen. Returns whether it was
// written.
bool WriteMsgLog(const std::filesystem::path& moduleDir, std::time_t t, std::string_view line);

// Deletes the folder and everything below it; what cannot be deleted stays. Symbolic links are
// removed, never followed, so nothing outside the folder is touched.
void DeleteFolderTree(const std::filesystem::path& folder);
