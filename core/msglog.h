#pragma once
// The daily message log next to the executable: logs/YYYYMMDD/YYYYMMDD_Msg.txt, one UTF-8 line
// per activity line, each ending in "\r\n".
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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
// Whether a name is a day folder's: "%Y%m%d" of a date that exists.
bool IsDayFolderName(std::string_view name);

// Appends line + "\r\n" to the day's file, creating the folders when missing. A line that cannot be
// written is lost from the file only; the caller keeps it on screen. Returns whether it was
// written.
bool WriteMsgLog(const std::filesystem::path& moduleDir, std::time_t t, std::string_view line);

// Deletes the folder and everything below it; what cannot be deleted stays. Symbolic links are
// removed, never followed, so nothing outside the folder is touched. True when the folder is gone.
bool DeleteFolderTree(const std::filesystem::path& folder);

struct LogCleanUp {
    std::vector<std::filesystem::path> deleted;  // oldest first
    std::vector<std::filesystem::path> kept;     // old, but not (wholly) deletable
};
// Deletes the day folder of OldLogFolder(moduleDir, t) and every older one. Whatever else the log
// root holds (other names, symbolic links even with a day's name) stays.
LogCleanUp DeleteOldLogFolders(const std::filesystem::path& moduleDir, std::time_t t);
