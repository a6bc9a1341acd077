#pragma once
// The user's XDG autostart entry for the client, znlclient.desktop: while it exists, the desktop
// starts the client at login. It lives in $XDG_CONFIG_HOME/autostart, or in ~/.config/autostart
// when that variable is unset or not an absolute path.
#include <filesystem>
#include <optional>
#include <string>

// Where the entry stands after an operation. A failed one says why, for the user: the path
// concerned and what the system answered.
struct AutostartState {
    bool present = false;  // false too when that could not be found out
    std::optional<std::string> failure;
};

AutostartState QueryAutostart();
// Writes the entry to start the executable (an absolute path), making the folder when missing. An
// entry already there is replaced whole, at once: a reader sees the old one or the new one.
AutostartState EnableAutostart(const std::filesystem::path& executable);
// Removes the entry; when there is none, nothing is to be done.
AutostartState DisableAutostart();
