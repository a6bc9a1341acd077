#pragma once
// The program's main window as the tray and its menu reach it: by its title, as the Windows
// program finds it, and brought back from hidden or minimised.
class QWidget;

// The top-level window titled with the program's title; null until the frame carries it.
QWidget* FindProgramWindow();

// Shown, in its normal state, in front and active.
void RestoreWindow(QWidget* window);

// Restored at the top-left corner of the screen, wherever it was before.
void RestoreWindowAtTopLeft(QWidget* window);
