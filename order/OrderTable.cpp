#include "order/OrderTable.h"

#include "order/OrderRules.h"
#include "platform/Failure.h"

namespace order {

OrderTable::OrderTable(QObject* parent) : QObject(parent) {}

void OrderTable::open()
{
    if (open_)
        return;
    emit aboutToReset();
    open_ = true;
    recount();
    emit resetDone();
    emit totalChanged(total_);
}

void OrderTable::close()
{
    if (!open_)
        return;
    emit aboutToReset();
    open_ = false;
    emit resetDone();
}

void OrderTable::checkOpen() const
{
    if (!open_)
        throw platform::Failure(QStringLiteral("mtOrder: Cannot perform this operation on a closed dataset"));
}

void OrderTable::checkStorable(OrderLine& line)
{
    const QString refusal = missingFieldMessage(line);
    if (!refusal.isEmpty())
        throw platform::Failure(refusal);
    cutToFieldSizes(line);
}

void OrderTable::recount()
{
    // Every line sum is a whole number, so the sum is exact in any order.
    total_ = 0;
    for (const OrderLine& l : rows_)
        total_ += sumCost(l);
}

void OrderTable::append(OrderLine line)
{
    checkOpen();
    checkStorable(line);
    const int at = count();
    emit rowAboutToBeInserted(at);
    total_ += sumCost(line);
    rows_.push_back(std::move(line));
    emit rowInserted(at);
    emit totalChanged(total_);
}

void OrderTable::replace(int i, OrderLine line)
{
    checkOpen();
    checkStorable(line);
    OrderLine& slot = rows_.at(size_t(i));
    total_ += sumCost(line) - sumCost(slot);
    slot = std::move(line);
    emit rowChanged(i);
    emit totalChanged(total_);
}

void OrderTable::remove(int i)
{
    checkOpen();
    if (i < 0 || i >= count())
        return;
    emit rowAboutToBeRemoved(i);
    total_ -= sumCost(rows_[size_t(i)]);
    rows_.erase(rows_.begin() + i);
    emit rowRemoved(i);
    emit totalChanged(total_);
}

void OrderTable::clear()
{
    emit aboutToReset();
    rows_.clear();
    total_ = 0;
    emit resetDone();
    emit totalChanged(total_);
}

void OrderTable::replaceAll(std::vector<OrderLine> lines)
{
    checkOpen();
    for (OrderLine& l : lines)
        checkStorable(l);
    emit aboutToReset();
    rows_ = std::move(lines);
    recount();
    emit resetDone();
    emit totalChanged(total_);
}

int OrderTable::removeIf(const std::function<bool(const OrderLine&)>& drop)
{
    checkOpen();
    emit aboutToReset();
    const auto before = rows_.size();
    std::erase_if(rows_, drop);
    recount();
    emit resetDone();
    emit totalChanged(total_);
    return int(before - rows_.size());
}

} // namespace order
