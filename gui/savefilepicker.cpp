#include "gui/savefilepicker.h"

#include <QFileDialog>

namespace {
std::function<std::optional<QString>(const QString&)> g_testHandler;
}

std::optional<QString> PickSaveFile(QWidget* parent, const QString& suggested,
                                    const QString& filter) {
    if (g_testHandler) return g_testHandler(suggested);
    const QString chosen = QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

void SetSaveFilePickerForTests(
    std::function<std::optional<QString>(const QString& suggested)> handler) {
    g_testHandler = std::move(handler);
}
