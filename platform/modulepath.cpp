#include "platform/modulepath.h"

namespace platform {

std::filesystem::path ExecutableDir() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error);
    return exe.parent_path();
}

}  // namespace platform
