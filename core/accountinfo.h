#pragma once
// The signed-in user and the last login result. Copied member by member: a reception thread
// receives its own copy through WM_GET_ACCOUNT.
#include <string>

#include "platform/wintypes.h"

struct AccountInfo {
    std::string strUserId;
    std::string strPassword;
    int nCustomerNo = 0;
    std::string strFileServerIp;
    int nFileServerPort = 0;
    HWND hLoginDlg = HWND::Null;  // the dialog waiting for the result of an attempt
    int bLoginOk = 0;
    int bFileReconnect = 0;  // one-shot permission to reconnect the file server
    std::string strLoginMsg;
    char chLoginResult = 0;
    std::string strLatestVersion;
    std::string strUpdateServerIp;
    int nFileSlot = -1;  // no file-server connection yet
};
