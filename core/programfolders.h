#pragma once
// Where the program keeps what it writes for itself: next to the executable, as the Windows
// program does, when that folder can be written; otherwise (an installed program) in the user's
// XDG configuration and state folders.
#include <filesystem>
#include <optional>
#include <string>

// The folder below the user's XDG folders that holds the settings file and the logs.
inline constexpr char USER_FOLDER_NAME[] = "ZNLClient";

// The user's base folders, from the environment as the XDG base directory rules give them.
struct UserBaseFolders {
    std::filesystem::path config;  // $XDG_CONFIG_HOME, else ~/.config
    std::filesystem::path state;   // $XDG_STATE_HOME, else ~/.local/state

    // Nothing when neither the variable nor HOME is an absolute path.
    static std::optional<std::filesystem::path> Config();
    static std::optional<std::filesystem::path> State();
};

struct ProgramFolders {
    std::filesystem::path programDir;    // the executable's folder: the updater, the hand-over
    std::filesystem::path settingsFile;  // FsIni.ini
    std::filesystem::path logHome;       // the folder that holds "logs"
    bool inUserFolders = false;          // the program's own folder could not be written

    // Everything in one folder.
    static ProgramFolders At(const std::filesystem::path& programDir);
    static ProgramFolders Choose(const std::filesystem::path& programDir, bool programDirWritable,
                                 const UserBaseFolders& user);
    // For the running executable.
    static ProgramFolders OfExecutable();

    std::filesystem::path SettingsFolder() const { return settingsFile.parent_path(); }
};
