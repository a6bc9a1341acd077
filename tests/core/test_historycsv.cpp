// The history as a CSV file: RFC 4180 quoting, the byte-order mark and header, every match (not
// only those the window shows), and a file written whole or not at all.
#include <gtest/gtest.h>

#include "core/historycsv.h"
#include "support/ledgerfixture.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::LedgerPhoto;
using testsupport::LedgerVersion;
using testsupport::MakeLedger;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kHeader[] =
    "파일명,폴더,저장 폴더,크기(바이트),받은 시각,이어받기,사진 검사,SHA-256\r\n";

class HistoryCsvTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    QString Path(const fs::path& path) const { return QString::fromStdString(path.string()); }

    TestFolder m_folder;
    fs::path m_ledger = m_folder.Path() / "DeliveryLedger.sqlite";
    fs::path m_csv = m_folder.Path() / "수신기록.csv";
};

}  // namespace

TEST(CsvRecord, QuotesOnlyFieldsWithACommaQuoteOrLineBreak) {
    const struct {
        QStringList fields;
        QByteArray record;
    } cases[] = {
        {{QStringLiteral("a.jpg"), QStringLiteral("웨딩")}, "a.jpg,웨딩\r\n"},
        {{QStringLiteral("a,b.jpg"), QString()}, "\"a,b.jpg\",\r\n"},
        {{QStringLiteral("say \"hi\".jpg")}, "\"say \"\"hi\"\".jpg\"\r\n"},
        {{QStringLiteral("two\nlines"), QStringLiteral("cr\rhere")},
         "\"two\nlines\",\"cr\rhere\"\r\n"},
        {{QStringLiteral(" spaced ; semi ")}, " spaced ; semi \r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvRecord(c.fields), c.record) << c.fields.join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(HistoryCsvTest, WritesABomTheHeaderAndEveryMatchNewestFirst) {
    std::vector<LedgerPhoto> photos = {
        {"/photos", "웨딩/a,\"b\".jpg", 1234567, "2026-12-11T09:30:12+09:00", 2,
         "damaged: 끝이 잘림", "ab12"},
        {"/photos", "top.jpg", 10, "2026-12-12T01:00:00+00:00", 0, "sound", ""},
        {"/photos", "웨딩/skip.png", 10, "2026-12-12T01:00:00+00:00", 0, std::nullopt, "cd"},
    };
    MakeLedger(m_ledger, LedgerVersion::Second, photos);
    LedgerHistory history(Path(m_ledger));
    EXPECT_EQ(ExportHistoryCsv(history, {QStringLiteral(".jpg"), std::nullopt, std::nullopt},
                               Path(m_csv)),
              std::nullopt);
    EXPECT_EQ(ReadFileBytes(m_csv),
              std::string(kBom) + kHeader +
                  "top.jpg,,/photos,10,2026-12-12 01:00:00,0,정상,\r\n"
                  "\"a,\"\"b\"\".jpg\",웨딩,/photos,1234567,2026-12-11 00:30:12,2,손상: 끝이 잘림,"
                  "ab12\r\n");
}

TEST_F(HistoryCsvTest, TakesMoreRowsThanTheWindowShows) {
    std::vector<LedgerPhoto> photos(
        6000, {"/p", "a.jpg", 1, "2026-12-11T09:30:12+09:00", 0, std::nullopt});
    MakeLedger(m_ledger, LedgerVersion::First, photos);
    LedgerHistory history(Path(m_ledger));
    ASSERT_EQ(ExportHistoryCsv(history, {}, Path(m_csv)), std::nullopt);
    const std::string text = ReadFileBytes(m_csv);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6001);
}

TEST_F(HistoryCsvTest, AFailureSaysWhyAndLeavesTheOldFile) {
    MakeLedger(m_ledger, LedgerVersion::Second,
               {{"/p", "a.jpg", 1, "2026-12-11T09:30:12Z", 0, std::nullopt}});
    LedgerHistory history(Path(m_ledger));
    const std::optional<QString> noFolder =
        ExportHistoryCsv(history, {}, Path(m_folder.Path() / "없는 폴더/x.csv"));
    ASSERT_TRUE(noFolder.has_value());
    EXPECT_FALSE(noFolder->isEmpty());

    WriteFileBytes(m_csv, "old");
    WriteFileBytes(m_ledger, std::string(4096, 'x'));
    LedgerHistory damaged(Path(m_ledger));
    const std::optional<QString> unreadable = ExportHistoryCsv(damaged, {}, Path(m_csv));
    ASSERT_TRUE(unreadable.has_value());
    EXPECT_TRUE(unreadable->startsWith(QStringLiteral("수신 기록을 읽을 수 없습니다: ")))
        << unreadable->toStdString();
    EXPECT_EQ(ReadFileBytes(m_csv), "old");
}
