#pragma once
// The platform's folder chooser. Tests replace it by a handler so that nothing waits for a user;
// production code never does.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

// Shows the chooser opened at `startFolder`; the chosen folder's absolute path, or nothing when
// the user cancels.
std::optional<QString> PickFolder(QWidget* parent, const QString& startFolder);

// Replaces the chooser by the handler, which receives the start folder and returns the choice;
// an empty handler restores the real chooser.
void SetFolderPickerForTests(
    std::function<std::optional<QString>(const QString& startFolder)> handler);
