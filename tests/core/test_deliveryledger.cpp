// The delivery ledger on a real folder, fed by the reception logic over the disk store: its rows,
// the resume rule it adds, and a ledger file that is damaged or locked.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <filesystem>
#include <mutex>

#include "core/deliveryledger.h"
#include "platform/clock.h"
#include "storeconnection.h"
#include "support/ledgerfixture.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

struct PhotoRow {
    std::string path;
    long long size;
    std::string sha256;
    std::string completedAt;
    int resumes;
};

// Another program's connection to the ledger file, as sqlite3 or a history window would have.
class LedgerReader {
public:
    explicit LedgerReader(const fs::path& file) {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(QString::fromStdString(file.string()));
        EXPECT_TRUE(database.open());
    }
    ~LedgerReader() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    std::vector<PhotoRow> Photos() {
        std::vector<PhotoRow> rows;
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        EXPECT_TRUE(query.exec(QStringLiteral(
            "SELECT path, size, sha256, completed_at, resumes FROM photos ORDER BY id")))
            << query.lastError().text().toStdString();
        while (query.next()) {
            rows.push_back({query.value(0).toString().toStdString(), query.value(1).toLongLong(),
                            query.value(2).toString().toStdString(),
                            query.value(3).toString().toStdString(), query.value(4).toInt()});
        }
        return rows;
    }
    std::vector<std::string> Companions() {
        std::vector<std::string> paths;
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT path FROM companions ORDER BY id")));
        while (query.next()) paths.push_back(query.value(0).toString().toStdString());
        return paths;
    }
    bool Run(const char* statement) {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(QString::fromLatin1(statement));
    }

private:
    const QString m_name = QStringLiteral("ledger-reader-%1").arg(reinterpret_cast<quintptr>(this));
};

std::string Sha256(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

class DeliveryLedgerTest : public ::testing::Test {
protected:
    DeliveryLedgerTest() { fs::create_directory(save); }
    ~DeliveryLedgerTest() override { platform::SetTimeScaleForTests(1.0); }

    std::unique_ptr<DeliveryLedger> OpenLedger() {
        return std::make_unique<DeliveryLedger>(ledgerFile.string(),
                                                [this](const std::string& line) {
                                                    const std::lock_guard lock(m_linesMutex);
                                                    m_lines.push_back(line);
                                                });
    }
    bool Said(const std::string& part) {
        const std::lock_guard lock(m_linesMutex);
        return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }
    // One whole photo of one block over a connection; the outcome of its file end.
    RecordOutcome Deliver(DeliveryLedger& ledger, const std::string& folder,
                          const std::string& name, const std::string& bytes,
                          const std::string& companion = "") {
        StoreConnection connection(guard, &ledger);
        const RecordOutcome header = connection.Handle(
            nettest::FileHeader(folder, name, static_cast<long long>(bytes.size()), companion));
        const std::int64_t stored = connection.Store().Info().storedSize;
        const std::string rest = bytes.substr(static_cast<std::size_t>(stored));
        if (!rest.empty()) {
            connection.Handle(nettest::SubBlock(1, 1, rest));
            connection.Handle(nettest::BlockCheck(1, 1));
        }
        RecordOutcome end =
            connection.Handle(nettest::FileEnd(static_cast<long long>(rest.size())));
        end.reports.insert(end.reports.begin(), header.reports.begin(), header.reports.end());
        return end;
    }

    TestFolder m_root;
    const fs::path save = m_root.Path() / "save";
    const fs::path ledgerFile = m_root.Path() / DELIVERY_LEDGER_FILE;
    SaveFolderGuard guard;
    int m_set = (guard.Set(save.string()), 0);
    std::mutex m_linesMutex;
    std::vector<std::string> m_lines;
};

}  // namespace

