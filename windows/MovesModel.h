#pragma once

#include "data/Reads.h"
#include "platform/Regional.h"

#include <QAbstractTableModel>
#include <QColor>

namespace windows {

// The movements grid's model: the rows of one part's movements, in the
// grid's six columns with their display forms, receipts and issues in their
// legend colours.
class MovesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    MovesModel(data::Movements movements, const platform::Regional& regional, const QColor& windowColour,
               QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    const data::MovementRow& row(int r) const { return m_.rows.at(size_t(r)); }

    // The currency column's width, in pixels; the others take their data's.
    static constexpr int kCurrencyWidth = 44;
    static constexpr int kCurrencyColumn = 2;

private:
    data::Movements m_;
    platform::Regional regional_;
    QColor windowColour_;
};

} // namespace windows
