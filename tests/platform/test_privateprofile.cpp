#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/privateprofile.h"
#include "support/testfolder.h"

using platform::DetectProfileEncoding;
using platform::GetPrivateProfileInt;
using platform::GetPrivateProfileString;
using platform::ProfileEncoding;
using platform::WritePrivateProfileString;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

// CP949 bytes of the Korean names, written out so the tests do not trust the converter.
const std::string kNickname = "\xB4\xD0\xB3\xD7\xC0\xD3";                   // 닉네임
const std::string kAutoLogin = "\xC0\xDA\xB5\xBF\xB7\xCE\xB1\xD7\xC0\xCE";  // 자동로그인
const std::string kUserId = "\xBE\xC6\xC0\xCC\xB5\xF0";                     // 아이디
const std::string kPassword = "\xC6\xD0\xBD\xBA\xBF\xF6\xB5\xE5";           // 패스워드
const std::string kSaveFolder = "\xBB\xE7\xC1\xF8\xC0\xFA\xC0\xE5\xC6\xFA\xB4\xF5";  // 사진저장폴더
const std::string kCount = "\xB5\xEE\xB7\xCF\xBC\xF6";                               // 등록수
const std::string kHongGildong = "\xC8\xAB\xB1\xE6\xB5\xBF";                         // 홍길동
const std::string kPhotos = "\xBB\xE7\xC1\xF8";                                      // 사진
const std::string kSettings = "\xBC\xB3\xC1\xA4";                                    // 설정
const std::string kByteOrderMark = "\xEF\xBB\xBF";

class PrivateProfile : public ::testing::Test {
protected:
    std::string Read(const std::string& section, const std::string& key, size_t size = 260,
                     const std::string& defaultValue = "default") const {
        return GetPrivateProfileString(section, key, defaultValue, size, m_file);
    }
    // The lines of the file without the blank ones; every line must end in "\r\n".
    std::vector<std::string> Lines() const {
        const std::string bytes = ReadFileBytes(m_file);
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
            if (end > start) lines.push_back(bytes.substr(start, end - start));
        }
        EXPECT_EQ(start, bytes.size()) << "text after the last \\r\\n";
        for (const std::string& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        return lines;
    }
    static unsigned Mode(const std::filesystem::path& path) {
        struct stat status {};
        EXPECT_EQ(stat(path.c_str(), &status), 0);
        return status.st_mode & 07777;
    }

    TestFolder m_folder;
    std::filesystem::path m_file = m_folder.Path() / "FsIni.ini";
};

}  // namespace

TEST_F(PrivateProfile, ReadsTheWindowsProgramsFileAndLooserLayouts) {
    const std::vector<std::string> layouts = {
        // Byte for byte as the Windows program writes it.
        "[BasicInfo]\r\nLoginServerIP=10.0.0.5\r\nLoginServerPort=30002\r\n" + kNickname + "=" +
            kHongGildong + "\r\n" + kAutoLogin + "=1\r\n" + kUserId + "=user01\r\n" + kPassword +
            "=pw\r\n[SaveFolder]\r\n" + kSaveFolder + "=/home/u/" + kPhotos + "\r\n" + kCount +
            "=2\r\n1=/a\r\n2=/b\r\n",
        // Edited by hand: "\n" line ends, blanks around '=', other letter case, no final newline.
        "[basicinfo]\nloginserverip = 10.0.0.5\nLOGINSERVERPORT =30002\n" + kNickname + "= " +
            kHongGildong + "\n" + kAutoLogin + " = 1\n" + kUserId + "=user01\n" + kPassword +
            "=pw\n\n[SAVEFOLDER]\n" + kSaveFolder + " = /home/u/" + kPhotos + "\n" + kCount +
            "=2\n1=/a\n2=/b",
    };
    for (const std::string& layout : layouts) {
        WriteFileBytes(m_file, layout);
        EXPECT_EQ(Read("BasicInfo", "LoginServerIP", 20), "10.0.0.5");
        EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "LoginServerPort", 1, m_file), 30002);
        EXPECT_EQ(Read("BasicInfo", "닉네임", 51), "홍길동");
        EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "자동로그인", 0, m_file), 1);
        EXPECT_EQ(Read("BasicInfo", "아이디", 20), "user01");
        EXPECT_EQ(Read("BasicInfo", "패스워드", 20), "pw");
        EXPECT_EQ(Read("SaveFolder", "사진저장폴더"), "/home/u/사진");
        EXPECT_EQ(GetPrivateProfileInt("SaveFolder", "등록수", 0, m_file), 2);
        EXPECT_EQ(Read("SaveFolder", "2"), "/b");
        EXPECT_EQ(Read("SaveFolder", "3"), "default");
        EXPECT_EQ(Read("FTP", "IP"), "default");
    }
}

