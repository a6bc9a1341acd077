#include "peers/commandline.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>

namespace znlservice {
namespace {

constexpr const char* kUsage = R"(Usage: znl-service [OPTION]...
A stand-in for the photo service: a login server and a file server on 127.0.0.1.
It first prints one line "znl-service login=PORT file=PORT", then one line per finished
exchange, and runs until SIGINT or SIGTERM.

Accounts and files:
  --account ID:PASSWORD:CUSTNO[:NICKNAME]  an account (repeatable)
  --accounts-file FILE     accounts, one ID:PASSWORD:CUSTNO[:NICKNAME] a line, # comments
  --folder DIR             push every file below DIR to each accepted customer; a file
                           NAME.companion beside NAME holds its companion list (01:text)
  --login-port PORT        login server port (default 0: any free port)
  --file-port PORT         file server port (default 0: any free port)
Login answers:
  --version-text TEXT      current program version (default v.2018.04.06.02)
  --update-address TEXT    update-server address (default empty: no update)
  --display-name TEXT      display name (default znl-service)
  --extensions TEXT        extension items (default 02:NICKNAME of the account)
  --refuse-login LETTER    answer every login with LETTER alone (E, N, P, S or any byte)
  --refuse-folder-list     answer folder-list uploads with N
File server:
  --keepalive-ms MS        keep-alive period on an idle line (default 20000; 0: none)
  --rescan-ms MS           on an idle line, look at the folder again every MS and push
                           the files not delivered yet (default 0: never)
  --refuse-greeting        answer every greeting with N
Faults:
  --silent-login           read login requests, never answer them
  --oversized-login-answer answer logins under a length field of 99999999
  --silent-greeting        read greetings, never answer them
  --oversized-record       after the greeting answer, a record of length 99999999
  --drop-after N           end the connection once N sub-blocks were answered
  --omit N[,N...]          leave these sub-blocks out of every block's first pass
  --order in|last-first|twice
                           sub-block order within a block's first pass
  --wrong-block-check      every block's first check names the next block number
  --header-customer N      file headers carry customer number N
  --trickle BYTES[:MS]     send every record in pieces of BYTES with MS pauses (default 20)
  --help                   this text
)";

bool ToInt(const std::string& text, int& value, int low, int high) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end && value >= low && value <= high;
}

bool ParseAccount(const std::string& text, Account& account) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || first == 0) return false;
    const std::size_t third = text.find(':', second + 1);
    account.userId = text.substr(0, first);
    account.password = text.substr(first + 1, second - first - 1);
    account.nickname = third == std::string::npos ? std::string() : text.substr(third + 1);
    const std::string number = text.substr(second + 1, third - second - 1);
    return ToInt(number, account.customerNo, 0, std::numeric_limits<int>::max());
}

bool ReadAccountsFile(const std::string& path, std::vector<Account>& accounts, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        Account account;
        if (!ParseAccount(line, account)) {
            error = "bad account line in " + path + ": " + line;
            return false;
        }
        accounts.push_back(account);
    }
    return true;
}

bool ParseNumberList(const std::string& text, std::set<int>& numbers) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        int number = 0;
        if (!ToInt(text.substr(start, comma - start), number, 1, 101)) return false;
        numbers.insert(number);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

bool ParseTrickle(const std::string& text, Trickle& trickle) {
    const std::size_t colon = text.find(':');
    if (!ToInt(text.substr(0, colon), trickle.pieceBytes, 1, 1 << 20)) return false;
    return colon == std::string::npos || ToInt(text.substr(colon + 1), trickle.pauseMs, 0, 60000);
}

bool ParseOrder(const std::string& text, SubBlockOrder& order) {
    static const std::map<std::string, SubBlockOrder> kOrders = {
        {"in", SubBlockOrder::InOrder},
        {"last-first", SubBlockOrder::LastFirst},
        {"twice", SubBlockOrder::Twice}};
    const auto found = kOrders.find(text);
    if (found == kOrders.end()) return false;
    order = found->second;
    return true;
}

bool ParsePort(const std::string& text, std::uint16_t& port) {
    int value = 0;
    if (!ToInt(text, value, 0, 65535)) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

// Applies one option that takes a value; false when the value is not understood.
bool ApplyValue(const std::string& option, const std::string& value, ServiceSettings& s,
                std::string& error) {
    int number = 0;
    if (option == "--account") {
        Account account;
        if (!ParseAccount(value, account)) return false;
        s.accounts.push_back(account);
        return true;
    }
    if (option == "--accounts-file") return ReadAccountsFile(value, s.accounts, error);
    if (option == "--folder") {
        s.folder = value;
        if (!std::filesystem::is_directory(s.folder)) error = "no folder " + value;
        return error.empty();
    }
    if (option == "--login-port") return ParsePort(value, s.loginPort);
    if (option == "--file-port") return ParsePort(value, s.filePort);
    const std::map<std::string, std::string*> texts = {{"--version-text", &s.versionText},
                                                       {"--update-address", &s.updateAddress},
                                                       {"--display-name", &s.displayName}};
    if (const auto text = texts.find(option); text != texts.end()) {
        *text->second = value;
        return true;
    }
    if (option == "--extensions") {
        s.extensionItems = value;
        return true;
    }
    if (option == "--refuse-login") {
        if (value.size() == 1) s.login.forcedLetter = value[0];
        return value.size() == 1;
    }
    if (option == "--keepalive-ms")
        return ToInt(value, s.keepAliveMs, 0, std::numeric_limits<int>::max());
    if (option == "--rescan-ms")
        return ToInt(value, s.rescanMs, 0, std::numeric_limits<int>::max());
    if (option == "--drop-after")
        return ToInt(value, s.file.dropAfterSubBlocks, 1, std::numeric_limits<int>::max());
    if (option == "--omit") return ParseNumberList(value, s.file.omitOnFirstPass);
    if (option == "--order") return ParseOrder(value, s.file.order);
    if (option == "--header-customer") {
        if (!ToInt(value, number, 0, std::numeric_limits<int>::max())) return false;
        s.file.headerCustomerNo = number;
        return true;
    }
    if (option == "--trickle")
        return ParseTrickle(value, s.login.trickle) && ParseTrickle(value, s.file.trickle);
    error = "unknown option " + option;
    return false;
}

bool ApplySwitch(const std::string& option, ServiceSettings& s) {
    const std::map<std::string, bool*> switches = {
        {"--refuse-folder-list", &s.refuseFolderList},
        {"--refuse-greeting", &s.file.refuseGreeting},
        {"--silent-login", &s.login.silent},
        {"--oversized-login-answer", &s.login.oversizedAnswer},
        {"--silent-greeting", &s.file.silentAfterGreeting},
        {"--oversized-record", &s.file.oversizedRecord},
        {"--wrong-block-check", &s.file.wrongBlockCheck}};
    const auto found = switches.find(option);
    if (found == switches.end()) return false;
    *found->second = true;
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        std::string option = arguments[i];
        if (option == "--help" || option == "-h") {
            line.help = true;
            continue;
        }
        if (ApplySwitch(option, line.settings)) continue;
        std::string value;
        if (const std::size_t equals = option.find('='); equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            line.error = "no such option, or no value for it: " + option;
            break;
        }
        if (!ApplyValue(option, value, line.settings, line.error) && line.error.empty())
            line.error = "bad value for " + option + ": " + value;
    }
    return line;
}

const char* UsageText() {
    return kUsage;
}

}  // namespace znlservice
