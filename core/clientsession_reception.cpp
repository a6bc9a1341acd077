// What the reception threads report about the photo save folder and the disk below it.
#include "core/clientsession.h"

void ClientSession::SetSaveFolderProblem(const std::string& reason) {
    if (reason == m_saveFolderProblem) return;
    m_saveFolderProblem = reason;
    if (reason.empty()) {
        Log("사진 저장 폴더를 다시 쓸 수 있음: " + SaveFolder());
    } else {
        Log(reason + " - 폴더를 쓸 수 있게 되면 받습니다.");
    }
    Q_EMIT saveFolderProblem(QString::fromStdString(reason));
}

void ClientSession::SetDiskProblem(const std::string& reason) {
    // Each failed write has its own line already; the faces hear of the change only.
    if (reason == m_diskProblem) return;
    m_diskProblem = reason;
    Q_EMIT diskProblem(QString::fromStdString(reason));
}