TEST_F(PrivateProfile, NamesMatchInAnyAsciiCase) {
    WriteFileBytes(m_file, "[BasicInfo]\r\nLoginServerPort=1234\r\n" + kNickname + "Name=x\r\n");
    EXPECT_EQ(GetPrivateProfileInt("basicinfo", "loginserverport", 0, m_file), 1234);
    EXPECT_EQ(GetPrivateProfileInt("BASICINFO", "LoginServerPORT", 0, m_file), 1234);
    EXPECT_EQ(Read("BasicInfo", "닉네임NAME"), "x");  // letters after a Korean character fold again

    ASSERT_TRUE(WritePrivateProfileString("BASICINFO", "loginserverport", "99", m_file));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[BasicInfo]", "LoginServerPort=99",
                                                 kNickname + "Name=x"}));
}

TEST_F(PrivateProfile, OfRepeatedKeysTheFirstCountsAndSurvivesOtherWrites) {
    WriteFileBytes(m_file, "[A]\r\nKey=first\r\nKey=second\r\n");
    EXPECT_EQ(Read("A", "key"), "first");

    ASSERT_TRUE(WritePrivateProfileString("A", "other", "1", m_file));
    EXPECT_EQ(Read("A", "key"), "first");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[A]", "Key=first", "Key=second", "other=1"}));

    ASSERT_TRUE(WritePrivateProfileString("A", "KEY", "new", m_file));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[A]", "Key=new", "other=1"}));
}

TEST_F(PrivateProfile, KoreanNamesDifferingOnlyInALetterSecondByteStayApart) {
    // 캚 is B0 41 and 캻 is B0 61: their second bytes are 'A' and 'a'.
    WriteFileBytes(m_file, "[BasicInfo]\r\n\xB0\x41=upper\r\n\xB0\x61=lower\r\n");
    EXPECT_EQ(Read("BasicInfo", "캚"), "upper");
    EXPECT_EQ(Read("BasicInfo", "캻"), "lower");

    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "캻", "changed", m_file));
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"[BasicInfo]", "\xB0\x41=upper", "\xB0\x61=changed"}));
}

TEST_F(PrivateProfile, ValueAndDefaultAreCutToSizeMinusOneWithoutSplittingACharacter) {
    WriteFileBytes(m_file, "[BasicInfo]\r\n" + kUserId + "=abcdefghijklmnopqrstuvwxy\r\n" +
                               kNickname + "=ab" + kHongGildong + "\r\n");
    struct Case {
        const char* key;
        size_t size;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"아이디", 20, "abcdefghijklmnopqrs"},  // a 25-byte ID gives its first 19 bytes
        {"닉네임", 51, "ab홍길동"},
        {"닉네임", 9, "ab홍길동"},
        {"닉네임", 8, "ab홍길"},  // 7 bytes allowed: the cut would fall inside 동
        {"닉네임", 7, "ab홍길"},
        {"닉네임", 6, "ab홍"},
        {"닉네임", 4, "ab"},  // 3 bytes allowed: the cut would fall inside 홍
        {"닉네임", 1, ""},
        {"닉네임", 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Read("BasicInfo", c.key, c.size), c.expected) << c.size;

    EXPECT_EQ(Read("BasicInfo", "missing", 4, "ab홍길동"), "ab");
    EXPECT_EQ(Read("BasicInfo", "missing", 5, "ab홍길동"), "ab홍");
    EXPECT_EQ(Read("BasicInfo", "missing", 4, "abcdef"), "abc");
}

TEST_F(PrivateProfile, IntegersReadLikeWindows) {
    struct Case {
        std::string stored;
        int expected;
    };
    const std::vector<Case> cases = {
        {"30002", 30002},
        {"abc", 0},
        {"", 7},
        {"  42  ", 42},
        {"-5", -5},
        {"+8", 8},
        {"12abc", 12},
        {"- 3", 0},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    std::string file = "[BasicInfo]\r\n";
    for (size_t i = 0; i < cases.size(); ++i)
        file += "k" + std::to_string(i) + "=" + cases[i].stored + "\r\n";
    WriteFileBytes(m_file, file);
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "k" + std::to_string(i), 7, m_file),
                  cases[i].expected)
            << '"' << cases[i].stored << '"';
    }
    EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "missing", 7, m_file), 7);
}

