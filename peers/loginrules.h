#pragma once
// How the login server reads the client's requests and what it answers, apart from the socket.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "peers/servicesettings.h"

namespace znlservice {

struct LoginJudgement {
    const Account* account = nullptr;  // the account of the request's ID, if any
    bool passwordMatches = false;
    std::string userId;               // UTF-8, as read from the request
    std::string password;             // UTF-8, decrypted
    std::string nickname;             // UTF-8, from the "02:" extension
    std::vector<std::string> faults;  // where the request's bytes break the record layout
};

struct FolderListRequest {
    int customerNo = 0;
    std::vector<std::string> folders;  // UTF-8, without their "01:" prefixes
};

LoginJudgement JudgeLoginRequest(std::string_view record, const std::vector<Account>& accounts);
// The letter the login is answered with: a forced one, else "N" (no such ID), "P" or "Y".
char LoginLetter(const LoginJudgement& judgement, const LoginFaults& faults);
// "Y" carries the account fields and the file server on 127.0.0.1; any other letter stands alone.
std::string BuildLoginAnswer(char letter, const Account* account, const ServiceSettings& settings,
                             std::uint16_t filePort);
FolderListRequest ParseFolderList(std::string_view record);
// A one-letter answer record (folder lists, greetings, refusals).
std::string BuildLetterAnswer(int code, char letter);

}  // namespace znlservice