TEST_F(DeliveryLedgerTest, ACompletedPhotoGetsItsPathSizeHashTimeAndResumesAndItsCompanion) {
    auto ledger = OpenLedger();
    {
        // The first connection ends after one block: the next one resumes after it.
        StoreConnection connection(guard, ledger.get());
        ASSERT_EQ(connection.Answer(nettest::FileHeader("album\\2026", "a.jpg", 6, "01:hello")),
                  Accepted(0));
        connection.Handle(nettest::SubBlock(1, 1, "abc"));
        ASSERT_EQ(connection.Answer(nettest::BlockCheck(1, 1)), nettest::Answer(2003, "Y000000"));
    }
    EXPECT_TRUE(HasLine(Deliver(*ledger, "album\\2026", "a.jpg", "abcdef"), "파일 수신 완료!"));
    // Sent again whole: no second delivery.
    EXPECT_TRUE(HasLine(Deliver(*ledger, "album\\2026", "a.jpg", "abcdef"), "파일 수신 완료!"));
    EXPECT_TRUE(HasLine(Deliver(*ledger, "", "b.jpg", "xyz"), "파일 수신 완료!"));
    ASSERT_TRUE(ledger->Flush());

    LedgerReader reader(ledgerFile);
    const std::vector<PhotoRow> rows = reader.Photos();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].path, "album/2026/a.jpg");
    EXPECT_EQ(rows[0].size, 6);
    EXPECT_EQ(rows[0].sha256, Sha256("abcdef"));
    EXPECT_EQ(rows[0].resumes, 1);
    EXPECT_EQ(rows[1].path, "b.jpg");
    EXPECT_EQ(rows[1].sha256, Sha256("xyz"));
    EXPECT_EQ(rows[1].resumes, 0);
    const QDateTime completed =
        QDateTime::fromString(QString::fromStdString(rows[0].completedAt), Qt::ISODate);
    ASSERT_TRUE(completed.isValid()) << rows[0].completedAt;
    EXPECT_LT(std::abs(completed.secsTo(QDateTime::currentDateTime())), 600);
    EXPECT_EQ(reader.Companions(), std::vector<std::string>{"album/2026/a.txt"});
}

// A stored file is resumed from its size unless it cannot be the start of the photo announced:
// the very photo the ledger holds as completed there with another size is kept aside.
TEST_F(DeliveryLedgerTest, OnlyAPhotoCompletedWithAnotherSizeIsKeptAsideOthersAreResumed) {
    auto ledger = OpenLedger();
    ASSERT_TRUE(HasLine(Deliver(*ledger, "", "done.jpg", "first photo"), "파일 수신 완료!"));
    WriteFileBytes(save / "left.jpg", "left by an earlier installation");

    RecordOutcome got = Deliver(*ledger, "", "done.jpg", "a second, longer photo");
    EXPECT_TRUE(HasLine(got, "이미 받은 사진이어서 done (1).jpg 로 옮기고 처음부터 받음"));
    EXPECT_EQ(ReadFileBytes(save / "done (1).jpg"), "first photo");
    EXPECT_EQ(ReadFileBytes(save / "done.jpg"), "a second, longer photo");
    // Unknown to the ledger: resumed as before.
    got = Deliver(*ledger, "", "left.jpg", "left by an earlier installation, now whole");
    EXPECT_FALSE(HasLine(got, "옮기고"));
    EXPECT_EQ(ReadFileBytes(save / "left.jpg"), "left by an earlier installation, now whole");
    {
        // A shorter photo: the longer one stored is kept aside (too long to be its start).
        StoreConnection connection(guard, ledger.get());
        ASSERT_EQ(connection.Answer(nettest::FileHeader("", "done.jpg", 10)), Accepted(0));
        EXPECT_EQ(ReadFileBytes(save / "done (2).jpg"), "a second, longer photo");
    }
    {
        // A part of it after a broken connection lies under the completed photo's old name:
        // another file than the one completed there, so it is resumed.
        StoreConnection connection(guard, ledger.get());
        ASSERT_EQ(connection.Answer(nettest::FileHeader("", "done.jpg", 10)), Accepted(0));
        connection.Handle(nettest::SubBlock(1, 1, "12345"));
        ASSERT_EQ(connection.Answer(nettest::BlockCheck(1, 1)), nettest::Answer(2003, "Y000000"));
    }
    got = Deliver(*ledger, "", "done.jpg", "1234567890");
    EXPECT_FALSE(HasLine(got, "옮기고"));
    EXPECT_EQ(ReadFileBytes(save / "done.jpg"), "1234567890");

    ASSERT_TRUE(ledger->Flush());
    LedgerReader reader(ledgerFile);
    std::vector<std::string> paths;
    for (const PhotoRow& row : reader.Photos()) paths.push_back(row.path);
    // Each completed photo's row follows it to the name it was kept under.
    EXPECT_EQ(paths,
              (std::vector<std::string>{"done (1).jpg", "done (2).jpg", "left.jpg", "done.jpg"}));
}

