#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/clientsession.h"
#include "core/settings.h"
#include "gui/picturechecktiles.h"
#include "gui/thumbnailstrip.h"
#include "openedurls.h"
#include "orientedjpeg.h"
#include "peers/znlservice.h"
#include "platform/privateprofile.h"
#include "support/automaticlogin.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

// A strip on a fresh session whose decoder notes on which thread it ran, and can be held back.
class ThumbnailStripTest : public ::testing::Test {
protected:
    explicit ThumbnailStripTest(std::shared_ptr<PictureCheckTiles> checkTiles = {})
        : m_checkTiles(std::move(checkTiles)),
          m_strip(
              m_session, nullptr,
              [this](const QString& path, QSize box) {
                  m_entered = true;
                  while (m_held) QThread::msleep(1);
                  {
                      std::lock_guard lock(m_mutex);
                      m_decodedOn.push_back(QThread::currentThread());
                  }
                  return DecodeThumbnail(path, box);
              },
              m_checkTiles) {}
    void TearDown() override { m_held = false; }

    QString Photo(const char* name) const {
        return QString::fromStdString((m_module.Path() / name).string());
    }
    // A JPEG of one colour with the camera's orientation (EXIF, 1 to 8).
    QString Jpeg(const char* name, QSize size, QColor colour, char orientation = 1) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        testsupport::WriteFileBytes(m_module.Path() / name,
                                    JpegWithOrientation(image, orientation));
        return Photo(name);
    }
    void Store(const QString& path) { Q_EMIT m_session.photoStored(path); }

    QListWidget* Tiles() const { return m_strip.Tiles(); }
    QStringList TilePaths() const {
        QStringList paths;
        for (int row = 0; row < Tiles()->count(); ++row) {
            paths << Tiles()->item(row)->data(Qt::UserRole).toString();
        }
        return paths;
    }
    QPixmap TilePixmap(int row) const {
        return Tiles()->item(row)->data(ThumbnailStrip::kTileRole).value<QPixmap>();
    }
    // True once the tile shows a picture of about this colour in its middle.
    bool ShowsColour(int row, QColor colour) const {
        const QImage shown = TilePixmap(row).toImage();
        const QColor middle = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        return std::abs(middle.red() - colour.red()) < 12 &&
               std::abs(middle.green() - colour.green()) < 12 &&
               std::abs(middle.blue() - colour.blue()) < 12;
    }
    int Decodes() {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_decodedOn.size());
    }

    TestFolder m_module;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    std::mutex m_mutex;
    std::vector<QThread*> m_decodedOn;
    std::atomic<bool> m_held{false};     // the decoder waits while set
    std::atomic<bool> m_entered{false};  // the decoder was called
    const std::shared_ptr<PictureCheckTiles> m_checkTiles;
    ThumbnailStrip m_strip;
};

// The window program's strip: the tiles of JPEG photos come from their picture check.
class CheckedTilesStripTest : public ThumbnailStripTest {
protected:
    CheckedTilesStripTest() : ThumbnailStripTest(std::make_shared<PictureCheckTiles>()) {}

    // The picture check's decode, on a thread of its own as the session's checker runs it.
    std::optional<std::string> Check(const QString& path) {
        std::optional<std::string> problem;
        std::thread checker([&] { problem = m_checkTiles->Check(path.toStdString()); });
        checker.join();
        return problem;
    }
    bool ShowsBrokenTile(int row) const {
        return Tiles()->item(row)->toolTip().startsWith(QStringLiteral("미리 보기를 만들 수 없는"));
    }
};

TEST_F(ThumbnailStripTest, NewestFirstBoundedAndAPhotoReceivedAgainMovesToTheFront) {
    QStringList stored;
    for (int i = 0; i < 15; ++i) {
        stored.prepend(Photo(qPrintable(QStringLiteral("p%1.jpg").arg(i))));
        Store(stored.front());
    }
    ASSERT_EQ(TilePaths(), stored.mid(0, ThumbnailStrip::kTiles));

    Store(Photo("p10.jpg"));
    stored.removeAll(Photo("p10.jpg"));
    stored.prepend(Photo("p10.jpg"));
    EXPECT_EQ(TilePaths(), stored.mid(0, ThumbnailStrip::kTiles));
    EXPECT_EQ(Tiles()->item(0)->toolTip(),
              QStringLiteral("p10.jpg\n") + QString::fromStdString(m_module.Path().string()));
}

TEST_F(ThumbnailStripTest, ThumbnailsAreScaledWhileDecodingOffTheWindowThread) {
    const struct {
        const char* name;
        QSize stored;
        char orientation;
        QColor colour;
        QSize shown;
    } cases[] = {
        {"wide.jpg", {1200, 900}, 1, Qt::red, {120, 90}},
        {"tall.jpg", {300, 900}, 1, Qt::blue, {30, 90}},
        {"small.jpg", {60, 40}, 1, Qt::green, {60, 40}},
        // Stored on its side, tagged to be turned a quarter clockwise: stands upright.
        {"turned.jpg", {1200, 600}, 6, Qt::yellow, {45, 90}},
    };
    for (const auto& c : cases) {
        Store(Jpeg(c.name, c.stored, c.colour, c.orientation));
        ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, c.colour); })) << c.name;
        EXPECT_EQ(TilePixmap(0).size(), c.shown) << c.name;
    }
    std::lock_guard lock(m_mutex);
    ASSERT_EQ(m_decodedOn.size(), std::size(cases));
    for (QThread* thread : m_decodedOn) EXPECT_NE(thread, QApplication::instance()->thread());
}

