#pragma once
#include <filesystem>

namespace platform {
// The folder of the running executable (from /proc/self/exe), without a trailing separator.
std::filesystem::path ExecutableDir();
}  // namespace platform
