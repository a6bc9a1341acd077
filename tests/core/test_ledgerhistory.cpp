// The delivery ledger as the history reads it: its rows newest first from either version of the
// file, the search by text and by local days, the limit, files that are missing or not a ledger,
// and a read while the writer holds a transaction open.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <ctime>

#include "core/historytexts.h"
#include "core/ledgerhistory.h"
#include "support/ledgerfixture.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::LedgerPhoto;
using testsupport::LedgerVersion;
using testsupport::MakeLedger;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

// Local time is Korea's: nine hours ahead of UTC, as the stored times of the fixture mostly are.
class KoreanClock {
public:
    KoreanClock() { Set("KST-9"); }
    ~KoreanClock() { Set("UTC0"); }

private:
    static void Set(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
};

const std::vector<LedgerPhoto> kPhotos = {
    {"/photos", "웨딩/본식/IMG_0001.jpg", 1234567, "2026-12-09T23:59:59+09:00", 0, "sound"},
    {"/photos", "웨딩/본식/IMG_0002.jpg", 2000, "2026-12-10T00:00:00+09:00", 2, std::nullopt},
    {"/photos", "돌잔치/100%_done.jpg", 3000, "2026-12-10T05:00:00-05:00", 0,
     "damaged: 파일 끝이 잘림"},
    {"/other/", "front.jpg", 4000, "2026-12-11T23:59:59+09:00", 1, "sound"},
    {"/photos", "돌잔치/a_b.jpg", 5000, "2026-12-12T00:00:00+09:00", 0, std::nullopt},
};

std::vector<QString> Paths(const std::vector<HistoryRow>& rows) {
    std::vector<QString> paths;
    for (const HistoryRow& row : rows) paths.push_back(row.path);
    return paths;
}

class LedgerHistoryTest : public ::testing::Test {
protected:
    QString File() const { return QString::fromStdString(m_file.string()); }

    KoreanClock m_clock;
    TestFolder m_folder;
    fs::path m_file = m_folder.Path() / "DeliveryLedger.sqlite";
};

}  // namespace

TEST_F(LedgerHistoryTest, ReadsEveryColumnNewestFirstFromEitherVersion) {
    for (const LedgerVersion version : {LedgerVersion::Second, LedgerVersion::First}) {
        SCOPED_TRACE(version == LedgerVersion::Second ? "second" : "first");
        fs::remove(m_file);
        MakeLedger(m_file, version, kPhotos);
        LedgerHistory history(File());
        const HistoryPage page = history.Read({}, 100);
        ASSERT_EQ(page.status.state, HistoryState::Rows) << page.status.error.toStdString();
        EXPECT_FALSE(page.more);
        ASSERT_EQ(page.rows.size(), kPhotos.size());
        EXPECT_EQ(page.rows.back().path, QStringLiteral("웨딩/본식/IMG_0001.jpg"));

        const HistoryRow& third = page.rows[2];
        EXPECT_EQ(third.Name(), QStringLiteral("100%_done.jpg"));
        EXPECT_EQ(third.Folder(), QStringLiteral("돌잔치"));
        EXPECT_EQ(third.FilePath(), QStringLiteral("/photos/돌잔치/100%_done.jpg"));
        EXPECT_EQ(third.FolderPath(), QStringLiteral("/photos/돌잔치"));
        EXPECT_EQ(third.size, 3000);
        EXPECT_EQ(third.sha256, QString(64, QLatin1Char('a')));
        EXPECT_EQ(third.completedAt, QStringLiteral("2026-12-10T05:00:00-05:00"));
        if (version == LedgerVersion::Second) {
            EXPECT_EQ(third.pictureCheck, QStringLiteral("damaged: 파일 끝이 잘림"));
            EXPECT_EQ(page.rows[3].pictureCheck, std::nullopt);
        } else {
            for (const HistoryRow& row : page.rows) EXPECT_EQ(row.pictureCheck, std::nullopt);
        }
        EXPECT_EQ(page.rows[3].resumes, 2);

        // Right in a save folder written with its final slash.
        EXPECT_EQ(page.rows[1].Folder(), QString());
        EXPECT_EQ(page.rows[1].FilePath(), QStringLiteral("/other/front.jpg"));
        EXPECT_EQ(page.rows[1].FolderPath(), QStringLiteral("/other"));
    }
}

