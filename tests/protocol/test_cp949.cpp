#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "protocol/cp949.h"

using platform::Cp949ToUtf8;
using platform::CutCp949;
using platform::FitUtf8ToCp949Bytes;
using platform::IsCp949;
using platform::IsUtf8;
using platform::Utf8ToCp949;

namespace {

// KS X 1001 / UHC code points, written out so the tests do not trust the converter under test.
constexpr std::string_view kNickname = "\xB4\xD0\xB3\xD7\xC0\xD3";                   // 닉네임
constexpr std::string_view kAutoLogin = "\xC0\xDA\xB5\xBF\xB7\xCE\xB1\xD7\xC0\xCE";  // 자동로그인
constexpr std::string_view kUpperTrail = "\xB0\x41";  // 캚, second byte 'A'
constexpr std::string_view kLowerTrail = "\xB0\x61";  // 캻, second byte 'a'

struct Pair {
    std::string utf8;
    std::string cp949;
};

struct Validity {
    std::string bytes;
    bool valid;
};

}  // namespace

TEST(Cp949, ConvertsBothWays) {
    const std::vector<Pair> cases = {
        {"", ""},
        {"LoginServerPort=30002", "LoginServerPort=30002"},
        {"닉네임", std::string(kNickname)},
        {"자동로그인 on", std::string(kAutoLogin) + " on"},
        {"캚캻", std::string(kUpperTrail) + std::string(kLowerTrail)},
        {"€", "\xA2\xE6"},
    };
    for (const Pair& c : cases) {
        EXPECT_EQ(Utf8ToCp949(c.utf8), c.cp949) << c.utf8;
        EXPECT_EQ(Cp949ToUtf8(c.cp949), c.utf8) << c.utf8;
    }
}

TEST(Cp949, WhatCp949CannotHoldAndInvalidUtf8BecomeQuestionMarks) {
    const std::vector<Pair> cases = {
        {"a😀b", "a?b"},        // outside CP949
        {"ก닉", "?\xB4\xD0"},  // Thai, outside CP949
        {"a\xFF"
         "b",
         "a?b"},  // a byte that opens no UTF-8 character
        {"x\xEC\xBA"
         "A",
         "x??A"},            // a character broken off before 'A'
        {"\xEC\xBA", "??"},  // cut off at the end
    };
    for (const Pair& c : cases) EXPECT_EQ(Utf8ToCp949(c.utf8), c.cp949) << c.cp949;
}

TEST(Cp949, InvalidCp949BecomesReplacementCharacterAndTheRestIsKept) {
    const std::vector<Pair> cases = {
        {"a\uFFFD"
         "b",
         "a\x80"
         "b"},
        {"\uFFFD닉", "\xFF\xB4\xD0"},
        {"\uFFFDx", "\xC7\x41x"},      // a well-formed pair that is no character
        {"\uFFFD x", "\xB0 x"},        // a stray lead byte does not swallow the space
        {"닉\uFFFD", "\xB4\xD0\xB3"},  // cut off at the end
    };
    for (const Pair& c : cases) EXPECT_EQ(Cp949ToUtf8(c.cp949), c.utf8) << c.utf8;
}

// Different names must stay different files: each bad byte becomes its own "%XX", and a "%"
// becomes "%25" only where it would otherwise read as one.
TEST(Cp949, NamesKeepEveryBadByteAndStayOneToOne) {
    const Pair cases[] = {
        {"사진.jpg", "\xBB\xE7\xC1\xF8.jpg"},
        {"a%FF.jpg", "a\xFF.jpg"},
        {"a%80b",
         "a\x80"
         "b"},
        {"%C9%A1x", "\xC9\xA1x"},  // a pair in the user-defined row: both bytes
        {"%B0", "\xB0"},           // a character cut off at the end
        {"a%25FF.jpg", "a%FF.jpg"},
        {"a%25ff", "a%ff"},
        {"100%.jpg", "100%.jpg"},
        {"%F", "%F"},
        {"%%2541", "%%41"},
        {"%%FF", "%\xFF"},
    };
    for (const Pair& c : cases) EXPECT_EQ(platform::Cp949NameToUtf8(c.cp949), c.utf8) << c.utf8;
}

