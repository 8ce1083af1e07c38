#pragma once

#include "order/OrderLine.h"

#include <QAbstractTableModel>

namespace order {

class OrderTable;

// The grid's view of the order table. Edits collect in a buffer for one row
// at a time and reach the table when the row is stored (post), as a grid
// whose row is left does; until then the row shows the buffer.
class OrderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit OrderModel(OrderTable& table, QObject* parent = nullptr);

    OrderTable& table() const { return table_; }
    static OrderField fieldOf(int column) { return OrderField(column); }
    static QString columnTitle(int column);
    static int columnWidth(int column); // -1: the width of the data

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The row as the grid shows it: the edit buffer for the row in editing.
    const OrderLine& lineAt(int row) const;

    // Puts typed text into a cell of the edit buffer; returns the refusal
    // message (conversion, or a row left behind that cannot be stored).
    QString setCellText(int row, int column, const QString& text);
    // The spin buttons of ToOrder: ±delta on the edit buffer.
    QString stepToOrder(int row, double delta);

    int editRow() const { return editRow_; }
    bool isEditing() const { return editRow_ >= 0; }
    // Stores the row in editing; returns the refusal message, the row then
    // stays in editing.
    QString post();
    void cancel();

    void setDecimalSeparator(QChar sep);
    QChar decimalSeparator() const { return sep_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool isReadOnly() const { return readOnly_; }
    void setCurrentRow(int row); // the row indicator

signals:
    // A field changed, a row was stored, removed or the rows reloaded.
    void contentChanged();

private:
    QString beginEdit(int row);
    void rowRefresh(int row);

    OrderTable& table_;
    int editRow_ = -1;
    OrderLine buffer_;
    QChar sep_ = QLatin1Char('.');
    bool readOnly_ = false;
    int currentRow_ = -1;
};

} // namespace order
