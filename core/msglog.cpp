#include "core/msglog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/clock.h"

namespace fs = std::filesystem;

std::string FormatLogLine(std::time_t t, std::string_view text) {
    std::string line = platform::FormatLocalTime(t, "[%H:%M:%S] ");
    line.append(text);
    return line;
}

fs::path LogRoot(const fs::path& moduleDir) {
    return moduleDir / "logs";
}

fs::path DayLogFolder(const fs::path& moduleDir, std::time_t t) {
    return LogRoot(moduleDir) / platform::FormatLocalTime(t, "%Y%m%d");
}

fs::path DayLogFile(const fs::path& moduleDir, std::time_t t) {
    return DayLogFolder(moduleDir, t) / (platform::FormatLocalTime(t, "%Y%m%d") + "_Msg.txt");
}

fs::path OldLogFolder(const fs::path& moduleDir, std::time_t t) {
    return DayLogFolder(moduleDir, t - static_cast<std::time_t>(LOG_KEEP_DAYS) * 86400);
}

bool IsDayFolderName(std::string_view name) {
    if (name.size() != 8 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto number = [name](size_t at, size_t count) {
        int value = 0;
        for (char c : name.substr(at, count)) value = value * 10 + (c - '0');
        return value;
    };
    std::tm day{};
    day.tm_year = number(0, 4) - 1900;
    day.tm_mon = number(4, 2) - 1;
    day.tm_mday = number(6, 2);
    day.tm_hour = 12;
    // timegm moves a day that does not exist (31 April) into the next month.
    std::tm check = day;
    timegm(&check);
    return check.tm_year == day.tm_year && check.tm_mon == day.tm_mon &&
           check.tm_mday == day.tm_mday;
}

bool WriteMsgLog(const fs::path& moduleDir, std::time_t t, std::string_view line) {
    std::error_code ignored;
    fs::create_directories(DayLogFolder(moduleDir, t), ignored);
    int fd =
        ::open(DayLogFile(moduleDir, t).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write per record, so a line from another process never lands inside it.
    std::string record(line);
    record += "\r\n";
    ssize_t written = ::write(fd, record.data(), record.size());
    ::close(fd);
    return written == static_cast<ssize_t>(record.size());
}

bool DeleteFolderTree(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error))) return false;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            DeleteFolderTree(it->path());
        } else {
            fs::remove(it->path(), ignored);
        }
    }
    std::error_code removal;
    return fs::remove(folder, removal);
}

LogCleanUp DeleteOldLogFolders(const fs::path& moduleDir, std::time_t t) {
    const std::string lastOldDay = OldLogFolder(moduleDir, t).filename().string();
    // Names of the same length in digits order as their days do.
    std::vector<fs::path> old;
    std::error_code error;
    for (fs::directory_iterator it(LogRoot(moduleDir), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (IsDayFolderName(name) && name <= lastOldDay && !it->is_symlink(ignored) &&
            it->is_directory(ignored)) {
            old.push_back(it->path());
        }
    }
    std::sort(old.begin(), old.end());
    LogCleanUp result;
    for (const fs::path& folder : old) {
        (DeleteFolderTree(folder) ? result.deleted : result.kept).push_back(folder);
    }
    return result;
}
