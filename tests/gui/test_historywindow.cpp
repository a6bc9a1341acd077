// The "수신 기록" window over a ledger made by SQL: its rows and columns from either version of the
// file, the search as the user types, the limit line, a missing or damaged ledger, photos and
// folders opened with the desktop or a message when gone, the CSV export, and one window opened
// from the form and the tray menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableView>
#include <QTest>

#include "core/clientsession.h"
#include "core/deliveryledger.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/historywindow.h"
#include "gui/mainframe.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/savefilepicker.h"
#include "gui/traymenu.h"
#include "openedurls.h"
#include "support/ledgerfixture.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::LedgerPhoto;
using testsupport::LedgerVersion;
using testsupport::MakeLedger;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

QString Text(const fs::path& path) {
    return QString::fromStdString(path.string());
}

bool HoldsHistoryConnection() {
    const QStringList names = QSqlDatabase::connectionNames();
    return std::any_of(names.begin(), names.end(), [](const QString& name) {
        return name.startsWith(QStringLiteral("ledger-history"));
    });
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        SetMessageBoxHandlerForTests([this](const QString& text, const QString& caption) {
            m_messages << caption + QStringLiteral(": ") + text;
            return IDOK;
        });
        fs::create_directories(m_save.Path() / "웨딩/본식");
        WriteFileBytes(m_save.Path() / "웨딩/본식/IMG_0001.jpg", "jpeg");
    }
    void TearDown() override {
        SetMessageBoxHandlerForTests(nullptr);
        SetSaveFilePickerForTests(nullptr);
    }

    std::vector<LedgerPhoto> Photos() const {
        const std::string save = m_save.Path().string();
        return {
            {save, "웨딩/본식/IMG_0001.jpg", 1234567, "2026-12-11T09:30:12+09:00", 2, "sound"},
            {save, "돌잔치/gone.jpg", 10, "2026-12-11T10:00:00+09:00", 0,
             "damaged: 파일 끝이 잘림"},
            {save, "top.png", 20, "2026-12-12T10:00:00+09:00", 0, std::nullopt},
        };
    }
    // Made below an owner, as the frame owns it in the program; gone when closed.
    HistoryWindow* Show() {
        auto* window = new HistoryWindow(Text(m_ledger), &m_owner);
        window->show();
        return window;
    }
    static const QAbstractItemModel& Model(const HistoryWindow* window) {
        return *window->Table()->model();
    }
    static QString Cell(const HistoryWindow* window, int row, int column) {
        return Model(window).index(row, column).data().toString();
    }
    static QStringList Names(const HistoryWindow* window) {
        QStringList names;
        for (int row = 0; row < Model(window).rowCount(); ++row) names << Cell(window, row, 0);
        return names;
    }
    static QPushButton* Button(const HistoryWindow* window, const char* text) {
        for (QPushButton* button : window->findChildren<QPushButton*>()) {
            if (button->text() == QString::fromUtf8(text)) return button;
        }
        ADD_FAILURE() << text;
        return nullptr;
    }
    static void Select(HistoryWindow* window, int row) {
        const_cast<QTableView*>(window->Table())->selectRow(row);
    }

    TestFolder m_folder;
    TestFolder m_save;
    fs::path m_ledger = m_folder.Path() / DELIVERY_LEDGER_FILE;
    QWidget m_owner;
    QStringList m_messages;
};

}  // namespace

TEST_F(HistoryWindowTest, ListsEveryPhotoNewestFirstWithItsColumnsFromEitherVersion) {
    for (const LedgerVersion version : {LedgerVersion::Second, LedgerVersion::First}) {
        SCOPED_TRACE(version == LedgerVersion::Second ? "second" : "first");
        fs::remove(m_ledger);
        MakeLedger(m_ledger, version, Photos());
        HistoryWindow* window = Show();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("수신 기록"));
        QStringList headers;
        for (int column = 0; column < Model(window).columnCount(); ++column) {
            headers << Model(window).headerData(column, Qt::Horizontal).toString();
        }
        EXPECT_EQ(headers, QStringList({QStringLiteral("파일명"), QStringLiteral("폴더"),
                                        QStringLiteral("저장 폴더"), QStringLiteral("크기"),
                                        QStringLiteral("받은 시각"), QStringLiteral("이어받기"),
                                        QStringLiteral("사진 검사")}));
        EXPECT_EQ(Names(window), QStringList({QStringLiteral("top.png"), QStringLiteral("gone.jpg"),
                                              QStringLiteral("IMG_0001.jpg")}));
        QStringList oldest;
        for (int column = 0; column < Model(window).columnCount(); ++column) {
            oldest << Cell(window, 2, column);
        }
        const bool second = version == LedgerVersion::Second;
        EXPECT_EQ(oldest, QStringList({QStringLiteral("IMG_0001.jpg"), QStringLiteral("웨딩/본식"),
                                       Text(m_save.Path()), QStringLiteral("1,234,567"),
                                       QStringLiteral("2026-12-11 00:30:12"), QStringLiteral("2"),
                                       second ? QStringLiteral("정상") : QString()}));
        EXPECT_EQ(Cell(window, 1, 6), second ? QStringLiteral("손상: 파일 끝이 잘림") : QString());
        EXPECT_EQ(Cell(window, 0, 6), QString());
        EXPECT_EQ(window->StatusText(), QStringLiteral("사진 3장"));
        // The columns are as wide as their texts.
        const QHeaderView* header = window->Table()->horizontalHeader();
        const QFontMetrics metrics = window->Table()->fontMetrics();
        EXPECT_GE(header->sectionSize(1), metrics.horizontalAdvance(QStringLiteral("웨딩/본식")));
        EXPECT_GE(header->sectionSize(4),
                  metrics.horizontalAdvance(QStringLiteral("2026-12-11 00:30:12")));
        window->close();
    }
}