TEST_F(ThumbnailStripTest, AFileThatDoesNotDecodeShowsTheBrokenTile) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"garbled.jpg", std::string("\xff\xd8\xff\xe0 not a picture at all", 26)},
        {"empty.jpg", ""},
    };
    for (const auto& c : cases) {
        testsupport::WriteFileBytes(m_module.Path() / c.name, c.bytes);
        Store(Photo(c.name));
        EXPECT_TRUE(WaitUntil([&] {
            return Tiles()->item(0)->toolTip().startsWith(
                QStringLiteral("미리 보기를 만들 수 없는"));
        })) << c.name;
        EXPECT_TRUE(Tiles()->item(0)->toolTip().contains(QString::fromUtf8(c.name)));
    }
    // The photo is kept in the row: it can still be opened.
    EXPECT_EQ(TilePaths(), QStringList({Photo("empty.jpg"), Photo("garbled.jpg")}));
}

TEST_F(ThumbnailStripTest, AFileShownAgainUnchangedIsNotDecodedAgain) {
    const QString path = Jpeg("a.jpg", {400, 300}, Qt::red);
    Store(path);
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::red); }));
    Store(Jpeg("b.jpg", {400, 300}, Qt::blue));
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::blue); }));

    Store(path);
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::red); }));
    EXPECT_EQ(Decodes(), 2);

    // Received again with other contents: made anew.
    Jpeg("a.jpg", {800, 300}, Qt::green);
    Store(path);
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::green); }));
    EXPECT_EQ(Decodes(), 3);

    // Kept only while it may come again soon: two rows of other photos later it is made anew,
    // so a long delivery does not pile thumbnails up in memory.
    for (int i = 0; i < 2 * ThumbnailStrip::kTiles; ++i) {
        Store(Jpeg(qPrintable(QStringLiteral("other%1.jpg").arg(i)), {400, 300}, Qt::blue));
        ASSERT_TRUE(WaitUntil([&] { return Decodes() == 4 + i; }));
    }
    Store(path);
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::green); }));
    EXPECT_EQ(Decodes(), 4 + 2 * ThumbnailStrip::kTiles);
}

TEST_F(ThumbnailStripTest, ADeliveryOfManyPhotosDecodesOnlyTheNewest) {
    m_held = true;
    Store(Jpeg("first.jpg", {40, 30}, Qt::blue));
    ASSERT_TRUE(WaitUntil([&] { return m_entered.load(); }));
    for (int i = 0; i < 200; ++i)
        Store(Jpeg(qPrintable(QStringLiteral("p%1.jpg").arg(i)), {40, 30}, Qt::red));
    m_held = false;

    ASSERT_TRUE(WaitUntil([&] {
        for (int row = 0; row < ThumbnailStrip::kTiles; ++row) {
            if (!ShowsColour(row, Qt::red)) return false;
        }
        return true;
    }));
    // The one under way when the delivery came, then only the row's worth.
    EXPECT_EQ(Decodes(), 1 + ThumbnailStrip::kTiles);
}

// Weeks in the tray: a tile pushed out of the row, once painted, leaves nothing of it behind.
TEST_F(ThumbnailStripTest, ATilePushedOutOfThePaintedRowIsLetGo) {
    m_strip.resize(900, 200);
    m_strip.show();
    Store(Jpeg("first.jpg", {64, 48}, Qt::red));
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::red); }));
    m_strip.grab();
    const QPixmap first = TilePixmap(0);
    for (int photo = 0; photo < ThumbnailStrip::kTiles; ++photo) {
        Store(Photo(("later" + std::to_string(photo) + ".jpg").c_str()));
        m_strip.grab();
    }
    ASSERT_FALSE(TilePaths().contains(Photo("first.jpg")));
    // Only this copy is left: no cache of the view still holds the picture.
    EXPECT_TRUE(first.isDetached());
}

TEST_F(ThumbnailStripTest, DoubleClickOrEnterOpensThePhotoAndTheButtonTheSaveFolder) {
    OpenedUrls opened;
    fs::create_directory(m_module.Path() / "save");
    m_session.SetSaveFolder((m_module.Path() / "save").string());
    Store(Photo("one.jpg"));
    Store(Photo("two.jpg"));
    m_strip.resize(600, m_strip.sizeHint().height());
    m_strip.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_strip));

    // The view lays its tiles out after the event loop's turn.
    ASSERT_TRUE(WaitUntil([&] { return !Tiles()->visualItemRect(Tiles()->item(1)).isEmpty(); }));
    const QPoint second = Tiles()->visualItemRect(Tiles()->item(1)).center();
    QTest::mouseClick(Tiles()->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(Tiles()->viewport(), Qt::LeftButton, {}, second);
    Tiles()->setCurrentRow(0);
    QTest::keyClick(Tiles(), Qt::Key_Return);
    m_strip.OpenFolderButton()->click();

    std::vector<std::string> urls;
    for (const QUrl& url : opened.urls) urls.push_back(url.toLocalFile().toStdString());
    EXPECT_EQ(urls, std::vector<std::string>({Photo("one.jpg").toStdString(),
                                              Photo("two.jpg").toStdString(),
                                              Photo("save").toStdString()}));
}

