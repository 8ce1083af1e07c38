#pragma once

#include "db/Random.h"

#include <QString>

#include <optional>
#include <vector>

namespace db {

// One part of the demo shop as the catalogue makes it.
struct DemoPart {
    qint32 id;
    QString code, number, name, remark, firm;
    double cost;
    double stock = 0;
    std::optional<double> minStock;
    bool fixed = false; // carries its product's fixed number
};

// The demo shop's parts: each product in the makers' own numbering, with
// cross parts sharing OE numbers and replacement numbers in the remark. The
// same parts every time for the same random source.
std::vector<DemoPart> makeDemoParts(Random& r);

} // namespace db
