#include "bench/procstat.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

double CpuSecondsIn(const std::string& statFile) {
    std::ifstream in(statFile);
    std::string text;
    if (!std::getline(in, text)) return -1;
    // The command name may hold blanks and parentheses: the fields count from its last ')'.
    const std::size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) return -1;
    std::istringstream fields(text.substr(nameEnd + 2));
    std::string field;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int skip = 3; skip < 14 && fields >> field; ++skip) {
    }
    long long userTicks = 0, systemTicks = 0;
    if (!(fields >> userTicks >> systemTicks)) return -1;
    return static_cast<double>(userTicks + systemTicks) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace

double ProcessCpuSeconds(pid_t pid) {
    return CpuSecondsIn("/proc/" + std::to_string(pid) + "/stat");
}

double MainThreadCpuSeconds(pid_t pid) {
    return CpuSecondsIn("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/stat");
}

double NamedThreadsCpuSeconds(pid_t pid, std::string_view name) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double seconds = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        if (comm != name) continue;
        const double taskSeconds = CpuSecondsIn((task.path() / "stat").string());
        if (taskSeconds > 0) seconds += taskSeconds;
    }
    return seconds;
}

double SettledCpuSeconds(pid_t pid) {
    // At rest once a quarter second passes without a clock tick of CPU, or after ten seconds.
    double seconds = ProcessCpuSeconds(pid);
    for (int wait = 0; wait < 40; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const double now = ProcessCpuSeconds(pid);
        if (now == seconds) break;
        seconds = now;
    }
    return seconds;
}

ProcessMemory ReadProcessMemory(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    ProcessMemory memory;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("VmRSS:")) memory.residentKb = std::stol(line.substr(6));
        if (line.starts_with("VmHWM:")) memory.peakKb = std::stol(line.substr(6));
    }
    return memory;
}
