#include "core/programfolders.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/modulepath.h"

namespace {

// A relative path in an XDG variable is to be ignored.
std::optional<std::filesystem::path> AbsolutePathIn(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || !std::filesystem::path(value).is_absolute()) return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> BaseFolder(const char* variable, const char* belowHome) {
    if (std::optional<std::filesystem::path> folder = AbsolutePathIn(variable)) return folder;
    if (std::optional<std::filesystem::path> home = AbsolutePathIn("HOME"))
        return *home / belowHome;
    return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> UserBaseFolders::Config() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> UserBaseFolders::State() {
    return BaseFolder("XDG_STATE_HOME", ".local/state");
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
    const std::optional<std::filesystem::path> config = UserBaseFolders::Config();
    const std::optional<std::filesystem::path> state = UserBaseFolders::State();
    // Without a home there is nowhere else: the program's folder it is, writable or not.
    const bool besideProgram = ::access(programDir.c_str(), W_OK) == 0 || !config || !state;
    return Choose(programDir, besideProgram, {config.value_or(""), state.value_or("")});
}
