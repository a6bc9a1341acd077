#include "core/msglog.h"

#include <fcntl.h>
#include <unistd.h>

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

void DeleteFolderTree(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error))) return;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            DeleteFolderTree(it->path());
        } else {
            fs::remove(it->path(), ignored);
        }
    }
    std::error_code ignored;
    fs::remove(folder, ignored);
}
