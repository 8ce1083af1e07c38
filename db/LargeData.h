#pragma once

#include <QString>
#include <QtGlobal>

namespace db {

// Fills an empty enterprise database (made by createEnterprise) with a large
// set for benchmarks: `parts` parts (unique makers' numbers in the makers'
// own forms, cross groups of one to four sharing an OE number, replacement
// numbers in the remark of about three in ten, a minimum stock on one in
// twenty) and `lines` document lines over five years and three warehouses,
// about eight to a document. The same seed gives the same data. Rows go
// through prepared inserts, committed in batches; 200,000 parts with
// 2,000,000 lines take well under a minute.
void fillLarge(const QString& enterprisePath, int parts, qint64 lines, quint64 seed = 1);

} // namespace db
