#include "gui/elidedtext.h"

#include <QEvent>
#include <QPainter>

ElidedText::ElidedText(Qt::TextElideMode mode, const QString& room, QWidget* parent)
    : QFrame(parent), m_mode(mode), m_room(room) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ElidedText::setText(const QString& text) {
    if (text == m_text) return;
    m_text = text;
    Fit();
}

void ElidedText::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

QSize ElidedText::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    // A little beyond the room's text: glyphs may reach past their advance.
    const int width = fontMetrics().horizontalAdvance(m_room) + fontMetrics().averageCharWidth();
    return {width + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

QSize ElidedText::sizeHint() const {
    return minimumSizeHint();
}

void ElidedText::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawText(contentsRect(), static_cast<int>(m_alignment | Qt::TextSingleLine), m_shown);
}

void ElidedText::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Fit();
}

void ElidedText::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        Fit();
    }
}

void ElidedText::Fit() {
    m_shown = fontMetrics().elidedText(m_text, m_mode, contentsRect().width());
    setToolTip(m_shown == m_text ? QString() : m_text);
    update();
}