// The ledger is read again at the next start: the rule holds across runs.
TEST_F(DeliveryLedgerTest, ThePhotosCompletedInAnEarlierRunAreKnownAtTheNext) {
    ASSERT_TRUE(HasLine(Deliver(*OpenLedger(), "", "p.jpg", "old photo"), "파일 수신 완료!"));
    auto ledger = OpenLedger();
    EXPECT_TRUE(HasLine(Deliver(*ledger, "", "p.jpg", "the new photo"), "p (1).jpg 로 옮기고"));
}

// A check's verdict lands on the row of the file it read, also when that photo was kept under
// another name before the verdict came.
TEST_F(DeliveryLedgerTest, APictureCheckMarksTheRowOfTheFileItReadWhereverItWasKept) {
    auto ledger = OpenLedger();
    ASSERT_TRUE(HasLine(Deliver(*ledger, "", "p.jpg", "first"), "파일 수신 완료!"));
    struct stat first {};
    ASSERT_EQ(::stat((save / "p.jpg").c_str(), &first), 0);
    ASSERT_TRUE(HasLine(Deliver(*ledger, "", "p.jpg", "second, longer"), "p (1).jpg 로 옮기고"));
    const PhotoPlace place{save.string(), "p.jpg"};
    ledger->PictureChecked(place, {5, first.st_dev, first.st_ino}, "damaged: 끝 표시 없음");
    ASSERT_TRUE(ledger->Flush());

    EXPECT_EQ(
        testsupport::LedgerRows(ledgerFile, "SELECT path, picture_check FROM photos ORDER BY id"),
        (QStringList{QStringLiteral("p (1).jpg|damaged: 끝 표시 없음"), QStringLiteral("p.jpg|")}));
}

// A ledger of the first version has no picture checks: the column is added, its rows kept.
TEST_F(DeliveryLedgerTest, ALedgerOfTheFirstVersionIsUpgradedWithItsRowsKept) {
    {
        LedgerReader old(ledgerFile);
        ASSERT_TRUE(old.Run(
            "CREATE TABLE photos (id INTEGER PRIMARY KEY, save_folder TEXT NOT NULL, path TEXT NOT "
            "NULL, size INTEGER NOT NULL, sha256 TEXT, completed_at TEXT NOT NULL, resumes INTEGER "
            "NOT NULL, device INTEGER NOT NULL, inode INTEGER NOT NULL)"));
        ASSERT_TRUE(
            old.Run("INSERT INTO photos VALUES (1, '/s', 'old.jpg', 3, 'ab', "
                    "'2026-01-02T03:04:05+09:00', 0, 1, 2)"));
        ASSERT_TRUE(old.Run("PRAGMA user_version = 1"));
    }
    auto ledger = OpenLedger();
    ASSERT_TRUE(HasLine(Deliver(*ledger, "", "new.jpg", "abc"), "파일 수신 완료!"));
    ledger->PictureChecked({"/s", "old.jpg"}, {3, 1, 2}, "sound");
    ASSERT_TRUE(ledger->Flush());
    EXPECT_FALSE(Said("손상")) << "an upgrade is no damage";
    EXPECT_EQ(
        testsupport::LedgerRows(ledgerFile, "SELECT path, picture_check FROM photos ORDER BY id"),
        (QStringList{QStringLiteral("old.jpg|sound"), QStringLiteral("new.jpg|")}));
    EXPECT_EQ(testsupport::LedgerRows(ledgerFile, "PRAGMA user_version"),
              QStringList{QStringLiteral("2")});
}

