#include "core/ledgerdatabase.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

#include "platform/clock.h"

namespace {

// 2: photos.picture_check.
constexpr int kSchemaVersion = 2;
constexpr int kBusyTimeoutMs = 2000;
// SQLite's primary result codes that tell how a statement failed. Our statements are fixed, so a
// plain SQL error means tables that are not shaped as ours.
constexpr int kSqliteError = 1;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

constexpr const char* kTables[] = {
    "CREATE TABLE IF NOT EXISTS photos ("
    " id INTEGER PRIMARY KEY,"
    " save_folder TEXT NOT NULL,"
    " path TEXT NOT NULL,"
    " size INTEGER NOT NULL,"
    " sha256 TEXT,"
    " completed_at TEXT NOT NULL,"
    " resumes INTEGER NOT NULL,"
    " device INTEGER NOT NULL,"
    " inode INTEGER NOT NULL,"
    " picture_check TEXT)",
    "CREATE INDEX IF NOT EXISTS photos_by_place ON photos (save_folder, path)",
    "CREATE TABLE IF NOT EXISTS companions ("
    " id INTEGER PRIMARY KEY,"
    " save_folder TEXT NOT NULL,"
    " path TEXT NOT NULL,"
    " written_at TEXT NOT NULL)",
    // How often each photo not yet whole was resumed, until it is.
    "CREATE TABLE IF NOT EXISTS unfinished ("
    " save_folder TEXT NOT NULL,"
    " path TEXT NOT NULL,"
    " resumes INTEGER NOT NULL,"
    " PRIMARY KEY (save_folder, path))",
};

// A file whose tables lack what this program writes is not its ledger.
constexpr const char* kShapeProbes[] = {
    "SELECT id, save_folder, path, size, sha256, completed_at, resumes, device, inode, "
    "picture_check "
    "FROM photos LIMIT 0",
    "SELECT id, save_folder, path, written_at FROM companions LIMIT 0",
    "SELECT save_folder, path, resumes FROM unfinished LIMIT 0",
};

LedgerResult ResultOf(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    LedgerFault fault = LedgerFault::Failed;
    if (code == kSqliteBusy || code == kSqliteLocked) fault = LedgerFault::Busy;
    if (code == kSqliteError || code == kSqliteCorrupt || code == kSqliteNotADatabase) {
        fault = LedgerFault::Damaged;
    }
    return {fault, error.text()};
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QVariant NullWhenEmpty(const std::string& text) {
    return text.empty() ? QVariant() : QVariant(Text(text));
}

QString NewConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("delivery-ledger-%1").arg(next++);
}

// Runs one statement with its values; false with the result filled when it fails.
bool Run(QSqlQuery& query, const QString& statement, const QVariantList& values,
         LedgerResult& result) {
    if (!query.prepare(statement)) {
        result = ResultOf(query.lastError());
        return false;
    }
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) {
        result = ResultOf(query.lastError());
        return false;
    }
    return true;
}

bool Run(QSqlQuery& query, const char* statement, const QVariantList& values,
         LedgerResult& result) {
    return Run(query, QString::fromLatin1(statement), values, result);
}

bool WriteChange(QSqlQuery& query, const LedgerChange& change, LedgerResult& result) {
    const QString folder = Text(change.place.saveFolder);
    const QString path = Text(change.place.path);
    switch (change.kind) {
        case LedgerChange::Kind::FileStarted:
            return Run(query, "DELETE FROM unfinished WHERE save_folder = ? AND path = ?",
                       {folder, path}, result);
        case LedgerChange::Kind::FileResumed:
            return Run(query,
                       "INSERT INTO unfinished (save_folder, path, resumes) VALUES (?, ?, 1) "
                       "ON CONFLICT (save_folder, path) DO UPDATE SET resumes = resumes + 1",
                       {folder, path}, result);
        case LedgerChange::Kind::PhotoCompleted:
            return Run(query,
                       "INSERT INTO photos (save_folder, path, size, sha256, completed_at, "
                       "resumes, device, inode) VALUES (?, ?, ?, ?, ?, COALESCE((SELECT resumes "
                       "FROM unfinished WHERE save_folder = ? AND path = ?), 0), ?, ?)",
                       {folder, path, QVariant::fromValue<qint64>(change.photo.size),
                        NullWhenEmpty(change.sha256), Text(change.when), folder, path,
                        QVariant::fromValue(static_cast<qint64>(change.photo.device)),
                        QVariant::fromValue(static_cast<qint64>(change.photo.inode))},
                       result) &&
                   Run(query, "DELETE FROM unfinished WHERE save_folder = ? AND path = ?",
                       {folder, path}, result);
        case LedgerChange::Kind::CompanionWritten:
            return Run(query,
                       "INSERT INTO companions (save_folder, path, written_at) VALUES (?, ?, ?)",
                       {folder, path, Text(change.when)}, result);
        case LedgerChange::Kind::PhotoMoved:
            return Run(query,
                       "UPDATE photos SET path = ? WHERE id = (SELECT max(id) FROM photos WHERE "
                       "save_folder = ? AND path = ?)",
                       {Text(change.movedTo), folder, path}, result);
        case LedgerChange::Kind::PictureChecked:
            // By the file itself: the photo may have been kept under another name meanwhile.
            return Run(query,
                       "UPDATE photos SET picture_check = ? WHERE id = (SELECT max(id) FROM photos "
                       "WHERE save_folder = ? AND device = ? AND inode = ?)",
                       {Text(change.pictureCheck), folder,
                        QVariant::fromValue(static_cast<qint64>(change.photo.device)),
                        QVariant::fromValue(static_cast<qint64>(change.photo.inode))},
                       result);
    }
    return true;
}

}  // namespace

