#include "core/updater.h"

#include <QProcess>
#include <QString>

void WriteUpdaterHandOver(const ProgramFolders& folders, const std::string& updateServerIp) {
    const SettingsFile settings(folders.settingsFile);
    settings.WriteText(ini::FTP, "IP", updateServerIp);
    settings.WriteText(ini::FTP, "Localfile", (folders.programDir / CLIENT_PROGRAM).string());
    settings.WriteText(ini::FTP, "Remotefile", CLIENT_PROGRAM);
    settings.WriteText(ini::FTP, "RunExe", "1");
}

void StartUpdater(const ProgramFolders& folders) {
    QProcess::startDetached(QString::fromStdString((folders.programDir / UPDATER_PROGRAM).string()),
                            {});
}
