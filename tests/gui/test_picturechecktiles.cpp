// One decode per photo: the tile made from the picture check's decode is the thumbnail a decode of
// the file would make, whatever the camera's orientation and size.
#include <gtest/gtest.h>

#include <vector>

#include "gui/picturechecktiles.h"
#include "gui/thumbnaildecode.h"
#include "orientedjpeg.h"
#include "support/testfolder.h"

using testsupport::TestFolder;

namespace {

constexpr QSize kBox{120, 90};
const QColor kQuarters[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

// Four quarters of different colours, so any wrong turn or mirror shows.
QImage Quarters(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const int halfWidth = size.width() / 2;
    const int halfHeight = size.height() / 2;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixelColor(x, y,
                                kQuarters[(y >= halfHeight ? 2 : 0) + (x >= halfWidth ? 1 : 0)]);
        }
    }
    return image;
}

// The colours at the middles of the four quarters.
std::vector<QRgb> QuarterColours(const QImage& image) {
    std::vector<QRgb> colours;
    for (const int row : {1, 3}) {
        for (const int column : {1, 3}) {
            const QColor colour =
                image.pixelColor(image.width() * column / 4, image.height() * row / 4);
            // Rounded off: JPEG shifts colours a little.
            colours.push_back(qRgb(colour.red() / 64, colour.green() / 64, colour.blue() / 64));
        }
    }
    return colours;
}

struct Sunk {
    QString path;
    QImage tile;
};

}  // namespace

TEST(PictureCheckTilesTest, TheTileIsTheThumbnailADecodeOfTheFileMakes) {
    const struct {
        const char* name;
        QSize stored;
        char orientation;
    } cases[] = {
        {"upright.jpg", {1600, 1200}, 1},
        {"mirrored.jpg", {1600, 1200}, 2},
        {"half-turned.jpg", {1600, 1200}, 3},
        {"flipped.jpg", {1600, 1200}, 4},
        {"mirrored-and-turned.jpg", {1600, 1200}, 5},
        {"quarter-turned.jpg", {1600, 1200}, 6},
        {"flipped-and-turned.jpg", {1600, 1200}, 7},
        {"three-quarters-turned.jpg", {1600, 1200}, 8},
        // An eighth of these is smaller than the tile: decoded again at the tile's size.
        {"small.jpg", {400, 200}, 1},
        {"small-turned.jpg", {400, 200}, 6},
    };
    const TestFolder folder;
    PictureCheckTiles checkTiles;
    std::vector<Sunk> sunk;
    checkTiles.SetSink(kBox, [&sunk](const QString& path, const QImage& tile) {
        sunk.push_back({path, tile});
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (folder.Path() / c.name).string();
        testsupport::WriteFileBytes(path, JpegWithOrientation(Quarters(c.stored), c.orientation));

        sunk.clear();
        EXPECT_EQ(checkTiles.Check(path), std::nullopt);
        ASSERT_EQ(sunk.size(), 1u);
        EXPECT_EQ(sunk[0].path.toStdString(), path);
        const QImage decoded = DecodeThumbnail(QString::fromStdString(path), kBox);
        EXPECT_EQ(sunk[0].tile.size(), decoded.size());
        EXPECT_EQ(QuarterColours(sunk[0].tile), QuarterColours(decoded));
        // The tag was read: a quarter turn stands the picture up, within the box.
        EXPECT_EQ(decoded.height() > decoded.width(), c.orientation >= 5);
        EXPECT_TRUE(QRect(QPoint(), kBox).contains(QRect(QPoint(), decoded.size())));
    }
}

// A picture that does not decode is told to the check and makes no tile; once the sink is taken
// away, a decoded picture makes none either.
TEST(PictureCheckTilesTest, NoTileForADamagedPictureNorWithoutASink) {
    const TestFolder folder;
    const std::string garbled = (folder.Path() / "garbled.jpg").string();
    testsupport::WriteFileBytes(garbled, std::string("\xff\xd8\xff\xe0") + " not a picture");
    const std::string sound = (folder.Path() / "sound.jpg").string();
    ASSERT_TRUE(Quarters({800, 600}).save(QString::fromStdString(sound), "jpeg"));
    PictureCheckTiles checkTiles;
    int tiles = 0;
    checkTiles.SetSink(kBox, [&tiles](const QString&, const QImage&) { ++tiles; });

    const std::optional<std::string> problem = checkTiles.Check(garbled);
    ASSERT_TRUE(problem.has_value());
    EXPECT_FALSE(problem->empty());
    EXPECT_EQ(tiles, 0);

    checkTiles.SetSink(kBox, {});
    EXPECT_EQ(checkTiles.Check(sound), std::nullopt);
    EXPECT_EQ(tiles, 0);
}
