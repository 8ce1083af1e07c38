#pragma once

#include <QString>

namespace db {

// The EUR rate of the demo currency table; receipts in EUR are converted
// with it.
inline constexpr double kDemoEuroRate = 99.87;

// Fills an empty enterprise database and an empty price database (made by
// createEnterprise / createPrice) with a small believable shop: about a
// hundred car parts with Cyrillic names, makers' numbers, OE numbers shared
// by cross parts, replacement numbers as lines of the remark, receipts,
// issues and open reserves over two warehouses ("E" and "M"), minimum stocks
// of which some are not met, and a currency table with EUR. The same data
// every time but for the dates: the movements span the months up to the day
// the databases are made.
void fillDemo(const QString& enterprisePath, const QString& pricePath);

// The currency table alone (part of fillDemo).
void fillDemoPrice(const QString& pricePath);

} // namespace db
