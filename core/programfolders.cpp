#include "core/programfolders.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/modulepath.h"

namespace {

// A relative value is to be ignored, as the XDG rules say.
std::filesystem::path BaseFolder(const char* variable, const std::filesystem::path& fallback) {
    const char* value = std::getenv(variable);
    if (value && std::filesystem::path(value).is_absolute()) return value;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/") / fallback;
}

}  // namespace

UserBaseFolders UserBaseFolders::FromEnvironment() {
    return {BaseFolder("XDG_CONFIG_HOME", ".config"), BaseFolder("XDG_STATE_HOME", ".local/state")};
}

ProgramFolders ProgramFolders::At(const std::filesystem::path& programDir) {
    return {programDir, programDir / "FsIni.ini", programDir, false};
}

ProgramFolders ProgramFolders::Choose(const std::filesystem::path& programDir,
                                      bool programDirWritable, const UserBaseFolders& user) {
    if (programDirWritable) return At(programDir);
    return {programDir, user.config / USER_FOLDER_NAME / "FsIni.ini", user.state / USER_FOLDER_NAME,
            true};
}

ProgramFolders ProgramFolders::OfExecutable() {
    const std::filesystem::path programDir = platform::ExecutableDir();
    return Choose(programDir, ::access(programDir.c_str(), W_OK) == 0,
                  UserBaseFolders::FromEnvironment());
}
