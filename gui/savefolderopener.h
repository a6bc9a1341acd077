#pragma once
// Opens the photo save folder in the desktop's file manager, for the tray menu and the window.
class ClientSession;

// A line in the session's log says so when the desktop cannot open it.
void OpenSaveFolder(ClientSession& session);
