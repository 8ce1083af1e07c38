#include "lookup/PartListModel.h"

namespace lookup {

void PartListModel::show(const PartList& list)
{
    if (list.rows == shown_)
        return;
    beginResetModel();
    shown_ = list.rows;
    endResetModel();
}

int PartListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !shown_ ? 0 : int(shown_->size());
}

int PartListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant PartListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const data::PartRow& row = shown_->at(size_t(index.row()));
    return index.column() == 0 ? row.manufactureCode : row.number;
}

QVariant PartListModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0)
        return QStringLiteral("Номер");
    if (section == 1)
        return QStringLiteral("Оригинал");
    return {};
}

} // namespace lookup