TEST_F(CheckedTilesStripTest, AJpegTileComesFromItsCheckWithoutASecondDecode) {
    const QString checkedFirst = Jpeg("first.jpg", {1600, 1200}, Qt::red);
    Store(checkedFirst);
    QTest::qWait(50);
    EXPECT_FALSE(ShowsColour(0, Qt::red));  // waits for its check
    EXPECT_EQ(Check(checkedFirst), std::nullopt);
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::red); }));
    EXPECT_EQ(TilePixmap(0).size(), ThumbnailStrip::kThumbnailBox);

    // Checked before the row heard of it: shown at once.
    const QString checkedEarly = Jpeg("early.jpg", {800, 600}, Qt::green);
    EXPECT_EQ(Check(checkedEarly), std::nullopt);
    QCoreApplication::processEvents();
    Store(checkedEarly);
    EXPECT_TRUE(ShowsColour(0, Qt::green));

    // The check knows only JPEG: other pictures are decoded for their tile.
    const QString png = Photo("other.png");
    QImage blue(QSize(400, 300), QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(png, "png"));
    Store(png);
    ASSERT_TRUE(WaitUntil([&] { return ShowsColour(0, Qt::blue); }));
    EXPECT_EQ(Decodes(), 1);
}

TEST_F(CheckedTilesStripTest, APhotoItsCheckFindsDamagedShowsTheBrokenTile) {
    const QString damagedAfter = Photo("after.jpg");
    Store(damagedAfter);
    Q_EMIT m_session.photoDamaged(damagedAfter, QStringLiteral("잘림"));
    EXPECT_TRUE(ShowsBrokenTile(0));

    // Found damaged before the row heard of it.
    const QString damagedBefore = Photo("before.jpg");
    Q_EMIT m_session.photoDamaged(damagedBefore, QStringLiteral("잘림"));
    Store(damagedBefore);
    EXPECT_EQ(TilePaths(), QStringList({damagedBefore, damagedAfter}));
    EXPECT_TRUE(ShowsBrokenTile(0));
    EXPECT_TRUE(ShowsBrokenTile(1));
    EXPECT_EQ(Decodes(), 0);
}

// The whole road: photos received from the service are checked by the session, and their tiles
// come from those checks, a sound photo's with its picture and a cut one's crossed out.
TEST_F(CheckedTilesStripTest, ReceivedPhotosAreDecodedOnceForTheirCheckAndTheirTile) {
    const TestFolder source;
    const TestFolder save;
    QImage red(QSize(1600, 1200), QImage::Format_RGB32);
    red.fill(Qt::red);
    const fs::path whole = source.Path() / "whole.jpg";
    ASSERT_TRUE(red.save(QString::fromStdString(whole.string()), "jpeg"));
    const std::string bytes = testsupport::ReadFileBytes(whole);
    testsupport::WriteFileBytes(source.Path() / "cut.jpg", bytes.substr(0, bytes.size() / 2));
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.folder = source.Path();
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    const fs::path settingsFile = ProgramFolders::At(m_module.Path()).settingsFile;
    ASSERT_TRUE(testsupport::StoreAutomaticLogin(settingsFile, service.LoginPort()));
    ASSERT_TRUE(platform::WritePrivateProfileString(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER,
                                                    save.Path().string(), settingsFile));
    m_session.SetPictureDecoder(
        [checkTiles = m_checkTiles](const std::string& path) { return checkTiles->Check(path); });
    QObject::connect(&m_session, &ClientSession::signInRequested, &m_session,
                     [this](const SignInPrefill& prefill) {
                         m_session.SignIn(prefill.userId, prefill.password, prefill.autoLogin);
                     });
    m_session.Start();

    const QString shownWhole = QString::fromStdString((save.Path() / "whole.jpg").string());
    const QString shownCut = QString::fromStdString((save.Path() / "cut.jpg").string());
    const auto rowOf = [&](const QString& path) {
        return static_cast<int>(TilePaths().indexOf(path));
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            return rowOf(shownWhole) >= 0 && ShowsColour(rowOf(shownWhole), Qt::red) &&
                   rowOf(shownCut) >= 0 && ShowsBrokenTile(rowOf(shownCut));
        },
        60000))
        << TilePaths().join(u'\n').toStdString();
    EXPECT_EQ(Decodes(), 0);
    m_session.Stop();
    service.Stop();
}

}  // namespace
