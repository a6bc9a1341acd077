// Draws the program's icon and writes it as PNG: the 64 x 64 picture compiled into the program (for
// the notification area and the frame), or the set installed in the desktop's hicolor icon theme.
// Run by hand when the artwork changes, then commit the pictures; the program itself is not part of
// the build:
//
//   g++ -std=c++20 -fPIC draw_app_icon.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw_icon
//   QT_QPA_PLATFORM=offscreen ./draw_icon ../app_icon.png
//   QT_QPA_PLATFORM=offscreen ./draw_icon --hicolor ../icons
//
// The camera of the login picture on the brand's blue, bold enough to read at 16 pixels. The
// artwork is laid out on a 64-unit square and the painter is scaled to each size, so every size is
// drawn sharp rather than resampled from another.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>

namespace {

const QColor kBrandDark(0x1d, 0x3b, 0x6e);
const QColor kBrandLight(0x2f, 0x6f, 0xb5);
constexpr int kArtworkUnits = 64;
// The sizes desktops look up in the hicolor theme, as <size>x<size>/apps/znlclient.png.
constexpr int kThemeSizes[] = {16, 24, 32, 48, 64, 128, 256};

void DrawBadge(QPainter& p) {
    const QRectF badge(2, 2, 60, 60);
    QLinearGradient fill(badge.topLeft(), badge.bottomLeft());
    fill.setColorAt(0, kBrandLight);
    fill.setColorAt(1, kBrandDark);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(badge, 12, 12);
}

void DrawCamera(QPainter& p) {
    p.setPen(QPen(Qt::white, 5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(11, 20, 42, 30), 6, 6);
    p.drawEllipse(QPointF(32, 35), 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(17, 13, 12, 6));
    p.drawEllipse(QPointF(32, 35), 3, 3);
}

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal scale = qreal(size) / kArtworkUnits;
    p.scale(scale, scale);
    DrawBadge(p);
    DrawCamera(p);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (image.save(path)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

bool WriteThemeSet(const QString& themeFolder) {
    for (int size : kThemeSizes) {
        const QString appsFolder = QStringLiteral("%1/%2x%2/apps").arg(themeFolder).arg(size);
        if (!QDir().mkpath(appsFolder)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(appsFolder));
            return false;
        }
        if (!Save(DrawIcon(size), appsFolder + QStringLiteral("/znlclient.png"))) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1) return Save(DrawIcon(kArtworkUnits), args[0]) ? 0 : 1;
    if (args.size() == 2 && args[0] == QStringLiteral("--hicolor"))
        return WriteThemeSet(args[1]) ? 0 : 1;
    std::fprintf(stderr, "usage: %s output.png\n       %s --hicolor theme-folder\n", argv[0],
                 argv[0]);
    return 2;
}
