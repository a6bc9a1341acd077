#pragma once
// Local files and folders handed to the desktop, which opens each with the user's program for it
// (a folder in the file manager, a photo in the picture viewer).
#include <QString>

// False when the desktop has no program for it or could not start one.
bool OpenWithDesktop(const QString& localPath);

class ClientSession;

// The photo save folder in the file manager; a line in the session's log says so when the desktop
// cannot open it.
void OpenSaveFolder(ClientSession& session);
