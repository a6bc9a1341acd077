// Draws the login dialog's background picture (485 x 208) and writes it as a PNG. Run by hand when
// the artwork changes, then commit the picture; the program itself is not part of the build:
//
//   g++ -std=c++20 -fPIC draw_login_background.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw
//   QT_QPA_PLATFORM=offscreen ./draw ../login_background.png
//
// The dialog places its controls on this picture at fixed client pixels: the ID edit at (205, 88)
// and the password edit at (205, 115), both about 150 x 15; the check box at (195, 135); the status
// line across (151, 60) to (482, 76). A click inside x 208..268, y 166..184 signs in, so the button
// is drawn exactly there.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kBrandDark(0x1d, 0x3b, 0x6e);
const QColor kBrandLight(0x2f, 0x6f, 0xb5);
const QColor kInk(0x22, 0x2b, 0x38);
const QColor kBoxBorder(0x9a, 0xa8, 0xbb);

QFont Face(int pixelSize, QFont::Weight weight) {
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void DrawBrandPanel(QPainter& p) {
    const QRect panel(0, 0, 140, 208);
    QLinearGradient fill(panel.topLeft(), panel.bottomLeft());
    fill.setColorAt(0, kBrandLight);
    fill.setColorAt(1, kBrandDark);
    p.fillRect(panel, fill);

    // A camera: body, lens and flash window.
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(38, 42, 64, 44), 8, 8);
    p.drawEllipse(QPointF(70, 64), 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(48, 36, 16, 6));
    p.drawEllipse(QPointF(70, 64), 5, 5);

    p.setPen(Qt::white);
    p.setFont(Face(20, QFont::Bold));
    p.drawText(QRect(0, 104, 140, 28), Qt::AlignCenter, QStringLiteral("TAVEN PIC"));
    p.setFont(Face(13, QFont::Normal));
    p.drawText(QRect(0, 134, 140, 20), Qt::AlignCenter, QStringLiteral("사진 수신 처리"));
}

void DrawTitle(QPainter& p) {
    p.setPen(kInk);
    p.setFont(Face(18, QFont::Bold));
    p.drawText(QRect(160, 16, 300, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("로그인"));
    p.setPen(QPen(kBoxBorder, 1));
    p.drawLine(160, 50, 470, 50);
}

void DrawInputRow(QPainter& p, int top, const QString& label) {
    p.setPen(kInk);
    p.setFont(Face(12, QFont::Bold));
    p.drawText(QRect(144, top, 52, 20), Qt::AlignRight | Qt::AlignVCenter, label);
    p.setPen(QPen(kBoxBorder, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(200.5, top + 0.5, 158, 19), 3, 3);
}

void DrawAutoLoginCaption(QPainter& p) {
    p.setPen(kInk);
    p.setFont(Face(12, QFont::Normal));
    p.drawText(QRect(215, 136, 120, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("자동 로그인"));
}

void DrawSignInButton(QPainter& p) {
    const QRectF button(208.5, 166.5, 60, 18);  // covers pixels x 208..268, y 166..184
    QLinearGradient fill(button.topLeft(), button.bottomLeft());
    fill.setColorAt(0, kBrandLight);
    fill.setColorAt(1, kBrandDark);
    p.setPen(QPen(kBrandDark, 1));
    p.setBrush(fill);
    p.drawRoundedRect(button, 4, 4);
    p.setPen(Qt::white);
    p.setFont(Face(12, QFont::Bold));
    p.drawText(button, Qt::AlignCenter, QStringLiteral("로그인"));
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }
    QImage image(485, 208, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient page(QPointF(0, 0), QPointF(0, 208));
    page.setColorAt(0, QColor(0xf7, 0xf9, 0xfc));
    page.setColorAt(1, QColor(0xe4, 0xea, 0xf2));
    p.fillRect(image.rect(), page);

    DrawBrandPanel(p);
    DrawTitle(p);
    DrawInputRow(p, 85, QStringLiteral("아이디"));
    DrawInputRow(p, 112, QStringLiteral("패스워드"));
    DrawAutoLoginCaption(p);
    DrawSignInButton(p);
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
