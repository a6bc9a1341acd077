#pragma once
// The platform's chooser of a file name to save under. Tests replace it by a handler so that
// nothing waits for a user; production code never does.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

// Shows the chooser with `suggested` (a path) filled in; the chosen path, or nothing when the user
// cancels.
std::optional<QString> PickSaveFile(QWidget* parent, const QString& suggested,
                                    const QString& filter);

// Replaces the chooser by the handler, which receives the suggested path and returns the choice;
// an empty handler restores the real chooser.
void SetSaveFilePickerForTests(
    std::function<std::optional<QString>(const QString& suggested)> handler);
