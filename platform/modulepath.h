#pragma once
#include <filesystem>

namespace platform {
// The running executable (from /proc/self/exe); empty when that cannot be read.
std::filesystem::path ExecutablePath();
// The folder of the running executable, without a trailing separator; the current folder when
// the executable's path cannot be read.
std::filesystem::path ExecutableDir();
}  // namespace platform
