// What the statements of the data module answer, as plain values: the
// lookup's lists and prices, the stock and cost figures, the order's
// candidates and the EUR rate.

#include "data/TdmMain.h"

namespace data {

namespace {

std::vector<PartRow> partRows(const fb::Query& q)
{
    const int cId = q.columnIndex(QStringLiteral("ID"));
    const int cCode = q.columnIndex(QStringLiteral("MANUFACTURECODE"));
    const int cNumber = q.columnIndex(QStringLiteral("NUMBER"));
    const int cName = q.columnIndex(QStringLiteral("NAME"));
    const int cRemark = q.columnIndex(QStringLiteral("REMARK"));
    std::vector<PartRow> rows;
    rows.reserve(size_t(q.recordCount()));
    for (int r = 0; r < q.recordCount(); ++r)
        rows.push_back({q.fieldAt(r, cId).asInteger(), q.fieldAt(r, cCode).asString(),
                        q.fieldAt(r, cNumber).asString(), q.fieldAt(r, cName).asString(),
                        q.fieldAt(r, cRemark).asString()});
    return rows;
}

std::optional<double> number(const fb::Field& f)
{
    if (f.isNull())
        return std::nullopt;
    return f.asDouble();
}

} // namespace

std::vector<PartRow> TdmMain::partsLike(const QString& pattern)
{
    fb::Query& q = ibqGetPartID;
    q.setParam(QStringLiteral("Num"), pattern);
    q.open();
    return partRows(q);
}

std::vector<PartRow> TdmMain::crossNumbersOf(qint32 id, const QString& oeNumber)
{
    fb::Query& q = ibqGetCrossNums;
    q.setParam(QStringLiteral("IDCODE"), id);
    // Without an OE number the OE condition is to match nothing: a NULL
    // pattern never matches.
    q.setParam(QStringLiteral("PartOE"), oeNumber.isEmpty() ? fb::Value{} : fb::Value{oeNumber});
    q.open();
    return partRows(q);
}

std::optional<PriceRow> TdmMain::pricesOf(const QString& manufactureCode)
{
    fb::Query& q = ibqGetPrices;
    q.setParam(QStringLiteral("Num"), manufactureCode);
    q.open();
    if (!q.hasRow())
        return std::nullopt;
    return PriceRow{number(q.field(QStringLiteral("PRICER"))), number(q.field(QStringLiteral("PRICEMO"))),
                    number(q.field(QStringLiteral("PRICES")))};
}

std::optional<std::optional<double>> TdmMain::lastPurchasePrice(qint32 id)
{
    fb::Query& q = ibqGetLastPrice;
    q.setParam(QStringLiteral("Parm1"), id);
    q.setParam(QStringLiteral("Parm2"), id);
    q.open();
    if (!q.hasRow())
        return std::nullopt;
    return number(q.field(QStringLiteral("PRICE")));
}

std::optional<QString> TdmMain::partName(qint32 id)
{
    fb::Query& q = ibqGetDescr;
    q.setParam(QStringLiteral("ID"), id);
    q.open();
    if (!q.hasRow())
        return std::nullopt;
    return q.field(QStringLiteral("NAME")).asString();
}

std::vector<MinStockPart> TdmMain::partsUnderReplenishment(int sortIndex)
{
    fb::Query& q = ibqGetMINStock;
    const QStringList sql = minStockSql(sortIndex);
    if (q.sql() != sql)
        q.setSQL(sql);
    q.open();
    const int cId = q.columnIndex(QStringLiteral("ID"));
    const int cName = q.columnIndex(QStringLiteral("NAME"));
    const int cCode = q.columnIndex(QStringLiteral("MANUFACTURECODE"));
    const int cNumber = q.columnIndex(QStringLiteral("NUMBER"));
    const int cMin = q.columnIndex(QStringLiteral("MINSTOCK"));
    std::vector<MinStockPart> parts;
    parts.reserve(size_t(q.recordCount()));
    for (int r = 0; r < q.recordCount(); ++r)
        parts.push_back({q.fieldAt(r, cId).asInteger(), q.fieldAt(r, cName).asString(),
                         q.fieldAt(r, cCode).asString(), q.fieldAt(r, cNumber).asString(),
                         q.fieldAt(r, cMin).asDouble()});
    return parts;
}

std::optional<double> TdmMain::sumOf(fb::Query& q, qint32 id)
{
    q.setParamAt(0, id);
    q.open();
    return number(q.field(QStringLiteral("SUM")));
}

double TdmMain::GetOnStock(qint32 id)
{
    return stockFigure(id).value_or(0.0);
}

std::optional<double> TdmMain::stockFigure(qint32 id)
{
    auto income = sumOf(ibqIncome, id);
    if (!income || *income <= 0)
        return std::nullopt;
    double stock = *income;
    auto output = sumOf(ibqOutput, id);
    if (output && *output > 0)
        stock -= *output;
    auto reserve = sumOf(ibqReserve, id);
    if (reserve && *reserve > 0)
        stock -= *reserve;
    return stock;
}

double TdmMain::GetAvgCost(qint32 id)
{
    ibqGetAVGCost.close();
    ibqGetAVGCost.setParamAt(0, id);
    ibqGetAVGCost.open();
    return ibqGetAVGCost.field(QStringLiteral("COST")).asDouble();
}

QString TdmMain::GetLastSklad(qint32 id)
{
    ibqGetLastSklad.close();
    ibqGetLastSklad.setParam(QStringLiteral("ID"), id);
    ibqGetLastSklad.open();
    if (ibqGetLastSklad.isEmpty())
        return {};
    ibqGetLastSklad.first();
    return ibqGetLastSklad.field(QStringLiteral("SKLAD")).asString();
}

double TdmMain::fetchEuroRate()
{
    spGetEuroRate.close();
    spGetEuroRate.execute();
    return spGetEuroRate.field(QStringLiteral("RATE")).asDouble();
}

} // namespace data
