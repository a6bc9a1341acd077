#include "gui/dialogunits.h"

#include <QFontMetrics>

namespace {
// MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}
}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Windows' average width: the 52 letters' width over 26, halved with rounding.
    int average = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    return {average, metrics.height()};
}

QRect MapDialogRect(const QRect& dialogUnits, DialogBaseUnits base) {
    return QRect(MulDiv(dialogUnits.x(), base.x, 4), MulDiv(dialogUnits.y(), base.y, 8),
                 MulDiv(dialogUnits.width(), base.x, 4), MulDiv(dialogUnits.height(), base.y, 8));
}