TEST_F(PrivateProfile, MissingFileGivesDefaultsAndTheFirstWriteCreatesItPrivate) {
    EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "LoginServerPort", 30002, m_file), 30002);
    EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "자동로그인", 0, m_file), 0);
    EXPECT_EQ(Read("BasicInfo", "닉네임", 51, ""), "");
    EXPECT_EQ(Read("SaveFolder", "사진저장폴더", 260, "/home/u/ZNL"), "/home/u/ZNL");
    EXPECT_FALSE(std::filesystem::exists(m_file));

    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "닉네임", "홍길동", m_file));
    EXPECT_EQ(ReadFileBytes(m_file), "[BasicInfo]\r\n" + kNickname + "=" + kHongGildong + "\r\n");
    EXPECT_EQ(Mode(m_file), 0600u);
}

TEST_F(PrivateProfile, AnExistingFileKeepsItsModeAndALinkKeepsPointingAtIt) {
    const std::filesystem::path real = m_folder.Path() / "real.ini";
    WriteFileBytes(real, "[BasicInfo]\r\nLoginServerPort=1\r\n");
    ASSERT_EQ(chmod(real.c_str(), 0644), 0);
    std::filesystem::create_symlink(real, m_file);

    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "LoginServerPort", "2", m_file));
    EXPECT_TRUE(std::filesystem::is_symlink(m_file));
    EXPECT_EQ(ReadFileBytes(real), "[BasicInfo]\r\nLoginServerPort=2\r\n");
    EXPECT_EQ(Mode(real), 0644u);
}

TEST_F(PrivateProfile, AFileLeftHoldingTheSecretIsForItsOwnerAlone) {
    const platform::ProfileSecret secret{"BasicInfo", "패스워드"};
    const std::string withPassword = "[BasicInfo]\r\n" + kPassword + "=pw\r\n";
    const std::string withoutPassword = "[BasicInfo]\r\n" + kPassword + "=\r\n";
    const struct Case {
        const char* name;
        std::string before;
        unsigned modeBefore;
        const char* key;
        const char* value;
        unsigned modeAfter;
    } cases[] = {
        {"password written", withoutPassword, 0644, "패스워드", "pw", 0600},
        {"password kept, other key written", withPassword, 0644, "닉네임", "x", 0600},
        {"owner bits stay", withPassword, 0750, "닉네임", "x", 0700},
        {"password removed", withPassword, 0644, "패스워드", "", 0644},
        {"no password", withoutPassword, 0644, "닉네임", "x", 0644},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(m_file, c.before);
        ASSERT_EQ(chmod(m_file.c_str(), c.modeBefore), 0);
        ASSERT_TRUE(WritePrivateProfileString("BasicInfo", c.key, c.value, m_file, secret));
        EXPECT_EQ(Mode(m_file), c.modeAfter);
    }
}

TEST_F(PrivateProfile, SeveralKeysAreWrittenTogetherOrNotAtAll) {
    WriteFileBytes(m_file, "[SaveFolder]\r\n" + kCount + "=1\r\n1=/a\r\n");
    const std::vector<platform::ProfileKeyValue> list = {{"등록수", "2"}, {"1", "/b"}, {"2", "/c"}};
    ASSERT_TRUE(platform::WritePrivateProfileKeys("SaveFolder", list, m_file));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"[SaveFolder]", kCount + "=2", "1=/b", "2=/c"}));

    const std::string before = ReadFileBytes(m_file);
    const std::vector<platform::ProfileKeyValue> broken = {{"1", "/x"}, {"2\n[FTP]", "/y"}};
    EXPECT_FALSE(platform::WritePrivateProfileKeys("SaveFolder", broken, m_file));
    EXPECT_EQ(ReadFileBytes(m_file), before);
}

