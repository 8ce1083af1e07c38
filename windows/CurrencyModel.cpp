#include "windows/CurrencyModel.h"

#include "data/TdmMain.h"
#include "platform/ErrorHandler.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

#include <QLineEdit>

namespace windows {

bool untouched(const data::CurrencyRow& row)
{
    return (!row.name || row.name->isEmpty()) && !row.rate;
}

// ---- CurrencyModel ---------------------------------------------------------

CurrencyModel::CurrencyModel(data::TdmMain& dm, QObject* parent)
    : QAbstractTableModel(parent), dm_(dm), t_(dm.currencies())
{
    connect(&dm_, &data::TdmMain::currenciesChanged, this, &CurrencyModel::follow);
}

void CurrencyModel::follow()
{
    data::Currencies now = dm_.currencies();
    // A changed row count needs a reset; a changed value only a repaint, so
    // that an open cell editor survives it.
    if (now.rows.size() != t_.rows.size()) {
        beginResetModel();
        t_ = std::move(now);
        endResetModel();
        return;
    }
    t_ = std::move(now);
    if (!t_.rows.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 1));
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
}

void CurrencyModel::setCurrentRow(int row)
{
    if (row == current_)
        return;
    current_ = row;
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

int CurrencyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(t_.rows.size());
}

int CurrencyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant CurrencyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const data::CurrencyRow& r = t_.rows[size_t(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (index.column() == kName)
            return r.name.value_or(QString());
        return r.rate ? platform::formatGeneral(*r.rate, platform::Regional::current().decimalSeparator) : QString();
    }
    if (role == Qt::TextAlignmentRole && index.column() == kRate)
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
    const int row = index.row();
    if (index.column() == kName)
        // A change made while another command waits for a server comes
        // after it (platform/Commands.h): it owns what it sets.
        return platform::guardedFor(this, [this, row, text]() { dm_.setCurrencyName(row, text); });
    std::optional<double> rate;
    if (!text.trimmed().isEmpty()) {
        double d = 0;
        if (!platform::parseDecimal(text, platform::Regional::current().decimalSeparator, &d)) {
            emit badRate(index, text);
            return false;
        }
        rate = d;
    }
    return platform::guardedFor(this, [this, row, rate]() { dm_.setCurrencyRate(row, rate); });
}

QVariant CurrencyModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Vertical) {
        if (role != Qt::DisplayRole)
            return {};
        if (t_.state != data::CurrencyState::Browse)
            return section == t_.editRow ? QVariant(t_.state == data::CurrencyState::Insert ? QStringLiteral("*")
                                                                                             : QStringLiteral("I"))
                                         : QVariant(QString());
        return section == current_ ? QStringLiteral("►") : QString();
    }
    if (section < 0 || section > 1)
        return {};
    if (role == Qt::DisplayRole)
        return section == kName ? QStringLiteral("Наименование") : QStringLiteral("Курс");
    return {};
}

Qt::ItemFlags CurrencyModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && t_.open)
        f |= Qt::ItemIsEditable;
    return f;
}

// ---- CurrencyDelegate ------------------------------------------------------

QWidget* CurrencyDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(w); line && index.column() == CurrencyModel::kName)
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
