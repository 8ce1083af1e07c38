#include "order/OrderLine.h"

#include "platform/NumberText.h"

namespace order {

double sumCost(const OrderLine& line)
{
    return platform::roundHalfEven(line.cost.value_or(0.0) * line.toOrder.value_or(0.0));
}

void cutToFieldSizes(OrderLine& line)
{
    auto cut = [](std::optional<QString>& text, int size) {
        if (text && text->size() > size)
            text->truncate(size);
    };
    cut(line.name, nameSize);
    cut(line.manufactureCode, codeSize);
    cut(line.number, codeSize);
}

QString fieldLabel(OrderField field)
{
    switch (field) {
    case OrderField::ID: return QStringLiteral("Код");
    case OrderField::NAME: return QStringLiteral("Наименование");
    case OrderField::MANUFACTURECODE: return QStringLiteral("Номер");
    case OrderField::NUMBER: return QStringLiteral("О.Е.");
    case OrderField::OnStock: return QStringLiteral("На складе");
    case OrderField::MINSTOCK: return QStringLiteral("MIN остаток");
    case OrderField::ToOrder: return QStringLiteral("Заказать");
    case OrderField::Cost: return QStringLiteral("Стоимость");
    case OrderField::SumCost: return QStringLiteral("Сумма");
    }
    return {};
}

QString fieldName(OrderField field)
{
    switch (field) {
    case OrderField::ID: return QStringLiteral("ID");
    case OrderField::NAME: return QStringLiteral("NAME");
    case OrderField::MANUFACTURECODE: return QStringLiteral("MANUFACTURECODE");
    case OrderField::NUMBER: return QStringLiteral("NUMBER");
    case OrderField::OnStock: return QStringLiteral("OnStock");
    case OrderField::MINSTOCK: return QStringLiteral("MINSTOCK");
    case OrderField::ToOrder: return QStringLiteral("ToOrder");
    case OrderField::Cost: return QStringLiteral("Cost");
    case OrderField::SumCost: return QStringLiteral("SumCost");
    }
    return {};
}

QString requiredFieldMessage(OrderField field)
{
    return QStringLiteral("Field '%1' must have a value").arg(fieldLabel(field));
}

// The two-argument arg() fills both places in one pass, so a value that itself
// holds "%2" is shown as typed.
QString invalidFloatMessage(const QString& value, OrderField field)
{
    return QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(value, fieldLabel(field));
}

QString invalidIntegerMessage(const QString& value, OrderField field)
{
    return QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(value, fieldLabel(field));
}

} // namespace order
