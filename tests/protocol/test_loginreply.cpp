#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "protocol/loginreply.h"

namespace {

// A zeroed 1000-byte answer buffer holding the given record bytes.
struct Answer {
    std::array<char, LOGIN_REPLY_SIZE> bytes{};
    int received = 0;
    explicit Answer(const std::string& record) {
        std::memcpy(bytes.data(), record.data(), record.size());
        received = static_cast<int>(record.size());
    }
};

std::string Padded(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
}

std::string YesRecord(const std::string& extension) {
    std::string body = "Y" + Padded("      1234", 10) + Padded("10.0.0.7", 20) + "30003" +
                       Padded("v.2018.04.06.02", 15) + Padded(" 1.2.3.4 ", 20) +
                       Padded("  \xB8\xF0\xB5\xCE ", 20) + extension;  // display name "모두"
    char length[9];
    std::snprintf(length, sizeof length, "%08zu", 16 + body.size());
    return "ZNLA" + std::string(length) + "1002" + body;
}

}  // namespace

TEST(LoginReply, AcceptedAnswerOfExactly107BytesCarriesTheAccountFields) {
    Answer answer(YesRecord(""));
    ASSERT_EQ(answer.received, 107);
    LoginReply reply = ParseLoginReply(answer.bytes.data(), answer.received);
    EXPECT_EQ(reply.result, 'Y');
    EXPECT_EQ(reply.customerNo, 1234);
    EXPECT_EQ(reply.fileServerIp, "10.0.0.7");
    EXPECT_EQ(reply.fileServerPort, 30003);
    EXPECT_EQ(reply.latestVersion, "v.2018.04.06.02");
    EXPECT_EQ(reply.updateServerIp, "1.2.3.4");
    EXPECT_EQ(reply.displayName, "모두");
    EXPECT_TRUE(reply.extensionItems.empty());
}

TEST(LoginReply, ExtensionItemsAreSplitAtCommasWithCodeAndValue) {
    Answer answer(YesRecord("01:x,02:abc,,02:def,02"));
    LoginReply reply = ParseLoginReply(answer.bytes.data(), answer.received);
    ASSERT_EQ(reply.extensionItems,
              (std::vector<std::string>{"01:x", "02:abc", "", "02:def", "02"}));
    EXPECT_EQ(ExtensionCode(reply.extensionItems[0]), 1);
    EXPECT_EQ(ExtensionCode(reply.extensionItems[1]), EXTENSION_NICKNAME);
    EXPECT_EQ(ExtensionValue(reply.extensionItems[1]), "abc");
    EXPECT_EQ(ExtensionCode(reply.extensionItems[2]), 0);
    EXPECT_EQ(ExtensionValue(reply.extensionItems[4]), "");
}

TEST(LoginReply, RefusalsReadOnlyTheLetterAndCarryTheirMessages) {
    struct Case {
        std::string record;
        char letter;
        std::string message;
    };
    const Case cases[] = {
        {"ZNLA000000171002E", 'E', "기간 만료 입니다!\r\n사용기간을 확인 해 주세요!"},
        {"ZNLA000000171002N", 'N', "미등록 고객입니다!\r\n아이디와 패스워드를 확인 해 주세요!"},
        {"ZNLA000000171002P", 'P', "패스워드 오류 입니다!\r\n아이디와 패스워드를 확인 해 주세요!"},
        {"ZNLA000000171002S", 'S', "ZNL프로그램이 다른 쪽에서 실행되구 있습니다!"},
        {"ZNLA000000171002Q", 'Q', "알수 없는 오류 발생!\r\n다시 시도 해주세요!"},
        // Length 16: no result byte was sent; the cleared buffer holds 0 there.
        {"ZNLA000000161002", 0, "알수 없는 오류 발생!\r\n다시 시도 해주세요!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        // Bytes after a refusal letter are never read as account fields.
        Answer answer(c.record.size() > 16 ? c.record + "      1234" : c.record);
        LoginReply reply = ParseLoginReply(answer.bytes.data(), answer.received);
        EXPECT_EQ(reply.result, c.letter);
        EXPECT_EQ(reply.customerNo, 0);
        EXPECT_EQ(LoginResultMessage(reply.result), c.message);
    }
    EXPECT_EQ(LoginResultMessage('Y'), "");
}

TEST(LoginReply, UpdateIsDueOnlyForAGreaterVersionWithAnAddress) {
    struct Case {
        const char* version;
        const char* address;
        bool due;
    };
    const Case cases[] = {
        {"v.2018.04.06.03", "update.example", true},
        {"v.2018.05.01.01", "update.example", true},
        {"v.2018.04.06.02", "update.example", false},  // equal is not greater
        {"v.2018.04.06.0", "update.example", false},   // a prefix sorts first
        {"v.2018.04.06.02a", "update.example", true},
        {"V.2019.01.01.01", "update.example", false},  // capital V sorts before v
        {"\xEC\x9D\xB4", "update.example", true},      // bytes compare unsigned
        {"v.2099.01.01.01", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUpdateDue(c.version, c.address), c.due) << c.version << " " << c.address;
    }
}
