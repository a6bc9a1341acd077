#pragma once
// "수신 기록": every photo the delivery ledger holds, newest first, searched by name or folder and
// by a range of days as the user types; a photo or its folder opened with the desktop's programs,
// the matches exported as a CSV file. The ledger is read while the client writes it.
#include <QTimer>
#include <QWidget>

#include "core/ledgerhistory.h"

class ClientSession;
class HistoryModel;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class HistoryWindow : public QWidget {
    Q_OBJECT

public:
    // More would make a ledger of years slow to show; the export takes every match.
    static constexpr int kShownLimit = 5000;

    explicit HistoryWindow(const QString& ledgerFile, QWidget* parent = nullptr);

    // Reads the ledger with the filter on screen.
    void Refresh();
    // The same from the file opened anew: the writer may have set it aside and made a new one.
    void ReadAgain();
    // The selected photo, or its folder, with the desktop's program.
    void OpenPhoto();
    void OpenFolder();
    void ExportCsv();

    HistoryFilter Filter() const;
    const QTableView* Table() const { return m_table; }
    // What the line below the list says about it.
    QString StatusText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLayout* MakeSearchRow();
    QLayout* MakeButtonRow();
    void ShowPage(const HistoryPage& page);
    QString StatusLine(const HistoryPage& page) const;
    void UpdateButtons();
    // The selected photo's row, or none.
    const HistoryRow* Selected() const;
    void Say(const QString& text);

    LedgerHistory m_history;
    HistoryModel* m_model;
    QTableView* m_table;
    QLineEdit* m_search;
    QCheckBox* m_fromOn;
    QDateEdit* m_from;
    QCheckBox* m_toOn;
    QDateEdit* m_to;
    QLabel* m_status;
    QPushButton* m_openPhoto;
    QPushButton* m_openFolder;
    QTimer m_typingPause;  // the filter applies once the user stops typing
};

// The one history window of the program: made below `owner` the first time, shown and raised.
HistoryWindow* OpenHistoryWindow(QWidget* owner, const ClientSession& session);
