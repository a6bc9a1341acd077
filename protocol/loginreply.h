#pragma once
// The login server's answer to a login request: result letter, account fields and extension items.
#include <string>
#include <vector>

inline constexpr int LOGIN_REPLY_SIZE = 1000;
inline constexpr int EXTENSION_NICKNAME = 2;

struct LoginReply {
    char result = 0;
    int customerNo = 0;
    std::string fileServerIp;
    int fileServerPort = 0;
    std::string latestVersion;
    std::string updateServerIp;
    std::string displayName;
    std::vector<std::string> extensionItems;  // "NN:value", in order; empty items kept
};

// answer: the zero-filled 1000-byte buffer holding `received` bytes. The account fields are read
// only for "Y"; the extension items only when more than 107 bytes arrived. Texts are UTF-8,
// trimmed of white space at both ends.
LoginReply ParseLoginReply(const char* answer, int received);

// The code of an extension item: its first two characters as a number.
int ExtensionCode(const std::string& item);
// The value of an extension item: from its fourth character on, empty when shorter.
std::string ExtensionValue(const std::string& item);

// The message shown for a refusal; empty for "Y".
std::string LoginResultMessage(char result);

// A newer version is announced (byte-wise comparison with our own) and there is somewhere to get
// it.
bool IsUpdateDue(const std::string& latestVersion, const std::string& updateServerIp);
