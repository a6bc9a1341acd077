#include "protocol/loginreply.h"

#include <algorithm>
#include <cstring>

#include "protocol/cp949.h"
#include "protocol/programinfo.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kExtensionOffset = 107;

std::string Trimmed(std::string text) {
    const char* blanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string TextField(const char* answer, int offset, int width) {
    return platform::Cp949ToUtf8(Trimmed(GetTextField(answer, offset, width)));
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    items.push_back(text.substr(start));
    return items;
}

}  // namespace

LoginReply ParseLoginReply(const char* answer, int received) {
    LoginReply reply;
    reply.result = answer[16];
    if (reply.result != 'Y') return reply;
    reply.customerNo = GetIntField(answer, 17, 10);
    reply.fileServerIp = TextField(answer, 27, 20);
    reply.fileServerPort = GetIntField(answer, 47, 5);
    reply.latestVersion = TextField(answer, 52, 15);
    reply.updateServerIp = TextField(answer, 67, 20);
    reply.displayName = TextField(answer, 87, 20);
    if (received > kExtensionOffset) {
        const char* extension = answer + kExtensionOffset;
        const size_t length = strnlen(extension, LOGIN_REPLY_SIZE - kExtensionOffset);
        const std::string text = platform::Cp949ToUtf8(std::string_view(extension, length));
        reply.extensionItems = SplitAtCommas(text);
    }
    return reply;
}

int ExtensionCode(const std::string& item) {
    char code[3] = {};
    std::memcpy(code, item.data(), std::min<size_t>(2, item.size()));
    return GetIntField(code, 0, 2);
}

std::string ExtensionValue(const std::string& item) {
    return item.size() > 3 ? item.substr(3) : std::string();
}

std::string LoginResultMessage(char result) {
    switch (result) {
        case 'Y':
            return {};
        case 'E':
            return "기간 만료 입니다!\r\n사용기간을 확인 해 주세요!";
        case 'N':
            return "미등록 고객입니다!\r\n아이디와 패스워드를 확인 해 주세요!";
        case 'P':
            return "패스워드 오류 입니다!\r\n아이디와 패스워드를 확인 해 주세요!";
        case 'S':
            return "ZNL프로그램이 다른 쪽에서 실행되구 있습니다!";
        default:
            return "알수 없는 오류 발생!\r\n다시 시도 해주세요!";
    }
}

bool IsUpdateDue(const std::string& latestVersion, const std::string& updateServerIp) {
    // std::string compares as unsigned bytes, a prefix sorting first: strcmp's order.
    return !updateServerIp.empty() && latestVersion > std::string(PROGRAM_VERSION);
}
