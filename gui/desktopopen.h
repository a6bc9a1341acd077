#pragma once
// Local files and folders handed to the desktop, which opens each with the user's program for it
// (a folder in the file manager, a photo in the picture viewer).
#include <QString>

// False when the desktop has no program for it or could not start one.
bool OpenWithDesktop(const QString& localPath);
