#include "gui/desktopopen.h"

#include <QDesktopServices>
#include <QUrl>

#include "core/clientsession.h"

bool OpenWithDesktop(const QString& localPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(localPath));
}

void OpenSaveFolder(ClientSession& session) {
    const std::string folder = session.SaveFolder();
    if (!OpenWithDesktop(QString::fromStdString(folder))) {
        session.Log("사진 저장 폴더를 열 수 없음: " + folder);
    }
}
