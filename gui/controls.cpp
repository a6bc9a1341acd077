#include "gui/controls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

#include "gui/elidedtext.h"

namespace {
constexpr char kIdProperty[] = "controlId";
}

void SetControlId(QWidget* control, int id) {
    control->setProperty(kIdProperty, id);
}

QWidget* GetDlgItem(const QWidget* dialog, int id) {
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        QVariant value = child->property(kIdProperty);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

bool SetDlgItemText(const QWidget* dialog, int id, const QString& text) {
    QWidget* control = GetDlgItem(dialog, id);
    if (auto* value = qobject_cast<ElidedText*>(control)) {
        value->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else {
        return false;
    }
    return true;
}

QString GetDlgItemText(const QWidget* dialog, int id) {
    QWidget* control = GetDlgItem(dialog, id);
    if (auto* value = qobject_cast<ElidedText*>(control)) return value->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    return {};
}
