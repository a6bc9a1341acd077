#include "bench/noisejpeg.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

std::string NoiseJpeg(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = random.generate() | 0xFF000000u;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.write(image);
    return buffer.data().toStdString();
}

// A first guess from a sample's bytes per pixel, then one correction: the size follows the pixel
// count closely.
std::string NoiseJpegOfAbout(std::size_t bytes) {
    const std::string sample = NoiseJpeg(300, 200);
    const double bytesPerPixel = static_cast<double>(sample.size()) / (300.0 * 200.0);
    double pixels = static_cast<double>(bytes) / bytesPerPixel;
    std::string photo;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int width = std::max(16, static_cast<int>(std::sqrt(pixels * 1.5)));
        const int height = std::max(16, static_cast<int>(pixels / width));
        photo = NoiseJpeg(width, height);
        pixels *= static_cast<double>(bytes) / static_cast<double>(photo.size());
    }
    return photo;
}
