#pragma once
// The tray icon of each state of the session: the program's icon with a mark in its corner that
// tells the state apart by colour and by shape, and greyed while nobody is signed in.
#include <QPixmap>

enum class SessionState;

QPixmap TrayStateIcon(SessionState state);
