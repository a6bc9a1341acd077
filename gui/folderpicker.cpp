#include "gui/folderpicker.h"

#include <QFileDialog>

namespace {
std::function<std::optional<QString>(const QString&)> g_testHandler;
}

std::optional<QString> PickFolder(QWidget* parent, const QString& startFolder) {
    if (g_testHandler) return g_testHandler(startFolder);
    const QString chosen = QFileDialog::getExistingDirectory(parent, QString(), startFolder);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

void SetFolderPickerForTests(
    std::function<std::optional<QString>(const QString& startFolder)> handler) {
    g_testHandler = std::move(handler);
}
