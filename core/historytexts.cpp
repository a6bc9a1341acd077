#include "core/historytexts.h"

#include <QDateTime>

QString ReceivedTimeText(const QString& completedAt) {
    const QDateTime at = QDateTime::fromString(completedAt, Qt::ISODate);
    if (!at.isValid()) return completedAt;
    return at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString PictureCheckText(const std::optional<QString>& check) {
    static const QString damaged = QStringLiteral("damaged: ");
    if (!check) return {};
    if (*check == QLatin1String("sound")) return QStringLiteral("정상");
    if (check->startsWith(damaged)) return QStringLiteral("손상: ") + check->mid(damaged.size());
    return *check;  // a word of a later version, shown as written
}
