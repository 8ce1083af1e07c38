// A query's rows once fetched: the cursor over them, reading a value by
// name or place, and the row edits of an editable table on top of it.

#include "data/firebird/Query.h"

#include "data/firebird/Error.h"

#include <algorithm>

namespace fb {

namespace {
const Value kNull{};
}

bool Query::next()
{
    if (!open_ || cur_ + 1 >= rows_)
        return false;
    moveTo(cur_ + 1);
    return true;
}

bool Query::prior()
{
    if (!open_ || cur_ <= 0)
        return false;
    moveTo(cur_ - 1);
    return true;
}

void Query::moveTo(int row)
{
    if (!open_ || rows_ == 0)
        return;
    row = std::clamp(row, 0, rows_ - 1);
    if (row == cur_)
        return;
    cur_ = row;
    emit currentRowChanged(cur_);
}

Field Query::field(const QString& name) const
{
    int c = columnIndex(name);
    if (c < 0)
        fail(Error(QStringLiteral("no field %1").arg(name), {Error::kNoField}, {name}));
    if (!hasRow())
        return Field(nullptr, &columns_[static_cast<size_t>(c)], 0);
    return fieldAt(cur_, c);
}

Field Query::fieldAt(int row, int column) const
{
    return Field(&value(row, column), &columns_[static_cast<size_t>(column)],
                 column < static_cast<int>(scales_.size()) ? scales_[static_cast<size_t>(column)] : 0);
}

const Value& Query::value(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= static_cast<int>(columns_.size()))
        return kNull;
    return cells_[static_cast<size_t>(row) * columns_.size() + static_cast<size_t>(column)];
}

void Query::checkRow(int row, int rows) const
{
    if (row < 0 || row >= rows)
        fail(Error(QStringLiteral("no row %1 of %2").arg(row).arg(rows_), {Error::kNoRow},
                   {QString::number(row), QString::number(rows_)}));
}

void Query::replaceRow(int row, std::vector<Value> values)
{
    checkRow(row, rows_);
    values.resize(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c)
        cells_[static_cast<size_t>(row) * columns_.size() + c] = std::move(values[c]);
    emit rowsChanged();
}

void Query::insertRow(int row, std::vector<Value> values)
{
    checkRow(row, rows_ + 1); // == recordCount() appends
    values.resize(columns_.size());
    auto at = cells_.begin() + static_cast<qsizetype>(row) * static_cast<qsizetype>(columns_.size());
    cells_.insert(at, std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
    ++rows_;
    open_ = true;
    emit rowsChanged();
}

void Query::removeRow(int row)
{
    checkRow(row, rows_);
    auto at = cells_.begin() + static_cast<qsizetype>(row) * static_cast<qsizetype>(columns_.size());
    cells_.erase(at, at + static_cast<qsizetype>(columns_.size()));
    --rows_;
    if (cur_ >= rows_)
        cur_ = rows_ - 1;
    emit rowsChanged();
    emit currentRowChanged(cur_);
}

} // namespace fb
