#include <gtest/gtest.h>

#include <climits>

#include "core/folderlistrecord.h"

namespace {

QStringList Names(std::initializer_list<const char*> utf8) {
    QStringList names;
    for (const char* name : utf8) names << QString::fromUtf8(name);
    return names;
}

QString Repeat(const char* utf8, int times) {
    return QString::fromUtf8(utf8).repeated(times);
}

}  // namespace

TEST(FolderListRecord, BytesAreTheHeaderTheCustomerNumberAndTheItemsInListOrder) {
    using namespace std::string_literals;
    const struct {
        int customerNo;
        QStringList folders;
        std::string bytes;
    } cases[] = {
        {1234, {}, "ZNLR000000261005      1234"s},
        {1234, Names({"C:\\A", "D:\\B"}),
         "ZNLR000000411005      1234"
         "01:C:\\A,01:D:\\B"s},
        // Korean names go out in CP949: 사진 is BB E7 C1 F8.
        {7, Names({"사진", "Beach"}),
         "ZNLR000000421005         7"
         "01:\xBB\xE7\xC1\xF8,01:Beach"s},
        // An empty entry is still an item; the order is the list's, not sorted here.
        {1, Names({"b", "", "a"}),
         "ZNLR000000391005         1"
         "01:b,01:,01:a"s},
        // A number wider than its field keeps its first ten characters.
        {INT_MIN, Names({"x"}),
         "ZNLR000000301005-214748364"
         "01:x"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::optional<std::string> record = BuildFolderListRecord(c.customerNo, c.folders);
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(*record, c.bytes);
        EXPECT_EQ(FolderListRecordLength(c.folders), c.bytes.size());
    }
}

TEST(FolderListRecord, AListFitsOnlyWhenTheWholeRecordFitsItsBufferInCp949Bytes) {
    const struct {
        const char* name;
        QStringList folders;
        size_t length;
    } cases[] = {
        {"one name, record of exactly 2000 bytes", {QString(1971, QLatin1Char('a'))}, 2000},
        {"one byte more", {QString(1972, QLatin1Char('a'))}, 2001},
        // 2955 bytes in UTF-8, 1971 in CP949: what counts is what is sent.
        {"Korean, exactly 2000 bytes", {Repeat("가", 985) + QLatin1Char('a')}, 2000},
        {"Korean, one byte more", {Repeat("가", 986)}, 2001},
        // The commas and the "01:" of every item count too: 1983 bytes of names joined with their
        // comma need a record of 26 + 6 + 1983 bytes.
        {"two names joined in 1983 bytes",
         {QString(991, QLatin1Char('a')), QString(991, QLatin1Char('b'))},
         2015},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FolderListRecordLength(c.folders), c.length);
        const std::optional<std::string> record = BuildFolderListRecord(1234, c.folders);
        EXPECT_EQ(record.has_value(), c.length <= FOLDER_LIST_RECORD_SIZE);
        if (record) {
            EXPECT_EQ(record->size(), c.length);
        }
    }
}
