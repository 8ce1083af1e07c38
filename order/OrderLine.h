#pragma once

#include <QString>
#include <optional>

namespace order {

// One row of the order table. An empty optional is a missing value; an empty
// text ("") is a value and satisfies the required fields.
struct OrderLine {
    std::optional<int> id;
    std::optional<QString> name, manufactureCode, number;
    std::optional<double> onStock, minStock, toOrder, cost;
};

// The nine fields in table order; the same order serves the grid columns and
// the columns of an order file.
enum class OrderField { ID, NAME, MANUFACTURECODE, NUMBER, OnStock, MINSTOCK, ToOrder, Cost, SumCost };

inline constexpr int orderFieldCount = 9;

inline constexpr int nameSize = 80;
inline constexpr int codeSize = 25; // MANUFACTURECODE and NUMBER

// The line sum: cost × quantity to the nearest whole number, halves to even.
// An empty cost or quantity counts as 0.
double sumCost(const OrderLine& line);

// Cuts the texts to what the table holds: NAME 80, the two numbers 25.
void cutToFieldSizes(OrderLine& line);

// The field's label, as the user and the order file see it ("Код", ...).
QString fieldLabel(OrderField field);
// The field's name in the table ("ID", "NAME", ...).
QString fieldName(OrderField field);

// Messages of a refused row or value; they name the field by its label.
QString requiredFieldMessage(OrderField field);
QString invalidFloatMessage(const QString& value, OrderField field);
QString invalidIntegerMessage(const QString& value, OrderField field);

} // namespace order
