#include "platform/modulepath.h"

namespace platform {

std::filesystem::path ExecutablePath() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe;
}

std::filesystem::path ExecutableDir() {
    const std::filesystem::path exe = ExecutablePath();
    if (!exe.empty()) return exe.parent_path();
    std::error_code error;
    return std::filesystem::current_path(error);
}

}  // namespace platform
