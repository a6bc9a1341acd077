#include "peers/loginrules.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "peers/cp949text.h"
#include "peers/servicerecords.h"
#include "protocol/seed.h"

namespace znlservice {
namespace {

constexpr std::size_t kIdAt = 16, kIdWidth = 10;
constexpr std::size_t kPasswordAt = 26, kPasswordWidth = 50, kHexDigits = 32;
constexpr std::size_t kExtensionAt = 76;
constexpr std::string_view kKeyText = "wenlarbox";
constexpr const char* kFileServerAddress = "127.0.0.1";

using Block = std::array<std::uint8_t, 16>;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Exactly 32 lowercase hexadecimal digits and 18 blanks, as the client writes them.
bool DecodePasswordField(std::string_view field, Block& block) {
    if (field.size() != kPasswordWidth) return false;
    for (std::size_t i = 0; i < block.size(); ++i) {
        const int high = HexValue(field[2 * i]), low = HexValue(field[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        block[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return std::all_of(field.begin() + kHexDigits, field.end(), [](char c) { return c == ' '; });
}

Block DecryptPassword(Block block) {
    std::uint8_t key[16] = {};
    std::memcpy(key, kKeyText.data(), kKeyText.size());
    SeedRoundKeys roundKeys{};
    SeedMakeRoundKeys(roundKeys, key);
    SeedDecryptBlock(block.data(), roundKeys);
    return block;
}

// The block the client must have encrypted: the password's first 16 bytes, zero bytes after them
// (a longer password cannot fit the one block, so only its start is compared).
Block ExpectedPasswordBlock(const std::string& password) {
    Block block{};
    const std::string wire = WireText(password);
    std::memcpy(block.data(), wire.data(), std::min(wire.size(), block.size()));
    return block;
}

std::string ExtensionItems(const Account& account, const ServiceSettings& settings) {
    if (settings.extensionItems) return *settings.extensionItems;
    return account.nickname.empty() ? std::string() : "02:" + account.nickname;
}

}  // namespace

LoginJudgement JudgeLoginRequest(std::string_view record, const std::vector<Account>& accounts) {
    LoginJudgement judgement;
    if (record.size() < kExtensionAt)
        judgement.faults.push_back("login request of " + std::to_string(record.size()) + " bytes");
    const std::string idField(record.substr(std::min(kIdAt, record.size()), kIdWidth));
    if (idField.find('\0') != std::string::npos)
        judgement.faults.push_back("login ID field not padded with blanks");
    const std::string wireId = TrimTrailingBlanks(ReadText(record, kIdAt, kIdWidth));
    judgement.userId = FromCp949(wireId);
    for (const Account& account : accounts)
        if (WireText(account.userId).substr(0, kIdWidth) == wireId) judgement.account = &account;

    Block block{};
    const std::string_view passwordField =
        record.substr(std::min(kPasswordAt, record.size()), kPasswordWidth);
    if (DecodePasswordField(passwordField, block)) {
        const Block plain = DecryptPassword(block);
        const auto end = std::find(plain.begin(), plain.end(), 0);
        judgement.password = FromCp949(std::string(plain.begin(), end));
        judgement.passwordMatches =
            judgement.account && plain == ExpectedPasswordBlock(judgement.account->password);
    } else {
        judgement.faults.push_back("password field is not 32 lowercase hex digits and 18 blanks: " +
                                   std::string(passwordField));
    }

    if (record.size() > kExtensionAt) {
        const std::string_view extension = record.substr(kExtensionAt);
        if (extension.substr(0, 3) == "02:")
            judgement.nickname = FromCp949(extension.substr(3));
        else
            judgement.faults.push_back("login extension without 02:");
    }
    return judgement;
}

char LoginLetter(const LoginJudgement& judgement, const LoginFaults& faults) {
    if (faults.forcedLetter) return *faults.forcedLetter;
    if (!judgement.account) return 'N';
    return judgement.passwordMatches ? 'Y' : 'P';
}

std::string BuildLoginAnswer(char letter, const Account* account, const ServiceSettings& settings,
                             std::uint16_t filePort) {
    if (letter != 'Y' || !account) return BuildLetterAnswer(1002, letter);
    const std::string extensions = WireText(ExtensionItems(*account, settings));
    OutRecord answer(1002, 91 + extensions.size());
    answer.PutLetter(16, 'Y');
    answer.PutNumber(17, 10, account->customerNo);
    answer.PutText(27, 20, kFileServerAddress);
    answer.PutNumber(47, 5, filePort);
    answer.PutText(52, 15, WireText(settings.versionText));
    answer.PutText(67, 20, WireText(settings.updateAddress));
    answer.PutText(87, 20, WireText(settings.displayName));
    answer.PutText(107, extensions.size(), extensions);
    return answer.Bytes();
}

FolderListRequest ParseFolderList(std::string_view record) {
    FolderListRequest request;
    request.customerNo = static_cast<int>(ReadNumber(record, 16, 10));
    if (record.size() <= 26) return request;
    std::string_view list = record.substr(26);
    for (;;) {
        const std::size_t comma = list.find(',');
        std::string_view entry = list.substr(0, comma);
        if (entry.substr(0, 3) == "01:") entry.remove_prefix(3);
        request.folders.push_back(FromCp949(entry));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return request;
}

std::string BuildLetterAnswer(int code, char letter) {
    OutRecord answer(code, 1);
    answer.PutLetter(16, letter);
    return answer.Bytes();
}

}  // namespace znlservice
