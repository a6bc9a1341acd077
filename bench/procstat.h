#pragma once
// What the kernel counts for another process: its CPU time and its memory.
#include <sys/types.h>

// User and system CPU seconds so far of every thread of `pid`, or of its main thread alone (the
// one that runs the event loop and paints a window); -1 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);
double MainThreadCpuSeconds(pid_t pid);

struct ProcessMemory {
    long residentKb = -1;  // VmRSS
    long peakKb = -1;      // VmHWM, the most resident it ever was
};
ProcessMemory ReadProcessMemory(pid_t pid);
