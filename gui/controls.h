#pragma once
// Controls found by their numeric id, as a dialog's children are on Windows.
#include <QString>

class QWidget;

void SetControlId(QWidget* control, int id);
QWidget* GetDlgItem(const QWidget* dialog, int id);
// Sets the text of a label, edit or button; false when there is no such control.
bool SetDlgItemText(const QWidget* dialog, int id, const QString& text);
QString GetDlgItemText(const QWidget* dialog, int id);
