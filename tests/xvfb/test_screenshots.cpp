// Pictures of what a person sees, taken on a real X display: the login dialog with an account
// typed in, the main form after that login and a received photo, and the history of received
// photos. Saved as PNG files under
// <build>/screenshots for a person to look at; the test checks that they show something and that
// the form shows the login and the photo, with the row of the latest photos filled. Run again on a
// screen scaled twice, as a high-DPI screen is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "core/clientsession.h"
#include "core/clientsock.h"
#include "core/deliveryledger.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/historywindow.h"
#include "gui/logindlg.h"
#include "gui/mainframe.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/thumbnailstrip.h"
#include "gui/traymenu.h"
#include "peers/znlservice.h"
#include "platform/privateprofile.h"
#include "protocol/programinfo.h"
#include "support/ledgerfixture.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteFileBytes;

namespace {

constexpr int kLimitMs = 60000;
const fs::path kShotFolder = ZNL_SCREENSHOT_DIR;

// A blank or single-colour picture has next to no colours; a drawn window has many.
int ColourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

// On a scaled screen the picture carries the scale in its name: "main_form@2x.png".
fs::path Save(QWidget& widget, const std::string& name) {
    const QImage image = widget.grab().toImage();
    const qreal scale = widget.devicePixelRatioF();
    const std::string suffix =
        scale == 1.0 ? std::string() : "@" + QString::number(scale).toStdString() + "x";
    const fs::path file = kShotFolder / (name + suffix + ".png");
    EXPECT_TRUE(image.save(QString::fromStdString(file.string()))) << file;
    EXPECT_EQ(image.size(), widget.size() * widget.devicePixelRatio());
    EXPECT_GT(ColourCount(image), 50) << file;
    std::cout << "screenshot: " << file.string() << '\n';
    return file;
}

// Signs in as a person would: types the account into the dialog, takes its picture, presses the
// painted sign-in button. Closes the dialog should the login not succeed in time.
class Typist {
public:
    explicit Typist(std::string id, std::string password)
        : m_id(std::move(id)), m_password(std::move(password)) {
        QObject::connect(&m_watch, &QTimer::timeout, &m_watch, [this] { Step(); });
        m_elapsed.start();
        m_watch.start(20);
    }
    bool Photographed() const { return m_photographed; }

private:
    void Step() {
        auto* dialog = dynamic_cast<CLoginDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (m_elapsed.elapsed() > kLimitMs) {
            dialog->close();
            return;
        }
        if (m_photographed || !dialog->isVisible()) return;
        auto* id = static_cast<QLineEdit*>(GetDlgItem(dialog, CLoginDlg::IDC_USER_ID));
        auto* password = static_cast<QLineEdit*>(GetDlgItem(dialog, CLoginDlg::IDC_PASSWORD));
        if (!id->isVisible()) return;  // not yet initialised
        QTest::keyClicks(id, QString::fromStdString(m_id));
        QTest::keyClicks(password, QString::fromStdString(m_password));
        Save(*dialog, "login_dialog");
        m_photographed = true;
        QTest::mouseClick(dialog, Qt::LeftButton, {}, QPoint(238, 175));  // the sign-in button
    }

    std::string m_id;
    std::string m_password;
    QTimer m_watch;
    QElapsedTimer m_elapsed;
    bool m_photographed = false;
};

QStringList ActivityLines(const COvrinView& view) {
    auto* list = static_cast<QListWidget*>(GetDlgItem(&view, form::IDC_ACTIVITY_LIST));
    QStringList lines;
    for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
    return lines;
}

// A few camera-like JPEGs in the save folder, as stored after the received one: a gradient sky
// over a coloured ground, some of them upright.
QStringList StoreColouredPhotos(ClientSession& session, const fs::path& folder) {
    const QColor grounds[] = {QColor(0x3a, 0x8d, 0x3a), QColor(0xc0, 0x60, 0x30),
                              QColor(0x30, 0x50, 0xa0), QColor(0xd0, 0xb0, 0x40)};
    QStringList paths;
    int i = 0;
    for (const QColor& ground : grounds) {
        const QSize size = i % 2 ? QSize(1200, 1600) : QSize(1600, 1200);
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(0x9c, 0xc8, 0xf0));
        for (int y = size.height() / 2; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x)
                image.setPixelColor(x, y, ground.darker(100 + x % 50));
        }
        const QString path =
            QString::fromStdString((folder / ("사진" + std::to_string(++i) + ".jpg")).string());
        EXPECT_TRUE(QImageWriter(path, "jpeg").write(image)) << path.toStdString();
        Q_EMIT session.photoStored(path);
        paths << path;
    }
    return paths;
}

}  // namespace

