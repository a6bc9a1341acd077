#include "gui/edittrans.h"

#include <QPalette>

CEditTrans::CEditTrans(QWidget* parent) : QLineEdit(parent) {
    // No frame, no fill: the parent's picture is the box's background.
    setFrame(false);
    setAutoFillBackground(false);
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
        colours.setColor(role, Qt::transparent);
    }
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    connect(this, &QLineEdit::textChanged, this, [this] { RefreshBackground(); });
}

void CEditTrans::mousePressEvent(QMouseEvent* event) {
    RefreshBackground();
    QLineEdit::mousePressEvent(event);
}

void CEditTrans::focusOutEvent(QFocusEvent* event) {
    RefreshBackground();
    QLineEdit::focusOutEvent(event);
}

void CEditTrans::RefreshBackground() {
    if (QWidget* picture = parentWidget()) picture->update(geometry());
}
