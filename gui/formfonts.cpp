#include "gui/formfonts.h"

#include <QFontMetrics>

#include "gui/formresource.h"

QFont MakeFormFont(int cellHeight, QFont::Weight weight) {
    QFont font(QString::fromUtf8(form::FONT_FACE));
    font.setWeight(weight);
    int pixelSize = cellHeight;
    font.setPixelSize(pixelSize);
    while (pixelSize > 1 && QFontMetrics(font).height() > cellHeight) {
        font.setPixelSize(--pixelSize);
    }
    return font;
}

QFont DialogFont() {
    return QFont(QString::fromUtf8(form::FONT_FACE), form::FONT_POINTS);
}
