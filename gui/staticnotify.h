#pragma once
// The "notify" style of a static text: a label that reports clicks instead of passing them on to
// the form beneath it.
#include <QObject>

class QWidget;

class StaticNotify : public QObject {
    Q_OBJECT
public:
    // Attaches itself to the label, which owns it.
    explicit StaticNotify(QWidget* label);
    // The notifier attached to the control, or null when it has none.
    static StaticNotify* Of(const QObject* control);

Q_SIGNALS:
    // A left-button press; the second press of a double click reports doubleClicked instead.
    void clicked();
    void doubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