TEST_F(PrivateProfile, WritingKeepsEverythingElseAndReplacesInPlace) {
    WriteFileBytes(m_file,
                   "; settings of the client\r\n\r\n[BasicInfo]\r\nLoginServerIP=10.0.0.5\r\n"
                   "; port of the login server\r\nLoginServerPort=30002\r\n" +
                       kNickname + "=old\r\n\r\n[SaveFolder]\r\n" + kCount +
                       "=3\r\n1=/a\r\n2=/b\r\n3=/c\r\n; kept at the end\r\n");
    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "LoginServerPort", "30003", m_file));
    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "닉네임", "홍길동", m_file));
    ASSERT_TRUE(WritePrivateProfileString("SaveFolder", "등록수", "1", m_file));
    ASSERT_TRUE(WritePrivateProfileString("FTP", "IP", "1.2.3.4", m_file));
    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "LoginServerIP", "", m_file));

    const std::vector<std::string> expected = {
        "; settings of the client",
        "[BasicInfo]",
        "LoginServerIP=",
        "; port of the login server",
        "LoginServerPort=30003",
        kNickname + "=" + kHongGildong,
        "[SaveFolder]",
        kCount + "=1",
        "1=/a",
        "2=/b",
        "3=/c",  // stale folder keys stay
        "; kept at the end",
        "[FTP]",
        "IP=1.2.3.4",
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(Read("BasicInfo", "LoginServerIP"), "");  // present but empty: not the default

    const std::string before = ReadFileBytes(m_file);
    ASSERT_TRUE(WritePrivateProfileString("FTP", "IP", "1.2.3.4", m_file));
    EXPECT_EQ(ReadFileBytes(m_file), before);  // a second write of the same value changes nothing
}

TEST_F(PrivateProfile, LineBreaksCannotAddKeysOrSections) {
    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "아이디",
                                          "x\r\n패스워드=stolen\n[FTP]\r\nIP=evil", m_file));
    EXPECT_EQ(Read("BasicInfo", "아이디"), "x  패스워드=stolen [FTP]  IP=evil");
    EXPECT_EQ(Read("BasicInfo", "패스워드"), "default");
    EXPECT_EQ(Read("FTP", "IP"), "default");

    const std::string before = ReadFileBytes(m_file);
    EXPECT_FALSE(WritePrivateProfileString("Basic\r\nInfo", "k", "v", m_file));
    EXPECT_FALSE(WritePrivateProfileString("BasicInfo", "k\n[FTP]", "v", m_file));
    EXPECT_EQ(ReadFileBytes(m_file), before);
}

TEST_F(PrivateProfile, InvalidCp949InAValueComesOutAsReplacementCharacters) {
    WriteFileBytes(m_file, "[BasicInfo]\r\n" + kNickname +
                               "=a\x80"
                               "b\xFF"
                               "c\xB4\r\n");
    EXPECT_EQ(Read("BasicInfo", "닉네임"),
              "a\uFFFD"
              "b\uFFFD"
              "c\uFFFD");
}

