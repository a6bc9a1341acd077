#pragma once
// Hand-over to the separate updater program when the login server announces a newer version.
#include <string>

#include "core/settings.h"

inline constexpr char UPDATER_PROGRAM[] = "TavenFTPClient";
inline constexpr char CLIENT_PROGRAM[] = "ZNLClient";

// The "FTP" section the updater reads: where to get the update and which file to replace. False
// when the settings file could not be written.
bool WriteUpdaterHandOver(const ProgramFolders& folders, const std::string& updateServerIp);
// Whether an updater the client can start lies next to the executable.
bool UpdaterPresent(const ProgramFolders& folders);
// Starts the updater next to the executable, detached, in the current folder; false when it did
// not start.
bool StartUpdater(const ProgramFolders& folders);
