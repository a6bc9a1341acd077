#include "core/ledgerhistory.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <atomic>

namespace {

// A reader waits only a moment for the writer's rare exclusive moments (a checkpoint's end).
constexpr char kConnectOptions[] = "QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000";
const QString kUtcFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString NewConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("ledger-history-%1").arg(next++);
}

HistoryStatus Unreadable(const QSqlError& error) {
    return {HistoryState::Unreadable, error.text()};
}

// LIKE's own signs in the user's text stand for themselves.
QString ContainsPattern(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// The moment a local day starts, as SQLite's datetime() gives a stored time: in UTC.
QString UtcStartOf(const QDate& day) {
    return day.startOfDay().toUTC().toString(kUtcFormat);
}

}  // namespace

QString HistoryRow::Name() const {
    return path.section(QLatin1Char('/'), -1);
}

QString HistoryRow::Folder() const {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString HistoryRow::FilePath() const {
    return saveFolder.endsWith(QLatin1Char('/')) ? saveFolder + path
                                                 : saveFolder + QLatin1Char('/') + path;
}

QString HistoryRow::FolderPath() const {
    const QString file = FilePath();
    return file.left(file.lastIndexOf(QLatin1Char('/')));
}

LedgerHistory::LedgerHistory(QString filePath)
    : m_filePath(std::move(filePath)), m_connectionName(NewConnectionName()) {}

LedgerHistory::~LedgerHistory() {
    Close();
}

HistoryStatus LedgerHistory::Open() {
    if (m_open) return {};
    // Never made here: a connection that only reads cannot, and a client that has received
    // nothing has no ledger yet.
    if (!QFileInfo::exists(m_filePath)) return {HistoryState::NoLedger, {}};
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        database.setDatabaseName(m_filePath);
        database.setConnectOptions(QString::fromLatin1(kConnectOptions));
        if (!database.open()) {
            const HistoryStatus status = Unreadable(database.lastError());
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            return status;
        }
    }
    m_open = true;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(QStringLiteral("SELECT name FROM pragma_table_info('photos')"))) {
        const HistoryStatus status = Unreadable(query.lastError());
        Close();
        return status;
    }
    QStringList columns;
    while (query.next()) columns << query.value(0).toString();
    if (columns.isEmpty()) {
        // The writer has made the file but not yet its tables.
        const bool empty = query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) &&
                           query.next() && query.value(0).toInt() == 0;
        Close();
        if (empty) return {HistoryState::NoLedger, {}};
        return {HistoryState::Unreadable, QStringLiteral("no table photos")};
    }
    m_hasPictureCheck = columns.contains(QStringLiteral("picture_check"));
    return {};
}

void LedgerHistory::Close() {
    if (!m_open) return;
    m_open = false;
    QSqlDatabase::database(m_connectionName, false).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

HistoryPage LedgerHistory::Read(const HistoryFilter& filter, int limit) {
    HistoryPage page;
    // One more than shown tells whether there are more.
    page.status =
        Select(filter, limit + 1, [&page](const HistoryRow& row) { page.rows.push_back(row); });
    if (static_cast<int>(page.rows.size()) > limit) {
        page.rows.pop_back();
        page.more = true;
    }
    return page;
}

HistoryStatus LedgerHistory::ForEach(const HistoryFilter& filter,
                                     const std::function<void(const HistoryRow&)>& take) {
    return Select(filter, -1, take);  // SQLite takes a negative limit as none
}

HistoryStatus LedgerHistory::Select(const HistoryFilter& filter, int limit,
                                    const std::function<void(const HistoryRow&)>& take) {
    if (const HistoryStatus opened = Open(); opened.state != HistoryState::Rows) return opened;
    const HistoryStatus status = Query(filter, limit, take);
    // A file that failed may be another by the next read.
    if (status.state != HistoryState::Rows) Close();
    return status;
}

HistoryStatus LedgerHistory::Query(const HistoryFilter& filter, int limit,
                                   const std::function<void(const HistoryRow&)>& take) {
    QString statement =
        QStringLiteral(
            "SELECT save_folder, path, size, sha256, completed_at, "
            "resumes, %1 FROM photos WHERE 1")
            .arg(m_hasPictureCheck ? QStringLiteral("picture_check") : QStringLiteral("NULL"));
    QVariantList values;
    if (!filter.text.isEmpty()) {
        statement += QStringLiteral(" AND path LIKE ? ESCAPE '\\'");
        values << ContainsPattern(filter.text);
    }
    // Stored times carry the offset of where they were written; datetime() compares them in UTC.
    if (filter.from) {
        statement += QStringLiteral(" AND datetime(completed_at) >= ?");
        values << UtcStartOf(*filter.from);
    }
    if (filter.to) {
        statement += QStringLiteral(" AND datetime(completed_at) < ?");
        values << UtcStartOf(filter.to->addDays(1));
    }
    // Rows are added as photos complete: the newest has the highest id, whatever the clock said.
    statement += QStringLiteral(" ORDER BY id DESC LIMIT ?");
    values << limit;

    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    if (!query.prepare(statement)) return Unreadable(query.lastError());
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) return Unreadable(query.lastError());
    while (query.next()) {
        const QVariant check = query.value(6);
        take({query.value(0).toString(), query.value(1).toString(), query.value(2).toLongLong(),
              query.value(3).toString(), query.value(4).toString(), query.value(5).toInt(),
              check.isNull() ? std::nullopt : std::optional<QString>(check.toString())});
    }
    if (query.lastError().isValid()) return Unreadable(query.lastError());
    return {};
}
