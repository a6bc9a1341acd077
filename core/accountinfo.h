#pragma once
// The signed-in user and the result of the last login exchange (whether a user is signed in is
// the run context's, which the reception threads read too).
#include <string>

struct AccountInfo {
    std::string userId;
    std::string password;
    int customerNo = 0;
    std::string fileServerIp;
    int fileServerPort = 0;
    // The file-server connection that was open at the last nickname change: its end is not
    // reconnected. -1: none.
    int fileSlotNotReconnected = -1;
    char loginResult = 0;
    std::string latestVersion;
    std::string updateServerIp;
    int fileSlot = -1;  // no file-server connection yet
};
