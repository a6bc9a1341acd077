#include "gui/trayicons.h"

#include <QImage>
#include <QPainter>

#include "core/sessionstatus.h"
#include "gui/appicon.h"

namespace {

// The mark covers the lower right quarter and a little more, to be seen at 16 pixels.
constexpr int kUnits = 64;
const QRectF kMark(30, 30, 33, 33);

QImage Greyed(const QImage& picture) {
    QImage grey = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int level = qGray(line[x]);
            line[x] = qRgba(level, level, level, qAlpha(line[x]) / 2);
        }
    }
    return grey;
}

void DrawMark(QPainter& p, const QColor& colour) {
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(colour);
    p.drawEllipse(kMark);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

}  // namespace

QPixmap TrayStateIcon(SessionState state) {
    QImage picture = QImage(AppIconPath())
                         .scaled(kUnits, kUnits, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (state == SessionState::SignedOut) return QPixmap::fromImage(Greyed(picture));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = kMark.center();
    switch (state) {
        case SessionState::Waiting:  // amber, three dots
            DrawMark(p, QColor(0xe0, 0x9b, 0x16));
            p.drawPoint(centre + QPointF(-7, 0));
            p.drawPoint(centre);
            p.drawPoint(centre + QPointF(7, 0));
            break;
        case SessionState::Idle:  // green, a tick
            DrawMark(p, QColor(0x2e, 0x9e, 0x4f));
            p.drawPolyline(QPolygonF(
                {centre + QPointF(-8, 0), centre + QPointF(-2, 6), centre + QPointF(8, -6)}));
            break;
        case SessionState::Receiving: {  // light blue, an arrow down
            DrawMark(p, QColor(0x1e, 0x88, 0xe5));
            p.drawLine(centre + QPointF(0, -9), centre + QPointF(0, 8));
            p.drawPolyline(QPolygonF(
                {centre + QPointF(-7, 1), centre + QPointF(0, 8), centre + QPointF(7, 1)}));
            break;
        }
        case SessionState::Problem:  // red, an exclamation mark
            DrawMark(p, QColor(0xd3, 0x2f, 0x2f));
            p.drawLine(centre + QPointF(0, -9), centre + QPointF(0, 3));
            p.drawPoint(centre + QPointF(0, 9));
            break;
        case SessionState::SignedOut:
            break;
    }
    p.end();
    return QPixmap::fromImage(picture);
}
