#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <ostream>
#include <string>

#include "protocol/wirerecord.h"

using namespace std::string_literals;

namespace {

// Names each parameterised case after its table entry.
template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& entry) {
    return entry.param.name;
}

TEST(WireRecord, GreetingIsHeaderPlusBlankPaddedCustomerNumber) {
    std::array<char, 1000> buffer{};
    PutField(buffer.data(), 16, 10, "%10d", 1234);
    BuildHeader(buffer.data(), "ZNLR", 26, 1003);
    EXPECT_EQ(std::string(buffer.data(), 27), "ZNLR000000261003      1234\0"s);
}

TEST(WireRecord, HeaderOnlyRecordCarriesLength16) {
    std::array<char, 20> buffer{};
    BuildHeader(buffer.data(), "ZNLA", RECORD_HEADER_SIZE, 1006);
    EXPECT_EQ(std::string(buffer.data(), 17), "ZNLA000000161006\0"s);
}

struct PutCase {
    const char* name;
    int width;
    const char* format;
    int value;
    std::string expected;
};

void PrintTo(const PutCase& c, std::ostream* os) {
    *os << c.name;
}

class WireRecordPutField : public testing::TestWithParam<PutCase> {};

// The field lands at its offset with exactly its width: the bytes on either side stay as they were.
TEST_P(WireRecordPutField, WritesExactlyWidthBytes) {
    const PutCase& c = GetParam();
    std::string buffer(40, '#');
    PutField(buffer.data(), 5, c.width, c.format, c.value);
    EXPECT_EQ(buffer, std::string(5, '#') + c.expected + std::string(35 - c.expected.size(), '#'));
}

INSTANTIATE_TEST_SUITE_P(Formats, WireRecordPutField,
                         testing::Values(PutCase{"BlankPadded", 10, "%10d", 1234, "      1234"},
                                         PutCase{"ZeroPadded", 10, "%.10d", 512, "0000000512"},
                                         PutCase{"ThreeDigits", 3, "%03d", 7, "007"},
                                         PutCase{"WiderValueCutToLeftmost", 3, "%03d", 1234, "123"},
                                         PutCase{"ListEntry", 4, "%3d,", 7, "  7,"},
                                         PutCase{"ShortValueFilledWithNul", 6, "%d", 42,
                                                 "42\0\0\0\0"s}),
                         CaseName<PutCase>);

TEST(WireRecord, TextFieldsAreCopiedWithTheirExactWidth) {
    std::string buffer(30, '#');
    PutField(buffer.data(), 0, 10, "%-10s", "user01");
    PutBytes(buffer.data(), 10, 1, "Y");
    EXPECT_EQ(buffer, "user01    Y"s + std::string(19, '#'));
}

TEST(WireRecord, FieldWiderThanTheScratchNeverOverrunsIt) {
    // A value longer than the 300-byte scratch is cut there; field bytes past the scratch are NUL.
    const std::string longText(400, 'z');
    std::string buffer(420, '#');
    PutField(buffer.data(), 0, 410, "%s", longText.c_str());
    EXPECT_EQ(buffer, std::string(299, 'z') + std::string(111, '\0') + std::string(10, '#'));
}

TEST(WireRecord, NegativeWidthIsAnEmptyField) {
    std::string buffer = "12345678";
    PutField(buffer.data(), 0, -1, "%d", 9);
    PutBytes(buffer.data(), 0, -1, "9");
    EXPECT_EQ(buffer, "12345678");
    EXPECT_EQ(GetIntField(buffer.data(), 0, -1), 0);
    EXPECT_EQ(GetTextField(buffer.data(), 0, -1), "");
}

struct GetIntCase {
    const char* name;
    std::string field;
    int expected;
};

void PrintTo(const GetIntCase& c, std::ostream* os) {
    *os << c.name;
}

class WireRecordGetIntField : public testing::TestWithParam<GetIntCase> {};

// The field sits between digits, so a reader that strays outside its width gets a different number.
TEST_P(WireRecordGetIntField, ReadsLikeAtoiWithinTheWidth) {
    const GetIntCase& c = GetParam();
    const std::string buffer = "7777"s + c.field + "9999"s;
    EXPECT_EQ(GetIntField(buffer.data(), 4, static_cast<int>(c.field.size())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WireRecordGetIntField,
    testing::Values(GetIntCase{"BlanksThenDigits", "       123", 123},
                    GetIntCase{"ZeroPadded", "00000026", 26},
                    GetIntCase{"AllNul", "\0\0\0\0\0\0\0\0\0\0"s, 0},
                    GetIntCase{"DigitsThenLetters", "12ab", 12}, GetIntCase{"Negative", "-5", -5},
                    GetIntCase{"PlusSign", "+7", 7}, GetIntCase{"DigitsEndAtWidth", "123", 123},
                    GetIntCase{"DigitsThenNul",
                               "12\0"s
                               "34",
                               12},
                    GetIntCase{"OtherWhiteSpace", "\t\n\r 42", 42},
                    GetIntCase{"NoDigits", "abc", 0}, GetIntCase{"BlankAfterSign", "- 5", 0},
                    GetIntCase{"Largest", "2147483647", INT_MAX},
                    GetIntCase{"Smallest", "-2147483648", INT_MIN},
                    GetIntCase{"TooLargeSaturates", "99999999999", INT_MAX},
                    GetIntCase{"TooSmallSaturates", "-99999999999", INT_MIN},
                    GetIntCase{"ManyDigitsSaturate", "123456789012345678901234", INT_MAX}),
    CaseName<GetIntCase>);

struct GetTextCase {
    const char* name;
    std::string field;
    std::string expected;
};

void PrintTo(const GetTextCase& c, std::ostream* os) {
    *os << c.name;
}

class WireRecordGetTextField : public testing::TestWithParam<GetTextCase> {};

TEST_P(WireRecordGetTextField, ReadsUpToTheFirstNulWithinTheWidth) {
    const GetTextCase& c = GetParam();
    const std::string buffer = "####"s + c.field + "tail"s;
    EXPECT_EQ(GetTextField(buffer.data(), 4, static_cast<int>(c.field.size())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WireRecordGetTextField,
    testing::Values(GetTextCase{"NulPaddedEndsAtNul", "photo\0\0\0\0\0"s, "photo"},
                    GetTextCase{"BlankPaddedKeepsBlanks", "photo     ", "photo     "},
                    GetTextCase{"FullWidthEndsAtWidth", "abcdefgh", "abcdefgh"},
                    GetTextCase{"AllNulIsEmpty", "\0\0\0\0"s, ""},
                    GetTextCase{"Cp949BytesUnchanged", "\xC7\xD1\xB1\xDB\0\0"s,
                                "\xC7\xD1\xB1\xDB"}),
    CaseName<GetTextCase>);

}  // namespace