TEST_F(LedgerHistoryTest, FindsByNameOrFolderInAnyCaseAndByLocalDays) {
    MakeLedger(m_file, LedgerVersion::Second, kPhotos);
    const QString first = QStringLiteral("웨딩/본식/IMG_0001.jpg");
    const QString second = QStringLiteral("웨딩/본식/IMG_0002.jpg");
    const QString done = QStringLiteral("돌잔치/100%_done.jpg");
    const QString front = QStringLiteral("front.jpg");
    const QString ab = QStringLiteral("돌잔치/a_b.jpg");
    const struct {
        const char* what;
        HistoryFilter filter;
        std::vector<QString> paths;
    } cases[] = {
        {"everything", {}, {ab, front, done, second, first}},
        {"name in another case",
         {QStringLiteral("img_0002"), std::nullopt, std::nullopt},
         {second}},
        {"folder", {QStringLiteral("본식"), std::nullopt, std::nullopt}, {second, first}},
        {"folder and name", {QStringLiteral("본식/IMG_0001"), std::nullopt, std::nullopt}, {first}},
        {"percent sign is itself", {QStringLiteral("100%"), std::nullopt, std::nullopt}, {done}},
        {"percent sign matches no other", {QStringLiteral("0%0"), std::nullopt, std::nullopt}, {}},
        {"underscore is itself", {QStringLiteral("a_b"), std::nullopt, std::nullopt}, {ab}},
        {"underscore matches no other", {QStringLiteral("1_0"), std::nullopt, std::nullopt}, {}},
        {"nothing", {QStringLiteral("없는 이름"), std::nullopt, std::nullopt}, {}},
        // 2026-12-10T05:00-05:00 is 19:00 on the 10th here.
        {"one day", {{}, QDate(2026, 12, 10), QDate(2026, 12, 10)}, {done, second}},
        {"from a day", {{}, QDate(2026, 12, 11), std::nullopt}, {ab, front}},
        {"until a day, its last second included",
         {{}, std::nullopt, QDate(2026, 12, 11)},
         {front, done, second, first}},
        {"day and text",
         {QStringLiteral(".JPG"), QDate(2026, 12, 10), QDate(2026, 12, 11)},
         {front, done, second}},
        {"a range backwards", {{}, QDate(2026, 12, 12), QDate(2026, 12, 9)}, {}},
    };
    LedgerHistory history(File());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HistoryPage page = history.Read(c.filter, 100);
        ASSERT_EQ(page.status.state, HistoryState::Rows) << page.status.error.toStdString();
        EXPECT_EQ(Paths(page.rows), c.paths);
    }
}

TEST_F(LedgerHistoryTest, ShowsTheNewestUpToTheLimitAndTellsWhenThereAreMore) {
    MakeLedger(m_file, LedgerVersion::Second, kPhotos);
    LedgerHistory history(File());
    const struct {
        int limit;
        size_t rows;
        bool more;
    } cases[] = {{3, 3, true}, {4, 4, true}, {5, 5, false}, {6, 5, false}};
    for (const auto& c : cases) {
        const HistoryPage page = history.Read({}, c.limit);
        EXPECT_EQ(page.rows.size(), c.rows) << c.limit;
        EXPECT_EQ(page.more, c.more) << c.limit;
        EXPECT_EQ(page.rows.front().path, QStringLiteral("돌잔치/a_b.jpg"));
    }
    std::vector<QString> every;
    ASSERT_EQ(
        history.ForEach({}, [&every](const HistoryRow& row) { every.push_back(row.path); }).state,
        HistoryState::Rows);
    EXPECT_EQ(every.size(), kPhotos.size());
}

