#pragma once
// The signed-in user and the result of the last login exchange.
#include <string>

struct AccountInfo {
    std::string userId;
    std::string password;
    int customerNo = 0;
    std::string fileServerIp;
    int fileServerPort = 0;
    bool loginOk = false;
    bool fileReconnect = false;  // one-shot permission to reconnect the file server
    std::string loginMessage;
    char loginResult = 0;
    std::string latestVersion;
    std::string updateServerIp;
    int fileSlot = -1;  // no file-server connection yet
};
