#pragma once

#include "order/OrderLine.h"

#include <QChar>
#include <QString>

#include <optional>

namespace order {

// The figures of one candidate part, as the build reads them.
struct Candidate {
    int id = 0;
    QString name, manufactureCode, number; // a missing text arrives as ""
    double minStock = 0;
};

// A part goes on the order only while its stock is strictly below the minimum.
bool needsOrder(double onStock, double minStock);

// The order line of a candidate: texts cut to the field sizes, ToOrder the
// shortfall (never rounded), Cost the average purchase cost.
OrderLine candidateLine(const Candidate& c, double onStock, double cost);

// The EUR total: rounded to six significant digits, then two decimals; the
// exponent form beyond six integer digits. Empty while there is no rate yet.
QString euroTotalText(double total, double euroRate, QChar decimalSep);

// The main-currency total as the footer shows it ("0.00").
QString moneyText(double value, QChar decimalSep);

// A field as the grid shows it: "0.00" for the quantities and money, the
// shortest decimal form for MINSTOCK, empty for a missing value.
QString displayText(const OrderLine& line, OrderField field, QChar decimalSep);

// A field's plain text (copy, "В калькулятор", the editor): numbers in the
// shortest decimal form with up to 15 digits, texts as stored.
QString plainText(const OrderLine& line, OrderField field, QChar decimalSep);

// Stores typed text into a field; an empty text clears it. Returns the
// refusal message, or an empty text when the value was taken. Texts are cut
// to the field size and kept to what Windows-1251 can hold.
QString setFieldText(OrderLine& line, OrderField field, const QString& text, QChar decimalSep);

// The refusal of a row that misses ID or NAME; empty when it may be stored.
QString missingFieldMessage(const OrderLine& line);

// "Оставить нули..": a row stays while its stock rounds (halves to even) to 0.
bool keptByLeaveNull(const OrderLine& line);

// The proposed export name: the warehouse box text + ".csv" with a warehouse
// chosen, else "Полный заказ.csv". Characters no file name may hold become "_".
QString proposedExportName(const std::optional<QString>& skladChoice, const QString& skladBoxText);

} // namespace order
