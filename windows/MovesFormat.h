#pragma once

#include "platform/Regional.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

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

// The legend's colour for goods received.
inline const QColor kReceiptColour(255, 0, 0);

// How a movement row is marked, for Qt::ForegroundRole or Qt::BackgroundRole:
// a receipt line (DIRECTION 1) in the receipt colour as its text colour, an
// issue line (DIRECTION -1) on the window colour, as the legend shows them.
// The legend's other three kinds cannot be told from a line, so every other
// row keeps the grid's ordinary colours (an invalid value), as does every
// other role.
QVariant movementRowColour(std::optional<int> direction, int role, const QColor& windowColour);

} // namespace windows
