// The stock and cost figures of a part and the order's candidates: their
// statements, each with its read.

#include "data/Catalogue.h"
#include "data/TdmMain.h"

namespace data {

using fb::ColumnDef;
using fb::ColumnType;
using namespace catalogue;

namespace {

// The 70 columns of PART the candidate query declares, in the table's order;
// five of them are read.
std::vector<ColumnDef> minStockColumns()
{
    static const char* names =
        "ID IDPARTTREE NAME FIRM IDCOUNTRY NUMBER MANUFACTURECODE ARTICUL UNITDIMENSION REMARK SETHANDS "
        "ROUNDINT TYPECURRENCYR PRICER PRICEMO PRICEO PRICES COEFFR COEFFMO COEFFO COEFFS NDS NFS INDEXNAME "
        "WEIGTH VOLUME MATERIAL WORKPERIOD REGENERATION FORWHATCARS QUANTITYPERCAR PARTSCHANGE INSTEADDETAILS "
        "INTOWHATPACKAGE AMOUNTINPACKAGE KINDOFPACKING AMOUNTINCONTAINER KINDOFCONTAINER AVAILABILITY MINSTOCK "
        "MAXSTOCK INSURANCESTOCK DELIVERYDATE TYPECURRENCYORDER PRICEORDER DISCOUNTSGROUP DISCOUNTSVIP "
        "COEFFICIENTMARGIN MINQUANTITYORDE OPTIMUMQUANTITYORDE ORDEREDINSUPPLIER DATEORDER BACKLOGDEMAND "
        "GROUPOFDEMAND GROUPOFCOST COEFFICIENT BARCODETYPE BARCODE RESERVE LOOKAC IDMAINPART CURRENCY UNIT "
        "CODEUIN CODEGROUP NAMESHORT PTYPE REPLACEMENT IDOUTSIDE XML";
    return columnsNamed(names, {col("ID", ColumnType::Integer), text("NAME", 80, "", false),
                                text("MANUFACTURECODE", 50, "", false), text("NUMBER", 50, "", false),
                                col("MINSTOCK", ColumnType::Double)});
}

} // namespace

// ---- ibqIncome, ibqOutput, ibqReserve: quantity sums of one part

fb::Statement catalogue::ibqIncome()
{
    return {QStringLiteral("ibqIncome"),
            lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam2) and (Direction = 1)"}), sums()};
}

fb::Statement catalogue::ibqOutput()
{
    return {QStringLiteral("ibqOutput"),
            lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam1) and (Direction = -1)"}), sums()};
}

fb::Statement catalogue::ibqReserve()
{
    return {QStringLiteral("ibqReserve"),
            lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam3) and (Reserve = 1)"}), sums()};
}

std::optional<double> TdmMain::sumOf(fb::Query& q, qint32 id)
{
    std::optional<double> sum;
    on(ibdAE, [&] {
        q.setParamAt(0, id);
        q.open();
        sum = number(q.field(QStringLiteral("SUM")));
    });
    return sum;
}

Stock TdmMain::GetOnStock(qint32 id)
{
    Stock stock;
    on(ibdAE, [&] {
        const auto income = sumOf(ibqIncome, id);
        // Never received: the output and reserve sums are not asked.
        if (!income || *income <= 0)
            return;
        double figure = *income;
        const auto output = sumOf(ibqOutput, id);
        if (output && *output > 0)
            figure -= *output;
        const auto reserve = sumOf(ibqReserve, id);
        if (reserve && *reserve > 0)
            figure -= *reserve;
        stock.figure = figure;
    });
    return stock;
}

// ---- ibqGetAVGCost: average income price of one part

fb::Statement catalogue::ibqGetAVGCost()
{
    return {QStringLiteral("ibqGetAVGCost"),
            lines({"select SUM(PRICE)/Count(PRICE)  AS COST  from docparts", "where idpart = :Param1 and direction = 1"}),
            {col("COST", ColumnType::Double)}};
}

double TdmMain::GetAvgCost(qint32 id)
{
    double cost = 0;
    on(ibdAE, [&] {
        ibqGetAVGCost.setParamAt(0, id);
        ibqGetAVGCost.open();
        cost = ibqGetAVGCost.field(QStringLiteral("COST")).asDouble();
    });
    return cost;
}

// ---- ibqGetLastSklad: warehouse of the part's latest line

fb::Statement catalogue::ibqGetLastSklad()
{
    // MAX(DATEIN + 0): see ibqGetLastPrice.
    return {QStringLiteral("ibqGetLastSklad"),
            lines({"select SKLAD from DOCPARTS", "WHERE IDPART = :ID AND (DATEIN = (SELECT MAX(DATEIN + 0) FROM DOCPARTS",
                   "WHERE IDPART = :ID))", "ORDER BY DATEIN"}),
            {text("SKLAD", 1)}};
}

QString TdmMain::GetLastSklad(qint32 id)
{
    QString sklad;
    on(ibdAE, [&] {
        ibqGetLastSklad.setParam(QStringLiteral("ID"), id);
        ibqGetLastSklad.open();
        // The first row the server delivers decides.
        sklad = ibqGetLastSklad.field(QStringLiteral("SKLAD")).asString();
    });
    return sklad;
}

// ---- ibqGetMINStock: parts under replenishment

fb::Statement catalogue::ibqGetMINStock()
{
    return {QStringLiteral("ibqGetMINStock"), lines({"select * from PART", "WHERE MINSTOCK > 0", "ORDER BY NAME"}),
            minStockColumns()};
}

QStringList TdmMain::minStockSql(int sortIndex)
{
    QStringList sql = lines({"select * from PART", "WHERE MINSTOCK > 0"});
    static const char* orders[] = {"ORDER BY NAME", "ORDER BY MANUFACTURECODE", "ORDER BY NUMBER"};
    if (sortIndex >= 0 && sortIndex < 3)
        sql << QString::fromLatin1(orders[sortIndex]);
    return sql;
}

std::vector<MinStockPart> TdmMain::partsUnderReplenishment(int sortIndex)
{
    std::vector<MinStockPart> parts;
    on(ibdAE, [&] {
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
        parts.reserve(size_t(q.recordCount()));
        for (int r = 0; r < q.recordCount(); ++r)
            parts.push_back({q.fieldAt(r, cId).asInteger(), q.fieldAt(r, cName).asString(),
                             q.fieldAt(r, cCode).asString(), q.fieldAt(r, cNumber).asString(),
                             q.fieldAt(r, cMin).asDouble()});
    });
    return parts;
}

} // namespace data
