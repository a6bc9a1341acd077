#pragma once
// The delivery ledger's SQLite file: its tables, the check that it is sound, the changes written
// in one transaction each time. Used from one thread only, the ledger's writer.
#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "core/deliveredphoto.h"

class QSqlQuery;

// One change the reception made, to be written.
struct LedgerChange {
    enum class Kind {
        FileStarted,       // a photo received from its first byte
        FileResumed,       // a stored part of a photo resumed
        PhotoCompleted,    // the photo is whole
        CompanionWritten,  // the companion text at `place` was written
        PhotoMoved,        // the completed photo at `place` was kept under `movedTo`
        PictureChecked,    // the completed photo `photo` (device and inode) had its picture checked
    };
    Kind kind;
    PhotoPlace place;
    std::string movedTo;
    StoredPhoto photo;         // PhotoCompleted
    std::string sha256;        // PhotoCompleted: hex, empty when the file could not be read
    std::string when;          // ISO 8601 with the offset from UTC
    std::string pictureCheck;  // PictureChecked: "sound", or "damaged: " and why
};

enum class LedgerFault {
    None,
    Busy,     // another program holds the file locked
    Damaged,  // not a ledger, or not a sound one: set aside and made anew
    Failed,   // anything else (no room, no permission, an I/O error)
};

struct LedgerResult {
    LedgerFault fault = LedgerFault::None;
    QString error;  // SQLite's words, when it failed
};

class LedgerDatabase {
public:
    explicit LedgerDatabase(QString filePath);
    ~LedgerDatabase();
    LedgerDatabase(const LedgerDatabase&) = delete;
    LedgerDatabase& operator=(const LedgerDatabase&) = delete;

    // Opens the file (made when missing), checks it and makes its tables.
    LedgerResult Open();
    // Closes the file and moves it, with its write-ahead log, to a name of its own beside it; the
    // new name, or empty when it could not be moved.
    QString SetAside();
    // The last completion of every photo place the ledger holds, oldest first.
    std::vector<std::pair<PhotoPlace, StoredPhoto>> CompletedPhotos(LedgerResult& result);
    // The changes in one transaction: all of them or none.
    LedgerResult Write(const std::vector<LedgerChange>& changes);

    // Closes the file; on the thread that opened it.
    void Close();

private:
    LedgerResult Check();
    LedgerResult MakeTables();
    // Adds what a later version of the tables has to a file made by an earlier one.
    LedgerResult Upgrade(QSqlQuery& query);

    const QString m_filePath;
    const QString m_connectionName;
    bool m_open = false;
};
