#include "core/updater.h"

#include <QProcess>
#include <QString>

#include "core/settings.h"

void WriteUpdaterHandOver(const std::string& updateServerIp) {
    ini::WriteText(ini::FTP, "IP", updateServerIp);
    ini::WriteText(ini::FTP, "Localfile", g_szModuleDir + "/" + CLIENT_PROGRAM);
    ini::WriteText(ini::FTP, "Remotefile", CLIENT_PROGRAM);
    ini::WriteText(ini::FTP, "RunExe", "1");
}

void StartUpdater() {
    QProcess::startDetached(QString::fromStdString(g_szModuleDir + "/" + UPDATER_PROGRAM), {});
}