TEST(Cp949, StrictCp949IsExactlyWhatTheConverterTakesWithoutReplacing) {
    const std::vector<Validity> cases = {
        {"", true},
        {"LoginServerPort=30002", true},
        {std::string(kNickname), true},
        {"\x81\x41", true},  // 갂, the first pair of the Unified Hangul Code extension
        {"\xC6\x52", true},  // its last
        {"\xC6\x53", false},
        {"\xA2\xE6", true},   // €
        {"\xA2\xE8", false},  // inside the byte ranges, but no character of KS X 1001
        {"\xC9\xA1", false},  // the user-defined rows hold none either
        {"\xFE\xA1", false},
        {"\xC7\x41", false},  // this lead takes no second byte below 0xA1
        {"\x80", false},
        {"a\xFF", false},
        {"\xB0 x", false},
        {"\xB4\xD0\xB3", false},  // cut off at the end
        {"caf\xC3\xA9", true},    // "café" in UTF-8 is also CP949: caf챕
    };
    for (const Validity& c : cases) {
        EXPECT_EQ(IsCp949(c.bytes), c.valid) << ::testing::PrintToString(c.bytes);
        const bool replaced = Cp949ToUtf8(c.bytes).find("\uFFFD") != std::string::npos;
        EXPECT_EQ(IsCp949(c.bytes), !replaced) << ::testing::PrintToString(c.bytes);
    }
}

TEST(Cp949, StrictUtf8RefusesEveryIllFormedSequence) {
    const std::vector<Validity> cases = {
        {"", true},
        {"LoginServerPort=30002", true},
        {"닉네임 😀", true},
        {"\xEF\xBB\xBF", true},      // the byte-order mark
        {"\xEF\xBF\xBF", true},      // U+FFFF, a noncharacter but well-formed
        {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
        {"\xC0\x80", false},         // overlong forms
        {"\xE0\x80\x80", false},
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\x80", false},
        {"a\xFF", false},
        {"\xEC\x95", false},  // cut off at the end
        {std::string(kNickname), false},
    };
    for (const Validity& c : cases) {
        EXPECT_EQ(IsUtf8(c.bytes), c.valid) << ::testing::PrintToString(c.bytes);
    }
}

TEST(Cp949, CutNeverEndsInTheFirstHalfOfACharacter) {
    const std::string text = "a" + std::string(kNickname);  // a 닉 네 임: 1 + 2 + 2 + 2 bytes
    struct Case {
        std::string input;
        size_t maxBytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {text, 100, text},
        {text, 7, text},
        {text, 6, "a\xB4\xD0\xB3\xD7"},
        {text, 4, "a\xB4\xD0"},  // the third byte 0xB3 would open 네
        {text, 2, "a"},
        {text, 0, ""},
        {std::string(kUpperTrail) + "Z", 2, std::string(kUpperTrail)},  // 'A' here is a second half
        {std::string(kUpperTrail) + std::string(kLowerTrail), 3, std::string(kUpperTrail)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CutCp949(c.input, c.maxBytes), c.expected) << c.maxBytes;
    }
}

TEST(Cp949, FitKeepsWholeCharactersWhoseCp949FormFits) {
    struct Case {
        std::string utf8;
        size_t maxBytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ab닉네임", 8, "ab닉네임"},
        {"ab닉네임", 7, "ab닉네"},  // nine UTF-8 bytes of 닉네 become four CP949 bytes
        {"ab닉네임", 5, "ab닉"},
        {"닉네임", 1, ""},
        {"a😀b", 2, "a😀"},  // the emoji is one '?' byte in CP949
        {"", 3, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitUtf8ToCp949Bytes(c.utf8, c.maxBytes), c.expected)
            << c.utf8 << " " << c.maxBytes;
    }
}

TEST(Cp949, ThreadsConvertAtTheSameTimeWithoutMixingUp) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&wrong, t] {
            const std::string utf8 = "자동로그인 " + std::to_string(t) + " 닉네임";
            const std::string cp949 =
                std::string(kAutoLogin) + " " + std::to_string(t) + " " + std::string(kNickname);
            for (int i = 0; i < 2000; ++i) {
                if (Utf8ToCp949(utf8) != cp949 || Cp949ToUtf8(cp949) != utf8) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
