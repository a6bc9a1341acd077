#include "gui/historywindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "core/clientsession.h"
#include "core/deliveryledger.h"
#include "core/historycsv.h"
#include "gui/desktopopen.h"
#include "gui/historymodel.h"
#include "gui/messagebox.h"
#include "gui/savefilepicker.h"
#include "protocol/thousands.h"

namespace {

constexpr int kTypingPauseMs = 200;
const QString kTitle = QStringLiteral("수신 기록");

QString Count(int count) {
    return QString::fromStdString(FormatThousands(count));
}

QDateEdit* MakeDateEdit(const QDate& date, QWidget* parent) {
    auto* edit = new QDateEdit(date, parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setEnabled(false);
    // Its own width leaves the last digit against the arrow.
    edit->setMinimumWidth(edit->sizeHint().width() +
                          edit->fontMetrics().horizontalAdvance(QLatin1Char('0')));
    return edit;
}

}  // namespace

HistoryWindow::HistoryWindow(const QString& ledgerFile, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_history(ledgerFile),
      m_model(new HistoryModel(this)),
      m_table(new QTableView(this)),
      m_search(new QLineEdit(this)),
      m_fromOn(new QCheckBox(QStringLiteral("부터"), this)),
      m_from(MakeDateEdit(QDate::currentDate().addMonths(-1), this)),
      m_toOn(new QCheckBox(QStringLiteral("까지"), this)),
      m_to(MakeDateEdit(QDate::currentDate(), this)),
      m_status(new QLabel(this)),
      m_openPhoto(new QPushButton(QStringLiteral("사진 열기"), this)),
      m_openFolder(new QPushButton(QStringLiteral("폴더 열기"), this)) {
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    // A double click, or Enter (or one click where the desktop opens items so).
    connect(m_table, &QTableView::activated, this, [this] { OpenPhoto(); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateButtons(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(MakeSearchRow());
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addLayout(MakeButtonRow());
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(kTypingPauseMs);
    connect(&m_typingPause, &QTimer::timeout, this, [this] { Refresh(); });
    UpdateButtons();
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(960, 560);
}

QLayout* HistoryWindow::MakeSearchRow() {
    m_search->setPlaceholderText(QStringLiteral("파일명 또는 폴더 검색"));
    m_search->setClearButtonEnabled(true);
    const auto later = [this] { m_typingPause.start(); };
    connect(m_search, &QLineEdit::textChanged, this, later);
    connect(m_from, &QDateEdit::dateChanged, this, later);
    connect(m_to, &QDateEdit::dateChanged, this, later);
    // An unticked bound is no bound: by default every photo is listed.
    for (auto [box, edit] : {std::pair{m_fromOn, m_from}, std::pair{m_toOn, m_to}}) {
        connect(box, &QCheckBox::toggled, this, [edit, later](bool on) {
            edit->setEnabled(on);
            later();
        });
    }
    auto* refresh = new QPushButton(QStringLiteral("새로 고침"), this);
    connect(refresh, &QPushButton::clicked, this, [this] { ReadAgain(); });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("검색"), this));
    row->addWidget(m_search, 1);
    row->addSpacing(12);
    for (QWidget* widget : {static_cast<QWidget*>(m_fromOn), static_cast<QWidget*>(m_from),
                            static_cast<QWidget*>(m_toOn), static_cast<QWidget*>(m_to)}) {
        row->addWidget(widget);
    }
    row->addSpacing(12);
    row->addWidget(refresh);
    return row;
}

QLayout* HistoryWindow::MakeButtonRow() {
    auto* exportCsv = new QPushButton(QStringLiteral("CSV로 내보내기"), this);
    connect(m_openPhoto, &QPushButton::clicked, this, [this] { OpenPhoto(); });
    connect(m_openFolder, &QPushButton::clicked, this, [this] { OpenFolder(); });
    connect(exportCsv, &QPushButton::clicked, this, [this] { ExportCsv(); });
    auto* row = new QHBoxLayout;
    row->addWidget(m_openPhoto);
    row->addWidget(m_openFolder);
    row->addStretch(1);
    row->addWidget(exportCsv);
    return row;
}

HistoryFilter HistoryWindow::Filter() const {
    HistoryFilter filter;
    filter.text = m_search->text().trimmed();
    if (m_fromOn->isChecked()) filter.from = m_from->date();
    if (m_toOn->isChecked()) filter.to = m_to->date();
    return filter;
}

void HistoryWindow::Refresh() {
    m_typingPause.stop();
    ShowPage(m_history.Read(Filter(), kShownLimit));
}

void HistoryWindow::ReadAgain() {
    m_history.Close();
    Refresh();
}

void HistoryWindow::ShowPage(const HistoryPage& page) {
    m_model->SetRows(page.rows);
    m_status->setText(StatusLine(page));
    if (!page.rows.empty()) {
        m_table->resizeColumnsToContents();
        m_table->selectRow(0);
    }
    UpdateButtons();
}

QString HistoryWindow::StatusLine(const HistoryPage& page) const {
    const int count = static_cast<int>(page.rows.size());
    const HistoryFilter filter = Filter();
    const bool everything = filter.text.isEmpty() && !filter.from && !filter.to;
    if (page.status.state == HistoryState::Unreadable) {
        return QStringLiteral("수신 기록을 읽을 수 없습니다: ") + page.status.error;
    }
    if (page.status.state == HistoryState::NoLedger || (count == 0 && everything)) {
        return QStringLiteral("아직 받은 사진이 없습니다");
    }
    if (count == 0) return QStringLiteral("찾는 사진이 없습니다");
    if (page.more) {
        return QStringLiteral("찾은 사진이 많아 최근 %1장만 보입니다. 검색어나 날짜로 좁혀 보세요.")
            .arg(Count(count));
    }
    return QStringLiteral("사진 %1장").arg(Count(count));
}

QString HistoryWindow::StatusText() const {
    return m_status->text();
}

void HistoryWindow::UpdateButtons() {
    const bool selected = Selected() != nullptr;
    m_openPhoto->setEnabled(selected);
    m_openFolder->setEnabled(selected);
}

const HistoryRow* HistoryWindow::Selected() const {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty()) return nullptr;
    return &m_model->Row(rows.front().row());
}

void HistoryWindow::Say(const QString& text) {
    MessageBox(this, text, kTitle);
}

void HistoryWindow::OpenPhoto() {
    const HistoryRow* row = Selected();
    if (!row) return;
    const QString file = row->FilePath();
    if (!QFileInfo(file).isFile()) {
        Say(QStringLiteral("사진이 더 이상 그 자리에 없습니다 (옮겨졌거나 지워졌습니다):\n") +
            file);
    } else if (!OpenWithDesktop(file)) {
        Say(QStringLiteral("사진을 열 프로그램을 찾을 수 없습니다:\n") + file);
    }
}

void HistoryWindow::OpenFolder() {
    const HistoryRow* row = Selected();
    if (!row) return;
    const QString folder = row->FolderPath();
    if (!QFileInfo(folder).isDir()) {
        Say(QStringLiteral("폴더가 더 이상 없습니다:\n") + folder);
    } else if (!OpenWithDesktop(folder)) {
        Say(QStringLiteral("폴더를 열 수 없습니다:\n") + folder);
    }
}

void HistoryWindow::ExportCsv() {
    const QString suggested = QStringLiteral("수신기록-%1.csv")
                                  .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    const std::optional<QString> path =
        PickSaveFile(this, suggested, QStringLiteral("CSV 파일 (*.csv)"));
    if (!path) return;
    // Every match of a ledger of years takes a moment.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<QString> failure = ExportHistoryCsv(m_history, Filter(), *path);
    QApplication::restoreOverrideCursor();
    if (failure) {
        Say(QStringLiteral("CSV 파일을 쓸 수 없습니다: ") + *path + QStringLiteral("\n") +
            *failure);
    }
}

void HistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ReadAgain();
}

void HistoryWindow::hideEvent(QHideEvent* event) {
    // Hidden or closed: no connection stays open on the ledger.
    m_history.Close();
    QWidget::hideEvent(event);
}

HistoryWindow* OpenHistoryWindow(QWidget* owner, const ClientSession& session) {
    auto* window = owner->findChild<HistoryWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        const std::filesystem::path ledger =
            session.Paths().SettingsFolder() / DELIVERY_LEDGER_FILE;
        window = new HistoryWindow(QString::fromStdString(ledger.string()), owner);
    }
    // Shown already: brought up to date as a window shown again is.
    if (window->isVisible()) window->ReadAgain();
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
