#pragma once

#include "data/firebird/Query.h"

#include <QAbstractTableModel>

#include <functional>

namespace data {

// One grid column shown from a query's field.
struct GridColumn {
    QString field;
    QString title;
    int width = -1; // pixels; -1: the view's default
    std::function<QString(const fb::Field&)> format; // empty: the field's text
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// A read-only grid model over an open query: grids show the query's rows
// directly and follow it when it opens, closes or changes.
class QueryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    QueryModel(fb::Query& query, std::vector<GridColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    fb::Query& query() const { return query_; }
    const std::vector<GridColumn>& gridColumns() const { return columns_; }
    void setBoldTitles(bool bold) { boldTitles_ = bold; }

    // The colour of a whole row for Qt::ForegroundRole or Qt::BackgroundRole;
    // an invalid value leaves the grid's ordinary colour.
    using RowColours = std::function<QVariant(int row, int role)>;
    void setRowColours(RowColours colours) { rowColours_ = std::move(colours); }

private:
    fb::Query& query_;
    std::vector<GridColumn> columns_;
    std::vector<int> fieldIndex_;
    bool boldTitles_ = false;
    RowColours rowColours_;
};

} // namespace data
