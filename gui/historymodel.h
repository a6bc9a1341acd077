#pragma once
// The ledger rows the history window lists, one photo a line, newest first.
#include <QAbstractTableModel>
#include <vector>

#include "core/ledgerhistory.h"

class HistoryModel : public QAbstractTableModel {
public:
    enum Column { Name, Folder, SaveFolder, Size, ReceivedAt, Resumes, PictureCheck, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<HistoryRow> rows);
    const HistoryRow& Row(int row) const { return m_rows.at(static_cast<size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString Text(const HistoryRow& row, int column) const;

    std::vector<HistoryRow> m_rows;
};
