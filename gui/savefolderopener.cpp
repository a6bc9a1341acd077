#include "gui/savefolderopener.h"

#include <QDesktopServices>
#include <QUrl>

#include "core/clientsession.h"

void OpenSaveFolder(ClientSession& session) {
    const std::string folder = session.SaveFolder();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)))) {
        session.Log("사진 저장 폴더를 열 수 없음: " + folder);
    }
}