TEST_F(HistoryWindowTest, TheSearchAppliesAsTheUserTypesAndPicksDays) {
    MakeLedger(m_ledger, LedgerVersion::Second, Photos());
    HistoryWindow* window = Show();
    auto* search = window->findChild<QLineEdit*>();
    QTest::keyClicks(search, QStringLiteral("img_0001"));
    EXPECT_TRUE(WaitUntil([&] { return Names(window).size() == 1; }));
    EXPECT_EQ(Names(window), QStringList({QStringLiteral("IMG_0001.jpg")}));

    QTest::keyClicks(search, QStringLiteral("x"));
    EXPECT_TRUE(WaitUntil([&] { return Names(window).isEmpty(); }));
    EXPECT_EQ(window->StatusText(), QStringLiteral("찾는 사진이 없습니다"));

    search->clear();
    // From the 12th (local time is UTC here): the newest alone.
    auto* fromOn = window->findChildren<QCheckBox*>().at(0);
    ASSERT_EQ(fromOn->text(), QStringLiteral("부터"));
    auto* from = window->findChildren<QDateEdit*>().at(0);
    EXPECT_FALSE(from->isEnabled()) << "no bound until ticked";
    fromOn->setChecked(true);
    from->setDate(QDate(2026, 12, 12));
    EXPECT_TRUE(WaitUntil([&] { return Names(window).size() == 1; }));
    EXPECT_EQ(Names(window), QStringList({QStringLiteral("top.png")}));
    EXPECT_EQ(window->Filter().from, QDate(2026, 12, 12));
    EXPECT_EQ(window->Filter().to, std::nullopt);
    window->close();
}

TEST_F(HistoryWindowTest, SaysWhenMoreMatchThanItShows) {
    std::vector<LedgerPhoto> photos(HistoryWindow::kShownLimit + 1, Photos().front());
    MakeLedger(m_ledger, LedgerVersion::Second, photos);
    HistoryWindow* window = Show();
    EXPECT_EQ(Model(window).rowCount(), HistoryWindow::kShownLimit);
    EXPECT_EQ(window->StatusText(),
              QStringLiteral("찾은 사진이 많아 최근 5,000장만 보입니다. 검색어나 날짜로 좁혀 "
                             "보세요."));
    window->close();
}

TEST_F(HistoryWindowTest, AMissingLedgerIsNoPhotosYetAndADamagedOneSaysWhy) {
    HistoryWindow* window = Show();
    EXPECT_EQ(Model(window).rowCount(), 0);
    EXPECT_EQ(window->StatusText(), QStringLiteral("아직 받은 사진이 없습니다"));
    EXPECT_FALSE(Button(window, "사진 열기")->isEnabled());
    EXPECT_FALSE(fs::exists(m_ledger));

    WriteFileBytes(m_ledger, std::string(4096, 'x'));
    Button(window, "새로 고침")->click();
    EXPECT_TRUE(window->StatusText().startsWith(QStringLiteral("수신 기록을 읽을 수 없습니다: ")))
        << window->StatusText().toStdString();
    EXPECT_GT(window->StatusText().size(), 20);
    EXPECT_TRUE(m_messages.isEmpty());
    window->close();
}

