#include "data/QueryModel.h"

#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

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

void bindGrid(QTableView* view, QueryModel* model)
{
    view->setModel(model);
    const auto& cols = model->gridColumns();
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].width > 0)
            view->setColumnWidth(static_cast<int>(i), cols[i].width);
    fb::Query* q = &model->query();
    auto toView = [view, model](int row) {
        if (row < 0 || row >= model->rowCount())
            return;
        QModelIndex cur = view->currentIndex();
        if (cur.isValid() && cur.row() == row)
            return;
        QModelIndex idx = model->index(row, cur.isValid() ? cur.column() : 0);
        view->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(idx);
    };
    QObject::connect(q, &fb::Query::currentRowChanged, view, toView);
    // After a reset the view has no current index: put it on the cursor row.
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [q, toView]() { toView(q->currentRow()); });
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [q](const QModelIndex& cur) {
                         if (cur.isValid() && cur.row() != q->currentRow())
                             q->moveTo(cur.row());
                     });
}

} // namespace data
