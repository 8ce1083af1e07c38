#include "windows/MovesModel.h"

#include "windows/MovesFormat.h"

namespace windows {

namespace {

const char* const kTitles[] = {"Дата", "Кол-во", "Валюта", "Цена, вал.", "Цена, нац.", "Сумма, нац."};
constexpr int kColumns = 6;

} // namespace

MovesModel::MovesModel(data::Movements movements, const platform::Regional& regional, const QColor& windowColour,
                       QObject* parent)
    : QAbstractTableModel(parent), m_(std::move(movements)), regional_(regional), windowColour_(windowColour)
{
}

int MovesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_.rows.size());
}

int MovesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant MovesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const data::MovementRow& r = row(index.row());
    if (role == Qt::ForegroundRole || role == Qt::BackgroundRole)
        return movementRowColour(r.direction, role, windowColour_);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == 1 || index.column() >= 3 ? Qt::AlignRight | Qt::AlignVCenter
                                                                              : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    auto money = [this](const std::optional<double>& v) { return v ? movementMoney(*v, regional_) : QString(); };
    switch (index.column()) {
    case 0: return movementDate(r.date, regional_);
    case 1: return r.counts ? movementCount(*r.counts, m_.countsScale, regional_) : QString();
    case 2: return r.currency;
    case 3: return money(r.priceCurrency);
    case 4: return money(r.price);
    case 5: return money(r.sum);
    default: return {};
    }
}

QVariant MovesModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || section >= kColumns || role != Qt::DisplayRole)
        return {};
    return QString::fromUtf8(kTitles[section]);
}

} // namespace windows
