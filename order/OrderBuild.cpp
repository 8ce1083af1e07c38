#include "order/OrderBuild.h"

#include "data/TdmMain.h"
#include "order/OrderRules.h"

#include <algorithm>

namespace order {

std::optional<std::vector<OrderLine>> buildOrder(data::TdmMain& dm, int sortIndex,
                                                 const std::optional<QString>& warehouse,
                                                 const BuildProgress& progress)
{
    const std::vector<data::MinStockPart> parts = dm.partsUnderReplenishment(sortIndex);
    const int maximum = int(parts.size());
    int position = std::min(1, maximum);
    if (!progress(position, maximum))
        return std::nullopt;

    std::vector<OrderLine> lines;
    for (const data::MinStockPart& p : parts) {
        const Candidate c{p.id, p.name, p.manufactureCode, p.number, p.minStock};
        const double onStock = dm.GetOnStock(c.id);
        if (needsOrder(onStock, c.minStock) && (!warehouse || dm.GetLastSklad(c.id) == *warehouse))
            lines.push_back(candidateLine(c, onStock, dm.GetAvgCost(c.id)));
        position = std::min(position + 1, maximum);
        if (!progress(position, maximum))
            return std::nullopt;
    }
    return lines;
}

} // namespace order
