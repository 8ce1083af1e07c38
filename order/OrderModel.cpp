#include "order/OrderModel.h"

#include "order/OrderRules.h"
#include "order/OrderTable.h"
#include "platform/Failure.h"

#include <QFont>

namespace order {

namespace {
const char* const titles[orderFieldCount] = {"Код",  "Наименование", "Номер",  "О.Е.", "Склад",
                                             "MIN",  "Заказ",        "Ст-сть", "Сумма"};
const int widths[orderFieldCount] = {-1, 202, 101, 97, 47, 51, 53, -1, -1};
} // namespace

OrderModel::OrderModel(OrderTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    connect(&table_, &OrderTable::aboutToReset, this, [this] {
        editRow_ = -1;
        currentRow_ = -1;
        beginResetModel();
    });
    connect(&table_, &OrderTable::resetDone, this, [this] {
        endResetModel();
        emit contentChanged();
    });
    connect(&table_, &OrderTable::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(&table_, &OrderTable::rowInserted, this, [this](int) {
        endInsertRows();
        emit contentChanged();
    });
    connect(&table_, &OrderTable::rowAboutToBeRemoved, this, [this](int row) {
        if (editRow_ == row)
            editRow_ = -1;
        else if (editRow_ > row)
            --editRow_;
        beginRemoveRows({}, row, row);
    });
    connect(&table_, &OrderTable::rowRemoved, this, [this](int) {
        endRemoveRows();
        emit contentChanged();
    });
    connect(&table_, &OrderTable::rowChanged, this, [this](int row) {
        rowRefresh(row);
        emit contentChanged();
    });
}

QString OrderModel::columnTitle(int column)
{
    return QString::fromUtf8(titles[column]);
}

int OrderModel::columnWidth(int column)
{
    return widths[column];
}

int OrderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !table_.isOpen() ? 0 : table_.count();
}

int OrderModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : orderFieldCount;
}

const OrderLine& OrderModel::lineAt(int row) const
{
    return row == editRow_ ? buffer_ : table_.row(row);
}

QVariant OrderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const OrderField field = fieldOf(index.column());
    switch (role) {
    case Qt::DisplayRole: return displayText(lineAt(index.row()), field, sep_);
    case Qt::EditRole: return plainText(lineAt(index.row()), field, sep_);
    case Qt::TextAlignmentRole: {
        const bool text = field == OrderField::NAME || field == OrderField::MANUFACTURECODE
            || field == OrderField::NUMBER;
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    default: return {};
    }
}

QVariant OrderModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Vertical) {
        // The row indicator: the current row, and whether it is in editing.
        if (role == Qt::DisplayRole)
            return section == editRow_ ? QStringLiteral("I") : section == currentRow_ ? QStringLiteral("▶") : QString();
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    }
    if (section < 0 || section >= orderFieldCount)
        return {};
    if (role == Qt::DisplayRole)
        return columnTitle(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role == Qt::FontRole) {
        QFont f;
        f.setBold(true);
        return f;
    }
    return {};
}

Qt::ItemFlags OrderModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && !readOnly_ && fieldOf(index.column()) != OrderField::SumCost)
        f |= Qt::ItemIsEditable;
    return f;
}

bool OrderModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    return setCellText(index.row(), index.column(), value.toString()).isEmpty();
}

QString OrderModel::beginEdit(int row)
{
    if (editRow_ == row)
        return {};
    const QString refusal = post();
    if (!refusal.isEmpty())
        return refusal;
    buffer_ = table_.row(row);
    editRow_ = row;
    emit headerDataChanged(Qt::Vertical, row, row);
    return {};
}

QString OrderModel::setCellText(int row, int column, const QString& text)
{
    if (readOnly_ || row < 0 || row >= rowCount() || fieldOf(column) == OrderField::SumCost)
        return {};
    QString refusal = beginEdit(row);
    if (!refusal.isEmpty())
        return refusal;
    OrderLine changed = buffer_;
    refusal = setFieldText(changed, fieldOf(column), text, sep_);
    if (!refusal.isEmpty())
        return refusal;
    buffer_ = std::move(changed);
    rowRefresh(row);
    emit contentChanged();
    return {};
}

QString OrderModel::stepToOrder(int row, double delta)
{
    if (readOnly_ || row < 0 || row >= rowCount())
        return {};
    const QString refusal = beginEdit(row);
    if (!refusal.isEmpty())
        return refusal;
    buffer_.toOrder = buffer_.toOrder.value_or(0.0) + delta;
    rowRefresh(row);
    emit contentChanged();
    return {};
}

QString OrderModel::post()
{
    if (editRow_ < 0)
        return {};
    try {
        const int row = editRow_;
        table_.replace(row, buffer_);
        editRow_ = -1;
        emit headerDataChanged(Qt::Vertical, row, row);
    } catch (const platform::Failure& f) {
        return f.text();
    }
    return {};
}

void OrderModel::cancel()
{
    if (editRow_ < 0)
        return;
    const int row = editRow_;
    editRow_ = -1;
    rowRefresh(row);
    emit headerDataChanged(Qt::Vertical, row, row);
    emit contentChanged();
}

void OrderModel::setDecimalSeparator(QChar sep)
{
    if (sep == sep_)
        return;
    sep_ = sep;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, orderFieldCount - 1));
}

void OrderModel::setCurrentRow(int row)
{
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0 && old < rowCount())
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rowCount())
        emit headerDataChanged(Qt::Vertical, row, row);
}

void OrderModel::rowRefresh(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, orderFieldCount - 1));
}

} // namespace order
