// The picture check on what Qt's encoder writes: baseline and progressive photos are sound and
// decode, every cut is caught by the structure, and damage inside a whole file by the decode.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <algorithm>
#include <string>

#include "core/picturecheck.h"
#include "gui/picturedecode.h"
#include "support/testfolder.h"

using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

// A photo-like picture: a gradient with noise, so the entropy-coded data is not trivial.
std::string EncodedJpeg(bool progressive) {
    QImage image(320, 240, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, random.bounded(256)));
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return buffer.data().toStdString();
}

PictureVerdict StructureOf(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << file;
    const PictureVerdict verdict = CheckJpegFile(fd);
    ::close(fd);
    return verdict;
}

}  // namespace

// What Qt's encoder writes, baseline and progressive, is sound and decodes; cut anywhere it is
// damaged by its structure, whatever the decoder makes of it.
TEST(PictureDecodeTest, EncodedPhotosAndTheirCuts) {
    const TestFolder folder;
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const std::string bytes = EncodedJpeg(progressive);
        const auto whole = folder.Path() / "whole.jpg";
        WriteFileBytes(whole, bytes);
        EXPECT_TRUE(StructureOf(whole).sound);
        const PictureForCheck decoded = DecodeForCheck(whole.string());
        EXPECT_EQ(decoded.problem, "");
        EXPECT_EQ(decoded.picture.size(), QSize(40, 30));

        // Qt's reader draws most cut files with grey fill and no error: only the structure check
        // tells them apart.
        for (const std::size_t length : {bytes.size() / 4, bytes.size() / 2, bytes.size() - 2}) {
            const auto cut = folder.Path() / "cut.jpg";
            WriteFileBytes(cut, bytes.substr(0, length));
            EXPECT_FALSE(StructureOf(cut).sound) << "cut at " << length;
        }
    }
}

// Damage in the middle of a whole file: a Huffman table with bad contents under an intact length
// passes the structure check and only the decode finds it; marker bytes strewn over the entropy
// data are found by both.
TEST(PictureDecodeTest, GarbledInTheMiddle) {
    const TestFolder folder;
    const std::string bytes = EncodedJpeg(false);
    std::string badTable = bytes;
    const std::size_t tableAt = badTable.find("\xFF\xC4");
    ASSERT_NE(tableAt, std::string::npos);
    std::fill_n(badTable.begin() + static_cast<std::ptrdiff_t>(tableAt) + 5, 16, '\xFF');
    std::string strewn = bytes;
    for (std::size_t i = strewn.size() / 2; i < strewn.size() / 2 + 2000; ++i) {
        strewn[i] = static_cast<char>(i * 37);
    }
    const struct {
        const char* name;
        std::string bytes;
        bool soundStructure;
    } cases[] = {
        {"bad Huffman table", badTable, true},
        {"marker bytes in the entropy data", strewn, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder.Path() / "garbled.jpg";
        WriteFileBytes(file, c.bytes);
        EXPECT_EQ(StructureOf(file).sound, c.soundStructure);
        const PictureForCheck decoded = DecodeForCheck(file.string());
        EXPECT_TRUE(decoded.picture.isNull());
        EXPECT_FALSE(decoded.problem.empty());
    }
}
