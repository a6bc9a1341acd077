// The login server: requests built here with the SEED functions, answers checked byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "protocol/seed.h"
#include "rawclient.h"
#include "servicefixture.h"
#include "support/testfolder.h"

using namespace peertest;
using testsupport::WaitUntil;

namespace {

struct RequestForm {
    char padding = '\0';  // what fills the password block after the password
    const char* hexFormat = "%.2x";
};

std::string LoginRequest(const std::string& id, const std::string& password,
                         const std::string& nickname = "", RequestForm form = {}) {
    std::uint8_t key[16] = {};
    std::memcpy(key, "wenlarbox", 9);
    std::uint8_t block[16];
    std::memset(block, form.padding, sizeof block);
    std::memcpy(block, password.data(), std::min<std::size_t>(password.size(), 16));
    SeedRoundKeys roundKeys{};
    SeedMakeRoundKeys(roundKeys, key);
    SeedEncryptBlock(block, roundKeys);
    std::string hex;
    for (std::uint8_t byte : block) {
        char digits[3];
        std::snprintf(digits, sizeof digits, form.hexFormat, byte);
        hex += digits;
    }
    char fields[61];
    std::snprintf(fields, sizeof fields, "%-10s%-50s", id.substr(0, 10).c_str(), hex.c_str());
    return Record("ZNLR", 1002, fields + (nickname.empty() ? "" : "02:" + nickname));
}

std::string Exchange(std::uint16_t port, const std::string& request) {
    RawClient client(port);
    client.Send(request);
    return client.ReadRecord();
}

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width - text.size(), ' ');
}

class LoginServerTest : public ServiceTest {};

}  // namespace

TEST_F(LoginServerTest, AcceptsTheRightPasswordWithTheAccountAndRefusesOthers) {
    StartService();
    const std::string accepted =
        Exchange(service()->LoginPort(), LoginRequest("guest", "pw1234", "abc"));
    const std::string extension = "02:\xBA\xB0\xB8\xED";  // 02:별명 in CP949
    EXPECT_EQ(accepted, "ZNLA" + Zeros(107 + 7, 8) + "1002Y" + Blanks(kCustomerNo, 10) +
                            Padded("127.0.0.1", 20) + Blanks(service()->FilePort(), 5) +
                            "v.2018.04.06.02" + std::string(20, ' ') + Padded("znl-service", 20) +
                            extension);

    const struct {
        const char* name;
        std::string request;
        char letter;
    } refusals[] = {
        {"wrong password", LoginRequest("guest", "pw1235"), 'P'},
        {"unknown ID", LoginRequest("nobody", "pw1234"), 'N'},
        {"password block padded with blanks", LoginRequest("guest", "pw1234", "", {' ', "%.2x"}),
         'P'},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        EXPECT_EQ(Exchange(service()->LoginPort(), refusal.request),
                  std::string("ZNLA000000171002") + refusal.letter);
    }
    ASSERT_TRUE(WaitUntil([&] { return service()->LoginAttempts().size() == 4; }));
    const auto first = service()->LoginAttempts()[0];
    EXPECT_EQ(first.userId, "guest");
    EXPECT_EQ(first.password, "pw1234");
    EXPECT_EQ(first.nickname, "abc");
    EXPECT_EQ(first.answer, 'Y');
    EXPECT_EQ(service()->ReceivedRecords()[0].bytes, LoginRequest("guest", "pw1234", "abc"));
}

TEST_F(LoginServerTest, ForcedLettersVersionAndUpdateAddressApplyToLaterLogins) {
    StartService();
    const std::string good = LoginRequest("guest", "pw1234");
    for (char letter : {'E', 'N', 'P', 'S', '\x7f'}) {
        service()->UpdateSettings([letter](auto& s) { s.login.forcedLetter = letter; });
        EXPECT_EQ(Exchange(service()->LoginPort(), good), std::string("ZNLA000000171002") + letter);
    }
    service()->UpdateSettings([](auto& s) {
        s.login.forcedLetter.reset();
        s.versionText = "v.2018.04.06.03";
        s.updateAddress = "10.0.0.9";
        s.extensionItems = "01:x,02:def";
    });
    const std::string answer = Exchange(service()->LoginPort(), good);
    EXPECT_EQ(answer.substr(52, 35), "v.2018.04.06.03" + Padded("10.0.0.9", 20));
    EXPECT_EQ(answer.substr(107), "01:x,02:def");
}

TEST_F(LoginServerTest, NotesAPasswordFieldThatIsNotLowercaseHex) {
    StartService();
    const std::string request = LoginRequest("guest", "pw1234", "", {'\0', "%.2X"});
    ASSERT_NE(request, LoginRequest("guest", "pw1234"));  // the cipher text has letters
    EXPECT_EQ(Exchange(service()->LoginPort(), request), "ZNLA000000171002P");
    ASSERT_TRUE(WaitUntil([&] { return service()->Problems().size() == 1; }));
    EXPECT_NE(service()->Problems()[0].find("password field"), std::string::npos);
    AcceptProblems();
}

TEST_F(LoginServerTest, FolderListsAreAnsweredAndRecordedDecoded) {
    StartService();
    const std::string list = "01:C:\\A,01:D:\\\xBB\xE7\xC1\xF8";  // D:\사진 in CP949
    EXPECT_EQ(
        Exchange(service()->LoginPort(), Record("ZNLR", 1005, Blanks(kCustomerNo, 10) + list)),
        "ZNLA000000171005Y");
    service()->UpdateSettings([](auto& s) { s.refuseFolderList = true; });
    EXPECT_EQ(Exchange(service()->LoginPort(), Record("ZNLR", 1005, Blanks(kCustomerNo, 10))),
              "ZNLA000000171005N");
    ASSERT_TRUE(WaitUntil([&] { return service()->FolderListUploads().size() == 2; }));
    const auto uploads = service()->FolderListUploads();
    EXPECT_EQ(uploads[0].customerNo, kCustomerNo);
    EXPECT_EQ(uploads[0].folders, (std::vector<std::string>{"C:\\A", "D:\\사진"}));
    EXPECT_TRUE(uploads[1].folders.empty());
    EXPECT_EQ(uploads[1].answer, 'N');
}

TEST_F(LoginServerTest, AnswerFaultsOnTheWire) {
    const std::string good = LoginRequest("guest", "pw1234");
    znlservice::ServiceSettings settings;
    settings.login.silent = true;
    StartService(settings);
    {
        RawClient client(service()->LoginPort());
        client.Send(good);
        ASSERT_TRUE(WaitUntil([&] { return service()->LoginAttempts().size() == 1; }));
        EXPECT_TRUE(client.SilentFor(300));
    }
    service()->UpdateSettings([](auto& s) {
        s.login.silent = false;
        s.login.oversizedAnswer = true;
    });
    {
        RawClient client(service()->LoginPort());
        client.Send(good);
        EXPECT_EQ(client.ReadBytes(17), "ZNLA999999991002Y");
    }
    service()->UpdateSettings([](auto& s) {
        s.login.oversizedAnswer = false;
        s.login.trickle = {5, 2};
    });
    EXPECT_EQ(Exchange(service()->LoginPort(), good).substr(0, 17), "ZNLA000001141002Y");
}
