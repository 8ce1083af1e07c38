#include "windows/CurrencyModel.h"

#include "platform/ErrorHandler.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

#include <QLineEdit>

namespace windows {

bool blankName(const fb::Value& v)
{
    if (fb::isNull(v))
        return true;
    auto s = std::get_if<QString>(&v);
    return s && s->isEmpty();
}

namespace {

QString cellText(const fb::Value& v)
{
    if (auto s = std::get_if<QString>(&v))
        return *s;
    if (auto d = std::get_if<double>(&v))
        return platform::formatGeneral(*d, platform::Regional::current().decimalSeparator);
    if (auto i = std::get_if<qint32>(&v))
        return QString::number(*i);
    return {};
}

} // namespace

// ---- CurrencyModel ---------------------------------------------------------

CurrencyModel::CurrencyModel(data::CurrencyTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    rows_ = table_.rowCount();
    connect(&table_, &data::CurrencyTable::changed, this, &CurrencyModel::follow);
    connect(&table_.select, &fb::Query::rowsChanged, this, &CurrencyModel::follow);
    connect(&table_.select, &fb::Query::currentRowChanged, this, [this]() {
        if (rows_ > 0)
            emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    });
}

void CurrencyModel::follow()
{
    // A changed row count needs a reset; a changed value only a repaint, so
    // that an open cell editor survives it.
    if (table_.rowCount() != rows_) {
        beginResetModel();
        rows_ = table_.rowCount();
        endResetModel();
        return;
    }
    if (rows_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, 1));
        emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    }
}

int CurrencyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int CurrencyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant CurrencyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= table_.rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return cellText(table_.value(index.row(), index.column()));
    if (role == Qt::TextAlignmentRole && index.column() == data::CurrencyTable::kRate)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool CurrencyModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    if (data(index, Qt::EditRole).toString() == text)
        return false; // the editor closed unchanged: no edit begins
    fb::Value v;
    if (index.column() == data::CurrencyTable::kName) {
        v = text;
    } else if (!text.trimmed().isEmpty()) {
        double d = 0;
        if (!platform::parseDecimal(text, platform::Regional::current().decimalSeparator, &d)) {
            emit badRate(index, text);
            return false;
        }
        v = d;
    }
    // A change made while another command waits for a server comes after
    // it (platform/Commands.h): it owns what it sets.
    const int row = index.row();
    const int column = index.column();
    return platform::guardedFor(this, [this, row, column, v]() {
        // A row left in editing is stored before another row's edit begins.
        if (table_.state() != data::CurrencyTable::State::Browse && table_.editRow() != row)
            table_.post();
        table_.moveTo(row);
        table_.setValue(column, v);
    });
}

QVariant CurrencyModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Vertical) {
        if (role != Qt::DisplayRole || section != table_.currentRow())
            return role == Qt::DisplayRole ? QString() : QVariant();
        switch (table_.state()) {
        case data::CurrencyTable::State::Insert: return QStringLiteral("*");
        case data::CurrencyTable::State::Edit: return QStringLiteral("I");
        case data::CurrencyTable::State::Browse: return QStringLiteral("►");
        }
        return {};
    }
    if (section < 0 || section > 1)
        return {};
    if (role == Qt::DisplayRole)
        return table_.select.columns().at(static_cast<size_t>(section)).label;
    return {};
}

Qt::ItemFlags CurrencyModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && table_.isOpen())
        f |= Qt::ItemIsEditable;
    return f;
}

// ---- CurrencyDelegate ------------------------------------------------------

QWidget* CurrencyDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(w); line && index.column() == data::CurrencyTable::kName)
        line->setMaxLength(10); // the column's width in the database
    editor_ = w;
    return w;
}

void CurrencyDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && restoreIndex_.isValid() && restoreIndex_ == index) {
        line->setText(restoreText_);
        restoreIndex_ = QPersistentModelIndex();
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CurrencyDelegate::restoreText(const QModelIndex& index, const QString& text)
{
    restoreIndex_ = index;
    restoreText_ = text;
}

} // namespace windows