TEST(ScreenshotOnXvfb, LoginDialogAndTheFormAfterALoginAndAReceivedPhoto) {
    fs::create_directories(kShotFolder);
    TestFolder module;
    TestFolder source;
    TestFolder save;
    const ProgramFolders paths = ProgramFolders::At(module.Path());
    SetMessageBoxHandlerForTests([](const QString&, const QString&) { return IDOK; });
    const std::string photo(234567, 'p');
    fs::create_directory(source.Path() / "웨딩");
    WriteFileBytes(source.Path() / "웨딩/신부 입장.jpg", photo);

    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, "하늘"});
    settings.folder = source.Path();
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    const std::pair<const char*, const char*> basic[] = {
        {ini::LOGIN_SERVER_IP, "127.0.0.1"},
        {ini::NICKNAME, "하늘"},
    };
    for (const auto& [key, value] : basic) {
        ASSERT_TRUE(
            platform::WritePrivateProfileString(ini::BASIC_INFO, key, value, paths.settingsFile));
    }
    ASSERT_TRUE(platform::WritePrivateProfileString(ini::BASIC_INFO, ini::LOGIN_SERVER_PORT,
                                                    std::to_string(service.LoginPort()),
                                                    paths.settingsFile));
    const std::pair<const char*, std::string> folders[] = {{ini::SAVE_FOLDER, save.Path().string()},
                                                           {ini::FOLDER_COUNT, "2"},
                                                           {"1", "돌잔치"},
                                                           {"2", "웨딩"}};
    for (const auto& [key, value] : folders) {
        ASSERT_TRUE(platform::WritePrivateProfileString(ini::SAVE_FOLDER_SECTION, key, value,
                                                        paths.settingsFile));
    }

    {
        // Start-up as the application runs it, in the test's folder; the start sequence is run
        // here rather than by its timer.
        ClientSession session(paths);
        CMainFrame frame(session);
        COvrinView* view = frame.View();
        view->OnInitialUpdate();
        view->Session().KillTimer(TIMER_STARTUP);
        frame.adjustSize();
        frame.showNormal();
        frame.setWindowTitle(QString::fromUtf8(APP_TITLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame, kLimitMs));

        Typist typist("guest", "secret");
        view->Session().Start();
        EXPECT_TRUE(typist.Photographed());
        ASSERT_TRUE(view->Session().SignedIn());
        ASSERT_TRUE(WaitUntil(
            [&] { return ReadFileBytes(save.Path() / "웨딩/신부 입장.jpg") == photo; }, kLimitMs));
        const QString received = QStringLiteral("파일 수신 완료! [234,567]");
        ASSERT_TRUE(
            WaitUntil([&] { return !ActivityLines(*view).filter(received).isEmpty(); }, kLimitMs));

        // The reception rows reach the screen a moment after the reports.
        const QString completed = QStringLiteral("수신 완료 사이즈: 234,567");
        EXPECT_TRUE(WaitUntil(
            [&] { return GetDlgItemText(view, form::IDC_PROGRESS_INFO) == completed; }, kLimitMs));
        EXPECT_TRUE(
            GetDlgItemText(view, form::IDC_RECEIVE_INFO).endsWith(QStringLiteral("신부 입장.jpg")));
        EXPECT_EQ(GetDlgItemText(view, form::IDC_RECEIVE_SIZE), QStringLiteral("사이즈: 234,567"));
        EXPECT_EQ(GetDlgItemText(view, form::IDC_BURST_COUNT),
                  QStringLiteral("사진 1장 수신 완료"));
        EXPECT_TRUE(GetDlgItem(view, form::IDC_RECEIVE_BAR)->isVisible());
        EXPECT_EQ(GetDlgItemText(view, form::IDC_LOGIN_INFO), QStringLiteral("정상 로그인"));
        EXPECT_EQ(GetDlgItemText(view, form::IDC_USER_ID), QStringLiteral("guest"));
        EXPECT_TRUE(ActivityLines(*view).filter(received).front().contains(
            QStringLiteral("신부 입장.jpg")));
        EXPECT_EQ(GetDlgItemText(view, form::IDC_VERSION), QString::fromUtf8(PROGRAM_VERSION));
        // The clock has shown the date once.
        EXPECT_TRUE(WaitUntil(
            [&] { return GetDlgItemText(view, form::IDC_DATE).startsWith(QStringLiteral("20")); },
            kLimitMs));
        Save(frame, "main_form");

        // The tray menu, as a right click on the icon opens it.
        auto* tray = frame.findChild<CBTray*>();
        ASSERT_NE(tray, nullptr);
        QMenu* menu = tray->Menu();
        menu->popup(frame.geometry().center());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu, kLimitMs));
        EXPECT_EQ(menu->actions().size(), 6);
        Save(*menu, "tray_menu");
        menu->hide();

        // The row of the latest photos during a delivery: the received file (not a picture: the
        // broken tile), then the coloured ones as they are made.
        const QStringList photos = StoreColouredPhotos(view->Session(), save.Path());
        auto* tiles = view->findChild<ThumbnailStrip*>()->Tiles();
        EXPECT_EQ(tiles->count(), photos.size() + 1);
        // Made once the tile no longer shows the grey of the waiting tile, but the sky.
        const auto made = [&](int row) {
            const QColor corner = tiles->item(row)
                                      ->data(ThumbnailStrip::kTileRole)
                                      .value<QPixmap>()
                                      .toImage()
                                      .pixelColor(0, 0);
            return std::abs(corner.red() - 0x9c) < 12 && std::abs(corner.blue() - 0xf0) < 12;
        };
        EXPECT_TRUE(WaitUntil(
            [&] {
                for (int row = 0; row < photos.size(); ++row) {
                    if (!made(row)) return false;
                }
                return true;
            },
            kLimitMs));
        Save(frame, "delivery_thumbnails");

        view->OnDestroy();
        const int slot = view->Session().Account().fileSlot;
        EXPECT_TRUE(WaitUntil([&] { return view->Session().Socket(slot) == nullptr; }, kLimitMs));
    }
    service.Stop();
    SetMessageBoxHandlerForTests(nullptr);
}