TEST_F(HistoryWindowTest, OpensThePhotoAndItsFolderWithTheDesktopOrSaysTheyAreGone) {
    MakeLedger(m_ledger, LedgerVersion::Second, Photos());
    HistoryWindow* window = Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    OpenedUrls opened;
    const QTableView* table = window->Table();
    const QRect oldest = table->visualRect(table->model()->index(2, 0));
    // A double click starts as a click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, oldest.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, oldest.center());
    Button(window, "폴더 열기")->click();
    EXPECT_EQ(opened.urls,
              QList<QUrl>({QUrl::fromLocalFile(Text(m_save.Path() / "웨딩/본식/IMG_0001.jpg")),
                           QUrl::fromLocalFile(Text(m_save.Path() / "웨딩/본식"))}));
    EXPECT_TRUE(m_messages.isEmpty());

    Select(window, 1);
    Button(window, "사진 열기")->click();
    Button(window, "폴더 열기")->click();
    EXPECT_EQ(opened.urls.size(), 2) << "nothing more is opened";
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("수신 기록: 사진이 더 이상")));
    EXPECT_TRUE(m_messages[0].endsWith(Text(m_save.Path() / "돌잔치/gone.jpg")));
    EXPECT_TRUE(m_messages[1].endsWith(Text(m_save.Path() / "돌잔치")));
    window->close();
}

TEST_F(HistoryWindowTest, ExportsTheMatchesToTheChosenFileOrSaysWhyNot) {
    MakeLedger(m_ledger, LedgerVersion::Second, Photos());
    HistoryWindow* window = Show();
    window->findChild<QLineEdit*>()->setText(QStringLiteral(".jpg"));
    window->Refresh();
    std::optional<QString> choice;
    QString suggested;
    SetSaveFilePickerForTests([&](const QString& name) {
        suggested = name;
        return choice;
    });
    QPushButton* exportCsv = Button(window, "CSV로 내보내기");

    exportCsv->click();  // the user cancels
    EXPECT_EQ(suggested, QStringLiteral("수신기록-%1.csv")
                             .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));

    const fs::path csv = m_folder.Path() / "기록.csv";
    choice = Text(csv);
    exportCsv->click();
    const std::string text = ReadFileBytes(csv);
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF파일명,폴더,저장 폴더,")) << text;
    EXPECT_NE(text.find("gone.jpg,돌잔치,"), std::string::npos) << text;
    EXPECT_EQ(text.find("top.png"), std::string::npos) << "only the matches";
    EXPECT_TRUE(m_messages.isEmpty());

    choice = Text(m_folder.Path() / "없는 폴더/기록.csv");
    exportCsv->click();
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("수신 기록: CSV 파일을 쓸 수 없습니다: ") +
                                         *choice + QStringLiteral("\n")))
        << m_messages[0].toStdString();
    window->close();
}

// Closed, the window lets go of the ledger; shown again, it reads what was written meanwhile.
TEST_F(HistoryWindowTest, HoldsTheLedgerOnlyWhileShownAndReadsItAgainWhenShown) {
    MakeLedger(m_ledger, LedgerVersion::Second, {Photos().front()});
    QPointer<HistoryWindow> window = Show();
    EXPECT_EQ(Model(window).rowCount(), 1);
    EXPECT_TRUE(HoldsHistoryConnection());
    window->hide();
    EXPECT_FALSE(HoldsHistoryConnection());

    fs::remove(m_ledger);
    MakeLedger(m_ledger, LedgerVersion::Second, Photos());
    window->show();
    EXPECT_EQ(Model(window).rowCount(), 3);

    window->close();
    EXPECT_TRUE(WaitUntil([&] { return window.isNull(); }));
    EXPECT_FALSE(HoldsHistoryConnection());
}

TEST_F(HistoryWindowTest, TheFormsButtonAndTheTrayItemOpenOneWindow) {
    TestFolder program;
    ClientSession session(ProgramFolders::At(program.Path()));
    CMainFrame frame(session);
    const fs::path ledger = session.Paths().SettingsFolder() / DELIVERY_LEDGER_FILE;
    MakeLedger(ledger, LedgerVersion::Second, {Photos().front()});

    static_cast<QPushButton*>(GetDlgItem(frame.View(), form::IDC_HISTORY))->click();
    const QList<HistoryWindow*> windows = frame.findChildren<HistoryWindow*>();
    ASSERT_EQ(windows.size(), 1);
    HistoryWindow* window = windows.front();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(Model(window).rowCount(), 1);

    fs::remove(ledger);
    MakeLedger(ledger, LedgerVersion::Second, Photos());
    for (QAction* item : frame.findChild<CBTray*>()->Menu()->actions()) {
        if (item->data().toInt() == ID_TRAY_HISTORY) item->trigger();
    }
    EXPECT_EQ(frame.findChildren<HistoryWindow*>(), windows);
    EXPECT_EQ(Model(window).rowCount(), 3) << "read again when opened again";
}
