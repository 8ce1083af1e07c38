#include "order/OrderBuild.h"

#include "data/Reads.h"
#include "order/OrderRules.h"

#include <algorithm>

namespace order {

std::optional<std::vector<OrderLine>> buildOrder(data::OrderReads& reads, int sortIndex,
                                                 const std::optional<QString>& warehouse,
                                                 const BuildProgress& progress)
{
    const std::vector<data::MinStockPart> parts = reads.partsUnderReplenishment(sortIndex);
    const int maximum = int(parts.size());
    int position = std::min(1, maximum);
    if (!progress(position, maximum))
        return std::nullopt;

    std::vector<OrderLine> lines;
    for (const data::MinStockPart& p : parts) {
        const Candidate c{p.id, p.name, p.manufactureCode, p.number, p.minStock};
        const double onStock = reads.GetOnStock(c.id);
        if (needsOrder(onStock, c.minStock) && (!warehouse || reads.GetLastSklad(c.id) == *warehouse))
            lines.push_back(candidateLine(c, onStock, reads.GetAvgCost(c.id)));
        position = std::min(position + 1, maximum);
        if (!progress(position, maximum))
            return std::nullopt;
    }
    return lines;
}

} // namespace order