// A few photos of a studio's day: every text whole, every column on screen without scrolling.
TEST(ScreenshotOnXvfb, HistoryWindowWithAFewRows) {
    fs::create_directories(kShotFolder);
    TestFolder folder;
    const fs::path ledger = folder.Path() / DELIVERY_LEDGER_FILE;
    const std::string save = "/home/studio/ZNL";
    testsupport::MakeLedger(
        ledger, testsupport::LedgerVersion::Second,
        {{save, "웨딩/2026-12-11 김민수·이지은/본식/DSC_0412.jpg", 12582912,
          "2026-12-11T11:02:45+09:00", 0, "sound"},
         {save, "웨딩/2026-12-11 김민수·이지은/본식/DSC_0413.jpg", 11927552,
          "2026-12-11T11:03:02+09:00", 3, "damaged: JPEG 끝 표시(EOI)가 없음"},
         {save, "돌잔치/서윤이 첫돌/가족사진 (1).jpg", 8123456, "2026-12-11T13:20:09+09:00", 1,
          "sound"},
         {save, "증명사진/여권_박서준.jpg", 734003, "2026-12-11T15:47:30+09:00", 0, std::nullopt},
         {save, "안내문.pdf", 20480, "2026-12-11T15:48:00+09:00", 0, std::nullopt}});
    HistoryWindow window(QString::fromStdString(ledger.string()));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kLimitMs));
    const QTableView* table = window.Table();
    ASSERT_EQ(table->model()->rowCount(), 5);
    const QHeaderView* header = table->horizontalHeader();
    const QFontMetrics metrics = table->fontMetrics();
    int columns = 0;
    for (int column = 0; column < header->count(); ++column) {
        for (int row = 0; row < 5; ++row) {
            const QString text = table->model()->index(row, column).data().toString();
            EXPECT_GT(header->sectionSize(column), metrics.horizontalAdvance(text))
                << text.toStdString();
        }
        columns += header->sectionSize(column);
    }
    EXPECT_LE(columns, table->viewport()->width());
    for (const QDateEdit* day : window.findChildren<QDateEdit*>()) {
        // The line's own margins take a few pixels: a digit's room to spare.
        const QLineEdit* text = day->findChild<QLineEdit*>();
        const QFontMetrics digits = text->fontMetrics();
        EXPECT_GE(text->width(), digits.horizontalAdvance(text->text() + QLatin1Char('0')))
            << text->text().toStdString();
    }
    EXPECT_FALSE(table->horizontalScrollBar()->isVisible());
    Save(window, "history_window");
}
