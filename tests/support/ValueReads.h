#pragma once

#include "data/Reads.h"

#include <algorithm>
#include <map>
#include <vector>

namespace testsupport {

// The reads of the lookup and of the order build answered from values, as
// the statements would answer them from such rows: for the rules that are
// arithmetic and order, without a database.
class ValueReads : public data::LookupReads, public data::OrderReads {
public:
    struct Part {
        data::PartRow row{};
        std::optional<data::PriceRow> prices = data::PriceRow{};
        std::optional<double> income{}, output{}, reserve{}; // the three sums
        std::optional<std::optional<double>> lastPrice{};     // nothing: no income line
        double avgCost = 0;
        QString lastSklad{};
        double minStock = 0;
    };
    std::vector<Part> parts; // in the order the server delivers them
    int sumsRead = 0;        // how many of the three sums were asked

    // SQL's LIKE: "%" any run, "_" any one character, case kept.
    static bool like(const QString& s, const QString& p, qsizetype i = 0, qsizetype j = 0)
    {
        if (j == p.size())
            return i == s.size();
        if (p[j] == QLatin1Char('%'))
            return like(s, p, i, j + 1) || (i < s.size() && like(s, p, i + 1, j));
        return i < s.size() && (p[j] == QLatin1Char('_') || p[j] == s[i]) && like(s, p, i + 1, j + 1);
    }

    std::vector<data::PartRow> partsLike(const QString& pattern) override
    {
        std::vector<data::PartRow> out;
        for (const Part& p : parts)
            if (like(p.row.manufactureCode, pattern) || like(p.row.number, pattern) || like(p.row.remark, pattern))
                out.push_back(p.row);
        return byCode(out);
    }
    std::vector<data::PartRow> crossNumbersOf(qint32 id, const QString& oe) override
    {
        std::vector<data::PartRow> out;
        for (const Part& p : parts)
            if (p.row.id == id || (!oe.isEmpty() && like(p.row.number, oe)))
                out.push_back(p.row);
        return byCode(out);
    }
    std::optional<data::PriceRow> pricesOf(const QString& code) override
    {
        for (const Part& p : parts)
            if (p.row.manufactureCode == code)
                return p.prices;
        return std::nullopt;
    }
    std::optional<std::optional<double>> lastPurchasePrice(qint32 id) override { return find(id).lastPrice; }
    std::optional<QString> partName(qint32 id) override
    {
        for (const Part& p : parts)
            if (p.row.id == id)
                return p.row.name;
        return std::nullopt;
    }
    data::Stock GetOnStock(qint32 id) override
    {
        const Part& p = find(id);
        ++sumsRead;
        if (!p.income || *p.income <= 0)
            return {};
        double stock = *p.income;
        sumsRead += 2;
        if (p.output && *p.output > 0)
            stock -= *p.output;
        if (p.reserve && *p.reserve > 0)
            stock -= *p.reserve;
        return {stock};
    }
    std::vector<data::MinStockPart> partsUnderReplenishment(int) override
    {
        std::vector<data::MinStockPart> out;
        for (const Part& p : parts)
            if (p.minStock > 0)
                out.push_back({p.row.id, p.row.name, p.row.manufactureCode, p.row.number, p.minStock});
        return out;
    }
    double GetAvgCost(qint32 id) override { return find(id).avgCost; }
    QString GetLastSklad(qint32 id) override { return find(id).lastSklad; }

private:
    const Part& find(qint32 id) const
    {
        static const Part none;
        for (const Part& p : parts)
            if (p.row.id == id)
                return p;
        return none;
    }
    static std::vector<data::PartRow> byCode(std::vector<data::PartRow> rows)
    {
        std::stable_sort(rows.begin(), rows.end(), [](const data::PartRow& a, const data::PartRow& b) {
            return a.manufactureCode < b.manufactureCode;
        });
        return rows;
    }
};

} // namespace testsupport
