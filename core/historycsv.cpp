#include "core/historycsv.h"

#include <QSaveFile>
#include <algorithm>

#include "core/historytexts.h"

namespace {

QString CsvField(const QString& text) {
    static const QString kNeedsQuotes = QStringLiteral(",\"\r\n");
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return kNeedsQuotes.contains(c); })) {
        return text;
    }
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QStringList Fields(const HistoryRow& row) {
    return {row.Name(),
            row.Folder(),
            row.saveFolder,
            QString::number(row.size),
            ReceivedTimeText(row.completedAt),
            QString::number(row.resumes),
            PictureCheckText(row.pictureCheck),
            row.sha256};
}

}  // namespace

QByteArray CsvRecord(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) quoted << CsvField(field);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

std::optional<QString> ExportHistoryCsv(LedgerHistory& history, const HistoryFilter& filter,
                                        const QString& filePath) {
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    file.write("\xEF\xBB\xBF");
    // Sizes in bytes, unlike the window: a spreadsheet sums a plain number.
    file.write(CsvRecord({QStringLiteral("파일명"), QStringLiteral("폴더"),
                          QStringLiteral("저장 폴더"), QStringLiteral("크기(바이트)"),
                          QStringLiteral("받은 시각"), QStringLiteral("이어받기"),
                          QStringLiteral("사진 검사"), QStringLiteral("SHA-256")}));
    const HistoryStatus status = history.ForEach(
        filter, [&file](const HistoryRow& row) { file.write(CsvRecord(Fields(row))); });
    if (status.state == HistoryState::Unreadable) {
        file.cancelWriting();
        return QStringLiteral("수신 기록을 읽을 수 없습니다: ") + status.error;
    }
    // A failed write shows at the commit, which then leaves the old file as it was.
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}
