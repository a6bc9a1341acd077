#include "gui/staticnotify.h"

#include <QMouseEvent>
#include <QWidget>

StaticNotify::StaticNotify(QWidget* label) : QObject(label) {
    label->installEventFilter(this);
}

StaticNotify* StaticNotify::Of(const QObject* control) {
    return control ? control->findChild<StaticNotify*>(QString(), Qt::FindDirectChildrenOnly)
                   : nullptr;
}

bool StaticNotify::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease) {
        return QObject::eventFilter(watched, event);
    }
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
    if (type == QEvent::MouseButtonPress) Q_EMIT clicked();
    if (type == QEvent::MouseButtonDblClick) Q_EMIT doubleClicked();
    // Handled here: the form's own press handling never sees a click on this control.
    return true;
}
