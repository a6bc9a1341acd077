#include "gui/desktopopen.h"

#include <QDesktopServices>
#include <QUrl>

bool OpenWithDesktop(const QString& localPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(localPath));
}
