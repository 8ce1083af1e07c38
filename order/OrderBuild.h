#pragma once

#include "order/OrderLine.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace data {
class OrderReads;
}

namespace order {

// How far a build is: the candidate rows walked (1 before the first, as the
// progress bar starts) out of all of them. Returns false to stop the build.
using BuildProgress = std::function<bool(int position, int maximum)>;

// The order build without a window: every part under replenishment in the
// sort's order, walked one by one; a part whose stock is below its minimum
// goes on the order, when a warehouse is chosen only if its latest document
// line went through that warehouse. Progress is reported after every
// candidate. Nothing when stopped on request; a database failure throws, and
// no line is returned.
std::optional<std::vector<OrderLine>> buildOrder(data::OrderReads& reads, int sortIndex,
                                                 const std::optional<QString>& warehouse,
                                                 const BuildProgress& progress);

} // namespace order
