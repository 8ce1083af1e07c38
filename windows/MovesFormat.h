#pragma once

#include "platform/Regional.h"

#include <QDateTime>
#include <QString>

namespace windows {

// A movement's date: dd.mm.yyyy, a blank, hh and mm on the 12-hour clock with
// the regional time separator, a blank, the regional before- or after-noon
// marker (which may be empty). An invalid date gives empty text.
QString movementDate(const QDateTime& t, const platform::Regional& r);

// A quantity: with the column's fixed decimals (scale < 0) thousands grouped
// and exactly that many decimals, else the general form of 15 digits.
QString movementCount(double v, int scale, const platform::Regional& r);

// A money column: two decimals, no grouping.
QString movementMoney(double v, const platform::Regional& r);

// Whether a row whose document number is `number` (null: none) matches the
// search text: the whole text read as a whole number; empty text matches only
// a row without a number.
bool documentMatches(const QString& text, bool numberIsNull, qint32 number);

} // namespace windows
