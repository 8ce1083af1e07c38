#pragma once

#include "order/OrderLine.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace order {

// The order file: Windows-1251 text, a header line of the nine field labels,
// then one line per row; values separated by TAB, every line ended by CR LF.

// The whole file for these rows, the line sums computed afresh.
QByteArray exportOrder(const std::vector<OrderLine>& rows);

struct ImportResult {
    std::vector<OrderLine> rows;
    QString error; // empty: the whole file was read
};

// Reads the rows of an order file. When a line is refused, reading stops
// there: the rows before it are returned together with the message, the
// refused line itself is not.
ImportResult importOrder(const QByteArray& bytes);

} // namespace order