TEST_F(DeliveryLedgerTest, ADamagedLedgerIsSetAsideAndMadeAnewWhileReceptionGoesOn) {
    struct Case {
        const char* what;
        std::function<void()> damage;
    };
    const Case cases[] = {
        {"not a database", [&] { WriteFileBytes(ledgerFile, std::string(4096, 'x')); }},
        {"tables of another program",
         [&] {
             LedgerReader other(ledgerFile);
             ASSERT_TRUE(other.Run("CREATE TABLE photos (name TEXT)"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_root.Path());
        fs::create_directories(save);
        c.damage();
        const std::string damaged = ReadFileBytes(ledgerFile);
        auto ledger = OpenLedger();
        EXPECT_TRUE(HasLine(Deliver(*ledger, "", "a.jpg", "photo"), "파일 수신 완료!"));
        ASSERT_TRUE(ledger->Flush());
        EXPECT_TRUE(Said("수신 기록 파일이 손상되어 새로 만듭니다"));
        int setAside = 0;
        for (const auto& entry : fs::directory_iterator(m_root.Path())) {
            if (entry.path().filename().string().starts_with(std::string(DELIVERY_LEDGER_FILE) +
                                                             ".damaged-")) {
                ++setAside;
                EXPECT_TRUE(ReadFileBytes(entry.path()) == damaged);
            }
        }
        EXPECT_EQ(setAside, 1);
        LedgerReader reader(ledgerFile);
        EXPECT_EQ(reader.Photos().size(), 1u);
    }
}

TEST_F(DeliveryLedgerTest, ALockedLedgerKeepsItsRowsUntilItIsFreeAndIsMadeAnewWhenItStaysLocked) {
    platform::SetTimeScaleForTests(0.01);
    auto ledger = OpenLedger();
    ASSERT_TRUE(ledger->Flush());
    {
        LedgerReader locker(ledgerFile);
        ASSERT_TRUE(locker.Run("BEGIN EXCLUSIVE"));
        // Reception completes photos meanwhile; the rows wait.
        EXPECT_TRUE(HasLine(Deliver(*ledger, "", "a.jpg", "photo a"), "파일 수신 완료!"));
        EXPECT_FALSE(ledger->Flush());
        EXPECT_TRUE(Said("수신 기록 파일에 지금 쓸 수 없어 나중에 씁니다"));
        ASSERT_TRUE(locker.Run("COMMIT"));
    }
    EXPECT_TRUE(ledger->Flush());
    EXPECT_TRUE(Said("수신 기록 파일에 다시 씁니다"));
    EXPECT_EQ(LedgerReader(ledgerFile).Photos().size(), 1u);

    // Locked for longer than a minute (scaled): set aside, and the rows go to a new file.
    LedgerReader locker(ledgerFile);
    ASSERT_TRUE(locker.Run("BEGIN EXCLUSIVE"));
    EXPECT_TRUE(HasLine(Deliver(*ledger, "", "b.jpg", "photo b"), "파일 수신 완료!"));
    bool written = false;
    for (int attempt = 0; attempt < 200 && !written; ++attempt) written = ledger->Flush();
    EXPECT_TRUE(written);
    EXPECT_TRUE(Said("수신 기록 파일에 1분 넘게 쓸 수 없어 새로 만듭니다"));
    ASSERT_TRUE(locker.Run("ROLLBACK"));
    const std::vector<PhotoRow> rows = LedgerReader(ledgerFile).Photos();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, "b.jpg");
}
