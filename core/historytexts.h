#pragma once
// The texts the history window and its CSV file show for a ledger row.
#include <QString>
#include <optional>

// The stored time in local time, "yyyy-MM-dd HH:mm:ss"; a time that cannot be read as it is.
QString ReceivedTimeText(const QString& completedAt);

// "정상", "손상: <reason>", or empty when the photo was not checked.
QString PictureCheckText(const std::optional<QString>& check);
