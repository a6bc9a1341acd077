#include "core/updater.h"

#include <unistd.h>
#include <QProcess>
#include <QString>

#include <filesystem>

void WriteUpdaterHandOver(const ProgramFolders& folders, const std::string& updateServerIp) {
    const SettingsFile settings(folders.settingsFile);
    settings.WriteText(ini::FTP, "IP", updateServerIp);
    settings.WriteText(ini::FTP, "Localfile", (folders.programDir / CLIENT_PROGRAM).string());
    settings.WriteText(ini::FTP, "Remotefile", CLIENT_PROGRAM);
    settings.WriteText(ini::FTP, "RunExe", "1");
}

bool UpdaterPresent(const ProgramFolders& folders) {
    const std::filesystem::path updater = folders.programDir / UPDATER_PROGRAM;
    return std::filesystem::is_regular_file(updater) && ::access(updater.c_str(), X_OK) == 0;
}

bool StartUpdater(const ProgramFolders& folders) {
    return QProcess::startDetached(
        QString::fromStdString((folders.programDir / UPDATER_PROGRAM).string()), {});
}
