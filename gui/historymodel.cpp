#include "gui/historymodel.h"

#include "core/historytexts.h"
#include "protocol/thousands.h"

void HistoryModel::SetRows(std::vector<HistoryRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString HistoryModel::Text(const HistoryRow& row, int column) const {
    switch (column) {
        case Name:
            return row.Name();
        case Folder:
            return row.Folder();
        case SaveFolder:
            return row.saveFolder;
        case Size:
            // As the form's reception rows show a size.
            return QString::fromStdString(FormatThousands(row.size));
        case ReceivedAt:
            return ReceivedTimeText(row.completedAt);
        case Resumes:
            return QString::number(row.resumes);
        case PictureCheck:
            return PictureCheckText(row.pictureCheck);
        default:
            return {};
    }
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const HistoryRow& row = Row(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return Text(row, index.column());
        case Qt::ToolTipRole:
            // A column too narrow for a long name still tells it whole.
            return index.column() == Name ? row.FilePath() : Text(row, index.column());
        case Qt::TextAlignmentRole:
            if (index.column() == Size || index.column() == Resumes) {
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            }
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QString kHeaders[ColumnCount] = {
        QStringLiteral("파일명"),    QStringLiteral("폴더"),      QStringLiteral("저장 폴더"),
        QStringLiteral("크기"),      QStringLiteral("받은 시각"), QStringLiteral("이어받기"),
        QStringLiteral("사진 검사"),
    };
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return kHeaders[section];
}