TEST_F(LedgerHistoryTest, AMissingOrEmptyFileIsNoLedgerAndAnotherFileIsUnreadable) {
    const struct {
        const char* what;
        std::optional<std::string> contents;
        HistoryState state;
    } cases[] = {
        {"missing", std::nullopt, HistoryState::NoLedger},
        {"empty: made, its tables not yet", std::string(), HistoryState::NoLedger},
        {"not SQLite", std::string(4096, 'x'), HistoryState::Unreadable},
        {"damaged header", std::string("SQLite format 3", 16) + std::string(4080, '\xff'),
         HistoryState::Unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(m_file);
        if (c.contents) WriteFileBytes(m_file, *c.contents);
        LedgerHistory history(File());
        const HistoryPage page = history.Read({}, 10);
        EXPECT_EQ(page.status.state, c.state);
        EXPECT_EQ(page.status.error.isEmpty(), c.state != HistoryState::Unreadable)
            << page.status.error.toStdString();
        EXPECT_TRUE(page.rows.empty());
        EXPECT_EQ(fs::exists(m_file), c.contents.has_value()) << "the reader never makes it";
    }
}

TEST_F(LedgerHistoryTest, AnotherProgramsTablesAreUnreadable) {
    MakeLedger(m_file, LedgerVersion::Second, {});
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        database.setDatabaseName(File());
        ASSERT_TRUE(database.open());
        QSqlQuery query(database);
        ASSERT_TRUE(query.exec(QStringLiteral("DROP TABLE photos")));
        ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE songs (title TEXT)")));
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    LedgerHistory history(File());
    EXPECT_EQ(history.Read({}, 10).status.state, HistoryState::Unreadable);
}

// The writer's transaction in progress neither blocks the reader nor shows before its commit;
// once committed it shows at the next read on the same connection.
TEST_F(LedgerHistoryTest, ReadsWhileTheWriterWrites) {
    MakeLedger(m_file, LedgerVersion::Second, kPhotos);
    LedgerHistory history(File());
    ASSERT_EQ(history.Read({}, 100).rows.size(), kPhotos.size());
    {
        QSqlDatabase writer =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        writer.setDatabaseName(File());
        ASSERT_TRUE(writer.open());
        QSqlQuery query(writer);
        ASSERT_TRUE(query.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(query.exec(QStringLiteral(
            "INSERT INTO photos (save_folder, path, size, sha256, completed_at, resumes, device, "
            "inode) VALUES ('/photos', 'new.jpg', 1, '', '2026-12-13T10:00:00+09:00', 0, 1, 1)")));
        const HistoryPage during = history.Read({}, 100);
        EXPECT_EQ(during.status.state, HistoryState::Rows) << during.status.error.toStdString();
        EXPECT_EQ(during.rows.size(), kPhotos.size());
        ASSERT_TRUE(query.exec(QStringLiteral("COMMIT")));
        const HistoryPage after = history.Read({}, 100);
        ASSERT_EQ(after.rows.size(), kPhotos.size() + 1);
        EXPECT_EQ(after.rows.front().path, QStringLiteral("new.jpg"));
        writer.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
}

TEST(HistoryTexts, TimesInLocalTimeAndThePictureCheckInWords) {
    KoreanClock clock;
    const struct {
        const char* stored;
        const char* shown;
    } times[] = {
        {"2026-12-11T09:30:12+09:00", "2026-12-11 09:30:12"},
        {"2026-12-11T00:30:12+00:00", "2026-12-11 09:30:12"},
        {"2026-12-10T20:00:00-05:00", "2026-12-11 10:00:00"},
        {"2026-12-11T15:00:00Z", "2026-12-12 00:00:00"},
        {"어제", "어제"},
    };
    for (const auto& t : times) {
        EXPECT_EQ(ReceivedTimeText(QString::fromUtf8(t.stored)), QString::fromUtf8(t.shown));
    }
    const struct {
        std::optional<QString> stored;
        QString shown;
    } checks[] = {
        {std::nullopt, QString()},
        {QStringLiteral("sound"), QStringLiteral("정상")},
        {QStringLiteral("damaged: 파일 끝이 잘림"), QStringLiteral("손상: 파일 끝이 잘림")},
        {QStringLiteral("pending"), QStringLiteral("pending")},
    };
    for (const auto& c : checks) EXPECT_EQ(PictureCheckText(c.stored), c.shown);
}
