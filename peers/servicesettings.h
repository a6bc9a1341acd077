#pragma once
// What the stand-in serves and how it misbehaves. Texts are UTF-8 and go out as CP949, except the
// fields named "wire", which go out exactly as given.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace znlservice {

inline constexpr const char* kClientProgramVersion = "v.2018.04.06.02";

struct Account {
    std::string userId;
    std::string password;
    int customerNo = 0;
    std::string nickname;
};

// A file pushed with the header bytes given, so names such as "..\..\x" reach the client untouched.
struct VerbatimFile {
    std::string wireFolder;
    std::string wireName;
    std::string bytes;
    std::string wireCompanion;  // the header's trailing companion list; empty: none
};

enum class SubBlockOrder {
    InOrder,
    LastFirst,  // the block's last sub-block first, then the others in order
    Twice,      // every sub-block sent twice in a row
};

struct Trickle {
    int pieceBytes = 0;  // 0: every record goes out in one send
    int pauseMs = 20;
};

struct LoginFaults {
    std::optional<char> forcedLetter;  // every login is answered with this byte alone (17 bytes)
    bool silent = false;               // requests are read and recorded, never answered
    bool oversizedAnswer = false;      // the answer's length field announces 99999999 bytes
    Trickle trickle;
};

struct FileFaults {
    bool refuseGreeting = false;       // every greeting is answered "N"
    bool silentAfterGreeting = false;  // the greeting is read and recorded, never answered
    bool oversizedRecord = false;      // after the greeting answer, a record longer than any buffer
    int dropAfterSubBlocks = 0;  // > 0: the connection ends once that many sub-blocks were answered
    std::set<int> omitOnFirstPass;  // sub-block numbers left out of every block's first pass
    SubBlockOrder order = SubBlockOrder::InOrder;
    bool wrongBlockCheck = false;  // every block's first check names the following block number
    std::optional<int>
        headerCustomerNo;  // file headers carry this number instead of the greeting's
    Trickle trickle;
};

struct ServiceSettings {
    std::uint16_t loginPort = 0;  // 0: any free port
    std::uint16_t filePort = 0;
    std::vector<Account> accounts;
    // Every regular file below it is pushed to each accepted customer, in path order. A file
    // NAME.companion beside NAME holds NAME's companion list and is not pushed itself.
    std::filesystem::path folder;
    std::vector<VerbatimFile> verbatimFiles;  // pushed after the folder's files
    std::string versionText = kClientProgramVersion;
    std::string updateAddress;
    std::string displayName = "znl-service";
    std::optional<std::string> extensionItems;  // unset: "02:" and the account's nickname, if any
    bool refuseFolderList = false;
    int keepAliveMs = 20000;  // keep-alive period on an idle file-server line; 0: none
    // > 0: an idle file-server line looks at the folder again this often and pushes what is new.
    int rescanMs = 0;
    LoginFaults login;
    FileFaults file;
    // One line per finished exchange, called from the connections' threads, possibly at once
    // (the program prints them).
    std::function<void(const std::string&)> onEvent;
};

inline void ReportEvent(const ServiceSettings& settings, const std::string& line) {
    if (settings.onEvent) settings.onEvent(line);
}

}  // namespace znlservice
