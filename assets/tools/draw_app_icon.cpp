// Draws the program's icon (64 x 64, for the notification area and the frame) and writes it as a
// PNG. Run by hand when the artwork changes, then commit the picture; the program itself is not
// part of the build:
//
//   g++ -std=c++20 -fPIC draw_app_icon.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw_icon
//   QT_QPA_PLATFORM=offscreen ./draw_icon ../app_icon.png
//
// The camera of the login picture on the brand's blue, bold enough to read at 16 pixels.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>

namespace {

const QColor kBrandDark(0x1d, 0x3b, 0x6e);
const QColor kBrandLight(0x2f, 0x6f, 0xb5);

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

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawBadge(p);
    DrawCamera(p);
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
