#pragma once

#include "lookup/PartLookup.h"

#include <QAbstractTableModel>

namespace lookup {

// A grid model over one of the lookup's lists: two columns, "Номер" and
// "Оригинал", read-only. It holds the rows it shows, so a lookup that
// replaces its lists never pulls them from under the grid.
class PartListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Shows the list's rows; the grid is reset only when they are other rows.
    void show(const PartList& list);

private:
    std::shared_ptr<const std::vector<data::PartRow>> shown_;
};

} // namespace lookup
