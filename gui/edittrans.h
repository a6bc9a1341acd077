#pragma once
// An edit box without a background of its own: black text over whatever its parent paints. Whenever
// its text changes, it is clicked or it loses the keyboard, the parent repaints the picture under
// it, so no trace of removed characters or of the text cursor stays behind.
#include <QLineEdit>

class CEditTrans : public QLineEdit {
public:
    explicit CEditTrans(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void RefreshBackground();
};
