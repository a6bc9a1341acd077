#pragma once
// What the kernel counts for another process: its CPU time and its memory.
#include <sys/types.h>

#include <string_view>

// User and system CPU seconds so far of every thread of `pid`, or of its main thread alone (the
// one that runs the event loop and paints a window); -1 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);
double MainThreadCpuSeconds(pid_t pid);
// The same for the threads of `pid` that carry this name (platform::NameThisThread); 0 for none.
double NamedThreadsCpuSeconds(pid_t pid, std::string_view name);
// ProcessCpuSeconds once the process has come to rest: work handed to other threads during a
// delivery may end after its last answer, and counts too.
double SettledCpuSeconds(pid_t pid);

struct ProcessMemory {
    long residentKb = -1;  // VmRSS
    long peakKb = -1;      // VmHWM, the most resident it ever was
};
ProcessMemory ReadProcessMemory(pid_t pid);
