#include "data/QueryModel.h"

#include <QFont>

namespace data {

QueryModel::QueryModel(fb::Query& query, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), query_(query), columns_(std::move(columns))
{
    for (const auto& c : columns_)
        fieldIndex_.push_back(query_.columnIndex(c.field));
    auto reset = [this]() {
        beginResetModel();
        endResetModel();
    };
    connect(&query_, &fb::Query::opened, this, reset);
    connect(&query_, &fb::Query::closed, this, reset);
    connect(&query_, &fb::Query::rowsChanged, this, reset);
}

int QueryModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !query_.isOpen())
        return 0;
    return query_.recordCount();
}

int QueryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant QueryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const auto& c = columns_[static_cast<size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(c.alignment);
    if (role == Qt::ForegroundRole || role == Qt::BackgroundRole)
        return rowColours_ ? rowColours_(index.row(), role) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const int fi = fieldIndex_[static_cast<size_t>(index.column())];
    if (fi < 0)
        return {};
    fb::Field f = query_.fieldAt(index.row(), fi);
    return c.format ? c.format(f) : f.asString();
}

QVariant QueryModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return columns_[static_cast<size_t>(section)].title;
    if (role == Qt::FontRole && boldTitles_) {
        QFont f;
        f.setBold(true);
        return f;
    }
    return {};
}

} // namespace data
