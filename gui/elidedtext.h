#pragma once
// A value on one line of the form. A text wider than its room is shortened with an ellipsis (in
// the middle for names and paths, so that both ends stay) and shown whole as the tool tip. Its
// size does not follow its text, so a new value never lays the form out again.
#include <QFrame>
#include <QString>

class ElidedText : public QFrame {
    Q_OBJECT
public:
    // `room`: a text whose width the value keeps however narrow the window gets.
    ElidedText(Qt::TextElideMode mode, const QString& room, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    // What the room shows of the text.
    QString shownText() const { return m_shown; }
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return m_alignment; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Fit();

    Qt::TextElideMode m_mode;
    QString m_room;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString m_text;
    QString m_shown;
};
