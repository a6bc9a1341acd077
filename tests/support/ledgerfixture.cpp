#include "support/ledgerfixture.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace testsupport {

namespace {

void Exec(QSqlQuery& query, const QString& statement) {
    ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void MakeLedger(const std::filesystem::path& file, LedgerVersion version,
                const std::vector<LedgerPhoto>& photos) {
    const QString name = QStringLiteral("ledger-fixture");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(QString::fromStdString(file.string()));
        ASSERT_TRUE(database.open());
        const bool second = version == LedgerVersion::Second;
        QSqlQuery query(database);
        Exec(query, QStringLiteral("PRAGMA journal_mode = WAL"));
        Exec(query, QStringLiteral("PRAGMA user_version = %1").arg(second ? 2 : 1));
        Exec(query, QStringLiteral("CREATE TABLE photos (id INTEGER PRIMARY KEY, save_folder TEXT "
                                   "NOT NULL, path TEXT NOT NULL, size INTEGER NOT NULL, sha256 "
                                   "TEXT, completed_at TEXT NOT NULL, resumes INTEGER NOT NULL, "
                                   "device INTEGER NOT NULL, inode INTEGER NOT NULL%1)")
                        .arg(second ? QStringLiteral(", picture_check TEXT") : QString()));
        database.transaction();
        for (const LedgerPhoto& photo : photos) {
            ASSERT_TRUE(query.prepare(
                QStringLiteral("INSERT INTO photos (save_folder, path, size, sha256, "
                               "completed_at, resumes, device, inode) VALUES (?, ?, ?, ?, ?, ?, 1, "
                               "1)")));
            for (const QVariant& value :
                 {QVariant(Text(photo.saveFolder)), QVariant(Text(photo.path)),
                  QVariant(photo.size), QVariant(Text(photo.sha256)),
                  QVariant(Text(photo.completedAt)), QVariant(photo.resumes)}) {
                query.addBindValue(value);
            }
            ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
            if (second && photo.pictureCheck) {
                ASSERT_TRUE(query.prepare(QStringLiteral(
                    "UPDATE photos SET picture_check = ? WHERE id = last_insert_rowid()")));
                query.addBindValue(Text(*photo.pictureCheck));
                ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
            }
        }
        ASSERT_TRUE(database.commit());
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QStringList LedgerRows(const std::filesystem::path& file, const char* statement) {
    const QString name = QStringLiteral("ledger-rows");
    QStringList rows;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(QString::fromStdString(file.string()));
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (database.open()) {
            QSqlQuery query(database);
            if (query.exec(QString::fromLatin1(statement))) {
                while (query.next()) {
                    QStringList values;
                    for (int i = 0; i < query.record().count(); ++i) {
                        values << query.value(i).toString();
                    }
                    rows << values.join(u'|');
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

}  // namespace testsupport
