#include "gui/messagebox.h"

#include <QMessageBox>

namespace {
std::function<int(const QString&, const QString&)> g_testHandler;
}

int MessageBox(QWidget* parent, const QString& text, const QString& caption, UINT type) {
    if (g_testHandler) return g_testHandler(text, caption);
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    // The service's messages carry Windows line breaks.
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (type == MB_YESNO) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

void SetMessageBoxHandlerForTests(
    std::function<int(const QString& text, const QString& caption)> handler) {
    g_testHandler = std::move(handler);
}
