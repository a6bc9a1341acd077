#include "gui/programwindow.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

#include "protocol/programinfo.h"

QWidget* FindProgramWindow() {
    const QString title = QString::fromUtf8(APP_TITLE);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // Message boxes carry the same title; the main window is the one that is no dialog.
        if (window->windowTitle() == title && !qobject_cast<QDialog*>(window)) return window;
    }
    return nullptr;
}

void RestoreWindow(QWidget* window) {
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void RestoreWindowAtTopLeft(QWidget* window) {
    // Moved before it is shown, so it never flashes up at its old place.
    window->move(0, 0);
    RestoreWindow(window);
}