TEST_F(PrivateProfile, AFailedWriteReportsFailureAndLeavesNothingBehind) {
    EXPECT_FALSE(
        WritePrivateProfileString("BasicInfo", "k", "v", m_folder.Path() / "no" / "FsIni.ini"));
    EXPECT_FALSE(std::filesystem::exists(m_folder.Path() / "no"));

    std::filesystem::create_directory(m_file);  // a folder where the file should be
    EXPECT_FALSE(WritePrivateProfileString("BasicInfo", "k", "v", m_file));
    EXPECT_TRUE(std::filesystem::is_directory(m_file));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

namespace {

// The settings of a signed-in customer, the same in CP949 (as the Windows program writes them) and
// in UTF-8 (as a hand edit leaves them).
const std::string kCp949Settings = "[BasicInfo]\r\nLoginServerPort=30003\r\n" + kUserId +
                                   "=user01\r\n" + kPassword + "=pw\r\n" + kAutoLogin + "=1\r\n" +
                                   kNickname + "=" + kHongGildong + "\r\n[SaveFolder]\r\n" +
                                   kSaveFolder + "=/home/u/" + kPhotos + "\r\n";
const std::string kUtf8Settings =
    "[BasicInfo]\r\nLoginServerPort=30003\r\n아이디=user01\r\n패스워드=pw\r\n자동로그인=1\r\n"
    "닉네임=홍길동\r\n[SaveFolder]\r\n사진저장폴더=/home/u/사진\r\n";

}  // namespace

TEST_F(PrivateProfile, AFileThatIsNotCp949ButUtf8IsReadAsUtf8) {
    using Value = std::array<std::string, 3>;  // section, key, the value read
    const std::vector<Value> customer = {
        {"BasicInfo", "아이디", "user01"},
        {"BasicInfo", "패스워드", "pw"},
        {"BasicInfo", "닉네임", "홍길동"},
        {"SaveFolder", "사진저장폴더", "/home/u/사진"},
    };
    const std::vector<Value> noCustomer = {
        {"BasicInfo", "아이디", "default"},
        {"SaveFolder", "사진저장폴더", "default"},
    };
    struct Case {
        const char* what;
        std::string bytes;
        ProfileEncoding encoding;
        int autoLogin;
        std::vector<Value> values;
    };
    const std::vector<Case> cases = {
        {"CP949", kCp949Settings, ProfileEncoding::Cp949, 1, customer},
        {"UTF-8", kUtf8Settings, ProfileEncoding::Utf8, 1, customer},
        // Left in front, the mark would spoil the first section's name.
        {"UTF-8 with a byte-order mark", kByteOrderMark + kUtf8Settings, ProfileEncoding::Utf8, 1,
         customer},
        {"UTF-8 with a character CP949 lacks, read as its replacement in CP949",
         kUtf8Settings + "[Memo]\r\nText=사진 😀\r\n",
         ProfileEncoding::Utf8,
         1,
         {{"Memo", "Text", "사진 ?"}, {"BasicInfo", "닉네임", "홍길동"}}},
        {"ASCII",
         "[BasicInfo]\r\nLoginServerIP=10.0.0.5\r\nLoginServerPort=30003\r\n",
         ProfileEncoding::Ascii,
         0,
         {{"BasicInfo", "LoginServerIP", "10.0.0.5"}}},
        // "é" in UTF-8 is the pair of 챕 in CP949: CP949 comes first.
        {"valid as both",
         "[BasicInfo]\r\nLoginServerPort=30003\r\nStudio=Café\r\n",
         ProfileEncoding::Cp949,
         0,
         {{"BasicInfo", "Studio", "Caf챕"}}},
        {"CP949 with a stray byte, read as CP949",
         kCp949Settings + "[Memo]\r\nText=a\x80z\r\n",
         ProfileEncoding::Unknown,
         1,
         {{"Memo", "Text", "a\uFFFDz"}, {"BasicInfo", "닉네임", "홍길동"}}},
        {"UTF-8 with a stray byte, read as CP949", kUtf8Settings + "[Memo]\r\nText=a\x80z\r\n",
         ProfileEncoding::Unknown, 0, noCustomer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(m_file, c.bytes);
        EXPECT_EQ(DetectProfileEncoding(m_file), c.encoding);
        EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "LoginServerPort", 0, m_file), 30003);
        EXPECT_EQ(GetPrivateProfileInt("BasicInfo", "자동로그인", 0, m_file), c.autoLogin);
        for (const Value& value : c.values) {
            EXPECT_EQ(Read(value[0], value[1]), value[2]) << value[0] << " " << value[1];
        }
    }
}

TEST_F(PrivateProfile, AFileThatIsMissingOrCannotBeReadIsToldApart) {
    EXPECT_EQ(DetectProfileEncoding(m_file), ProfileEncoding::Missing);
    std::filesystem::create_directory(m_file);  // open works, read does not
    EXPECT_EQ(DetectProfileEncoding(m_file), ProfileEncoding::Unreadable);
}

TEST_F(PrivateProfile, AWriteToAUtf8FileWritesItWholeInCp949) {
    WriteFileBytes(m_file, kByteOrderMark +
                               "; 설정\r\n[BasicInfo]\r\n아이디=user01\r\n; 패스워드\r\n"
                               "패스워드=pw\r\n자동로그인=1\r\n\r\n[SaveFolder]\r\n"
                               "사진저장폴더=/home/u/사진\r\n; 사진\r\n");
    ASSERT_EQ(DetectProfileEncoding(m_file), ProfileEncoding::Utf8);

    ASSERT_TRUE(WritePrivateProfileString("BasicInfo", "닉네임", "홍길동", m_file));
    EXPECT_EQ(DetectProfileEncoding(m_file), ProfileEncoding::Cp949);
    const std::vector<std::string> expected = {
        "; " + kSettings,
        "[BasicInfo]",
        kUserId + "=user01",
        "; " + kPassword,
        kPassword + "=pw",
        kAutoLogin + "=1",
        kNickname + "=" + kHongGildong,
        "[SaveFolder]",
        kSaveFolder + "=/home/u/" + kPhotos,
        "; " + kPhotos,
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(Read("BasicInfo", "아이디"), "user01");
}
