#pragma once
// Dialog units to pixels, as Windows maps a dialog resource: horizontal units are a quarter of the
// font's average character width, vertical units an eighth of its height.
#include <QFont>
#include <QRect>

struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);
QRect MapDialogRect(const QRect& dialogUnits, DialogBaseUnits base);
