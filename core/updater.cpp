#include "core/updater.h"

#include <unistd.h>
#include <QProcess>
#include <QString>

#include <filesystem>

bool WriteUpdaterHandOver(const ProgramFolders& folders, const std::string& updateServerIp) {
    return SettingsFile(folders.settingsFile)
        .WriteTexts(ini::FTP, {{"IP", updateServerIp},
                               {"Localfile", (folders.programDir / CLIENT_PROGRAM).string()},
                               {"Remotefile", CLIENT_PROGRAM},
                               {"RunExe", "1"}});
}

bool UpdaterPresent(const ProgramFolders& folders) {
    const std::filesystem::path updater = folders.programDir / UPDATER_PROGRAM;
    return std::filesystem::is_regular_file(updater) && ::access(updater.c_str(), X_OK) == 0;
}

bool StartUpdater(const ProgramFolders& folders) {
    return QProcess::startDetached(
        QString::fromStdString((folders.programDir / UPDATER_PROGRAM).string()), {});
}