LedgerDatabase::LedgerDatabase(QString filePath)
    : m_filePath(std::move(filePath)), m_connectionName(NewConnectionName()) {}

LedgerDatabase::~LedgerDatabase() {
    Close();
}

LedgerResult LedgerDatabase::Open() {
    Close();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        return {LedgerFault::Failed, QStringLiteral("Qt SQLite driver (QSQLITE) missing")};
    }
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        database.setDatabaseName(m_filePath);
        // Waits a little for another program's lock; longer locks are the writer's to wait out.
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1")
                                       .arg(platform::ScaledMilliseconds(kBusyTimeoutMs)));
        if (!database.open()) {
            const LedgerResult result = ResultOf(database.lastError());
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            return result;
        }
    }
    m_open = true;
    LedgerResult result = Check();
    if (result.fault == LedgerFault::None) result = MakeTables();
    if (result.fault != LedgerFault::None) Close();
    return result;
}

LedgerResult LedgerDatabase::Check() {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    LedgerResult result;
    if (!Run(query, "PRAGMA quick_check", {}, result)) return result;
    if (!query.next() || query.value(0).toString() != QLatin1String("ok")) {
        return {LedgerFault::Damaged, QStringLiteral("quick_check: ") + query.value(0).toString()};
    }
    if (!Run(query, "PRAGMA user_version", {}, result) || !query.next()) return result;
    const int version = query.value(0).toInt();
    if (version > kSchemaVersion) {
        return {LedgerFault::Damaged, QStringLiteral("unknown ledger version %1").arg(version)};
    }
    return result;
}

LedgerResult LedgerDatabase::MakeTables() {
    QSqlDatabase database = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery query(database);
    LedgerResult result;
    if (!database.transaction()) return ResultOf(database.lastError());
    for (const char* statement : kTables) {
        if (!Run(query, statement, {}, result)) break;
    }
    if (result.fault == LedgerFault::None) result = Upgrade(query);
    if (result.fault == LedgerFault::None) {
        Run(query, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion), {}, result);
    }
    if (result.fault != LedgerFault::None || !database.commit()) {
        if (result.fault == LedgerFault::None) result = ResultOf(database.lastError());
        database.rollback();
        return result;
    }
    for (const char* probe : kShapeProbes) {
        // Tables of the same names made by something else.
        if (!Run(query, probe, {}, result)) return {LedgerFault::Damaged, result.error};
    }
    // Only a file known as ours is switched to the write-ahead log, which lets readers (the
    // history window, sqlite3) look while photos arrive.
    Run(query, "PRAGMA journal_mode = WAL", {}, result) &&
        Run(query, "PRAGMA synchronous = NORMAL", {}, result);
    return result;
}

LedgerResult LedgerDatabase::Upgrade(QSqlQuery& query) {
    LedgerResult result;
    if (!Run(query, "PRAGMA table_info(photos)", {}, result)) return result;
    bool hasPictureCheck = false;
    while (query.next()) {
        hasPictureCheck =
            hasPictureCheck || query.value(1).toString() == QLatin1String("picture_check");
    }
    if (!hasPictureCheck)
        Run(query, "ALTER TABLE photos ADD COLUMN picture_check TEXT", {}, result);
    return result;
}

std::vector<std::pair<PhotoPlace, StoredPhoto>> LedgerDatabase::CompletedPhotos(
    LedgerResult& result) {
    std::vector<std::pair<PhotoPlace, StoredPhoto>> photos;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!Run(query,
             "SELECT save_folder, path, size, device, inode FROM photos WHERE id IN "
             "(SELECT max(id) FROM photos GROUP BY save_folder, path) ORDER BY id",
             {}, result)) {
        return photos;
    }
    while (query.next()) {
        photos.push_back(
            {{query.value(0).toString().toStdString(), query.value(1).toString().toStdString()},
             {query.value(2).toLongLong(), static_cast<std::uint64_t>(query.value(3).toLongLong()),
              static_cast<std::uint64_t>(query.value(4).toLongLong())}});
    }
    if (query.lastError().isValid()) result = ResultOf(query.lastError());
    return photos;
}

LedgerResult LedgerDatabase::Write(const std::vector<LedgerChange>& changes) {
    if (!m_open) return {LedgerFault::Failed, QStringLiteral("not open")};
    QSqlDatabase database = QSqlDatabase::database(m_connectionName, false);
    if (!database.transaction()) return ResultOf(database.lastError());
    QSqlQuery query(database);
    LedgerResult result;
    for (const LedgerChange& change : changes) {
        if (!WriteChange(query, change, result)) break;
    }
    if (result.fault == LedgerFault::None && !database.commit()) {
        result = ResultOf(database.lastError());
    }
    if (result.fault != LedgerFault::None) database.rollback();
    return result;
}

QString LedgerDatabase::SetAside() {
    Close();
    const QString aside = m_filePath + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::exists(m_filePath) && !QFile::rename(m_filePath, aside)) return {};
    // The log belongs to the file set aside; the shared-memory index is rebuilt from nothing.
    QFile::rename(m_filePath + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(m_filePath + QStringLiteral("-shm"));
    return aside;
}

void LedgerDatabase::Close() {
    if (!m_open) return;
    m_open = false;
    QSqlDatabase::database(m_connectionName, false).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}
