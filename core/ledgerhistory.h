#pragma once
// The delivery ledger as the history window reads it: the completed photos, newest first, that
// match a text and a range of days. It reads through a connection of its own that never writes,
// while the client's writer goes on writing (write-ahead log).
#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

struct HistoryFilter {
    QString text;               // in the name or the folders below the save folder, any case
    std::optional<QDate> from;  // local days, both included; none: no bound
    std::optional<QDate> to;
};

struct HistoryRow {
    QString saveFolder;
    QString path;  // below the save folder, "/" between the levels
    qint64 size = 0;
    QString sha256;       // hex; empty when the file could not be read
    QString completedAt;  // as stored: ISO 8601 with the offset from UTC
    int resumes = 0;
    std::optional<QString> pictureCheck;  // none: not checked (or a ledger without the column)

    QString Name() const;
    // The levels above the name; empty for a photo right in the save folder.
    QString Folder() const;
    QString FilePath() const;
    QString FolderPath() const;
};

enum class HistoryState {
    Rows,        // read; there may be none
    NoLedger,    // no photo was ever recorded
    Unreadable,  // see the error
};

struct HistoryStatus {
    HistoryState state = HistoryState::Rows;
    QString error;
};

struct HistoryPage {
    HistoryStatus status;
    std::vector<HistoryRow> rows;
    bool more = false;  // older matches beyond the limit
};

class LedgerHistory {
public:
    explicit LedgerHistory(QString filePath);
    ~LedgerHistory();
    LedgerHistory(const LedgerHistory&) = delete;
    LedgerHistory& operator=(const LedgerHistory&) = delete;

    // The newest `limit` matches.
    HistoryPage Read(const HistoryFilter& filter, int limit);
    // Every match, newest first, handed to `take` one at a time.
    HistoryStatus ForEach(const HistoryFilter& filter,
                          const std::function<void(const HistoryRow&)>& take);
    // The next read opens the file anew: the writer may have set it aside and made a new one.
    void Close();

private:
    HistoryStatus Open();
    HistoryStatus Select(const HistoryFilter& filter, int limit,
                         const std::function<void(const HistoryRow&)>& take);
    HistoryStatus Query(const HistoryFilter& filter, int limit,
                        const std::function<void(const HistoryRow&)>& take);

    const QString m_filePath;
    const QString m_connectionName;
    bool m_open = false;
    bool m_hasPictureCheck = false;  // a ledger of the first version has no such column
};
