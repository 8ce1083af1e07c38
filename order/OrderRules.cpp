#include "order/OrderRules.h"

#include "platform/Cp1251.h"
#include "platform/NumberText.h"

namespace order {

bool needsOrder(double onStock, double minStock)
{
    return onStock < minStock;
}

OrderLine candidateLine(const Candidate& c, double onStock, double cost)
{
    OrderLine line;
    line.id = c.id;
    line.name = c.name.isNull() ? QString(QLatin1String("")) : c.name;
    line.manufactureCode = c.manufactureCode.isNull() ? QString(QLatin1String("")) : c.manufactureCode;
    line.number = c.number.isNull() ? QString(QLatin1String("")) : c.number;
    line.onStock = onStock;
    line.minStock = c.minStock;
    line.toOrder = c.minStock - onStock;
    line.cost = cost;
    cutToFieldSizes(line);
    return line;
}

QString euroTotalText(double total, double euroRate, QChar decimalSep)
{
    // Before the rate is fetched there is nothing sensible to show, and an
    // error box at every refresh would bury the window.
    if (euroRate == 0)
        return {};
    return platform::formatFixed(total / euroRate, 6, 2, decimalSep);
}

QString moneyText(double value, QChar decimalSep)
{
    return platform::formatFixed(value, 15, 2, decimalSep);
}

namespace {

std::optional<double> numberOf(const OrderLine& line, OrderField field)
{
    switch (field) {
    case OrderField::OnStock: return line.onStock;
    case OrderField::MINSTOCK: return line.minStock;
    case OrderField::ToOrder: return line.toOrder;
    case OrderField::Cost: return line.cost;
    case OrderField::SumCost: return sumCost(line);
    default: return std::nullopt;
    }
}

std::optional<double>* numberSlot(OrderLine& line, OrderField field)
{
    switch (field) {
    case OrderField::OnStock: return &line.onStock;
    case OrderField::MINSTOCK: return &line.minStock;
    case OrderField::ToOrder: return &line.toOrder;
    case OrderField::Cost: return &line.cost;
    default: return nullptr;
    }
}

std::optional<QString>* textSlot(OrderLine& line, OrderField field)
{
    switch (field) {
    case OrderField::NAME: return &line.name;
    case OrderField::MANUFACTURECODE: return &line.manufactureCode;
    case OrderField::NUMBER: return &line.number;
    default: return nullptr;
    }
}

bool isTextField(OrderField field)
{
    return field == OrderField::NAME || field == OrderField::MANUFACTURECODE || field == OrderField::NUMBER;
}

std::optional<QString> textOf(const OrderLine& line, OrderField field)
{
    switch (field) {
    case OrderField::NAME: return line.name;
    case OrderField::MANUFACTURECODE: return line.manufactureCode;
    case OrderField::NUMBER: return line.number;
    default: return std::nullopt;
    }
}

} // namespace

QString displayText(const OrderLine& line, OrderField field, QChar decimalSep)
{
    switch (field) {
    case OrderField::MINSTOCK:
    case OrderField::ID:
    case OrderField::NAME:
    case OrderField::MANUFACTURECODE:
    case OrderField::NUMBER:
        return plainText(line, field, decimalSep);
    default: {
        const std::optional<double> v = numberOf(line, field);
        return v ? moneyText(*v, decimalSep) : QString();
    }
    }
}

QString plainText(const OrderLine& line, OrderField field, QChar decimalSep)
{
    if (field == OrderField::ID)
        return line.id ? QString::number(*line.id) : QString();
    if (isTextField(field))
        return textOf(line, field).value_or(QString());
    const std::optional<double> v = numberOf(line, field);
    return v ? platform::formatGeneral(*v, decimalSep, 15) : QString();
}

QString setFieldText(OrderLine& line, OrderField field, const QString& text, QChar decimalSep)
{
    if (field == OrderField::SumCost)
        return {}; // computed, never stored
    if (field == OrderField::ID) {
        if (text.isEmpty()) {
            line.id.reset();
            return {};
        }
        int v = 0;
        if (!platform::parseInteger(text, &v))
            return invalidIntegerMessage(text, field);
        line.id = v;
        return {};
    }
    if (std::optional<QString>* slot = textSlot(line, field)) {
        if (text.isEmpty()) {
            slot->reset();
            return {};
        }
        // The table holds Windows-1251 text: what the code page lacks is
        // replaced here, where the user sees it, not later in a file.
        *slot = platform::fromCp1251(platform::toCp1251(text));
        cutToFieldSizes(line);
        return {};
    }
    std::optional<double>* slot = numberSlot(line, field);
    if (text.isEmpty()) {
        slot->reset();
        return {};
    }
    double v = 0;
    if (!platform::parseDecimal(text, decimalSep, &v))
        return invalidFloatMessage(text, field);
    *slot = v;
    return {};
}

QString missingFieldMessage(const OrderLine& line)
{
    if (!line.id)
        return requiredFieldMessage(OrderField::ID);
    if (!line.name)
        return requiredFieldMessage(OrderField::NAME);
    return {};
}

bool keptByLeaveNull(const OrderLine& line)
{
    return platform::roundHalfEven(line.onStock.value_or(0.0)) == 0;
}

QString proposedExportName(const std::optional<QString>& skladChoice, const QString& skladBoxText)
{
    if (!skladChoice)
        return QStringLiteral("Полный заказ.csv");
    QString name = skladBoxText;
    for (QChar& c : name) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return name + QStringLiteral(".csv");
}

} // namespace order
