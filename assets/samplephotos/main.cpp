// znl-sample-photos DIR: writes a small set of real JPEG photos, with companion texts, in nested
// folders below DIR, for znl-service to push to the client in the demo.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>

namespace {

struct SamplePhoto {
    const char* folder;
    const char* name;
    int width;
    int height;
    bool grainy;  // noise compresses badly: a file of several blocks
    const char* caption;
};

const SamplePhoto kPhotos[] = {
    {"스튜디오 하늘/2026-12 졸업앨범/3반", "김민준.jpg", 1600, 1200, false, "3반 김민준 졸업사진"},
    {"스튜디오 하늘/2026-12 졸업앨범/3반", "이서연.jpg", 1600, 1200, false, "3반 이서연 졸업사진"},
    {"스튜디오 하늘/2026-12 졸업앨범/4반", "박지호.jpg", 1200, 1600, false, "4반 박지호 졸업사진"},
    {"스튜디오 하늘/가족사진", "family-portrait.jpg", 4800, 3600, true, "가족사진 원본 (대형)"},
    {"스튜디오 하늘/가족사진", "thumbnail.jpg", 320, 240, false, ""},
};

QImage Paint(const SamplePhoto& photo, int index) {
    QImage image(photo.width, photo.height, QImage::Format_RGB32);
    QLinearGradient sky(0, 0, photo.width, photo.height);
    sky.setColorAt(0, QColor::fromHsv((index * 70) % 360, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((index * 70 + 140) % 360, 160, 120));
    QPainter painter(&image);
    painter.fillRect(image.rect(), sky);
    if (photo.grainy) {
        QRandomGenerator random(static_cast<quint32>(index + 1));
        for (int y = 0; y < photo.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < photo.width; ++x) {
                line[x] ^= random.generate() & 0x007F7F7F;
            }
        }
    }
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(photo.height / 12);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QString::fromUtf8(photo.name));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: znl-sample-photos DIR\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    int index = 0;
    for (const SamplePhoto& photo : kPhotos) {
        const QString folder = root.filePath(QString::fromUtf8(photo.folder));
        const QString file = QDir(folder).filePath(QString::fromUtf8(photo.name));
        if (!QDir().mkpath(folder) || !Paint(photo, index++).save(file, "JPEG", 92)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        if (*photo.caption) {
            QFile companion(file + QStringLiteral(".companion"));
            if (!companion.open(QIODevice::WriteOnly)) return 1;
            companion.write(QByteArray("01:") + photo.caption);
        }
        std::printf("%s\n", qPrintable(QDir(root).relativeFilePath(file)));
    }
    return 0;
}
