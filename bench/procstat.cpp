#include "bench/procstat.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

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
