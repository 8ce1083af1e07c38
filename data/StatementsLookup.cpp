// The number search's statements and the price display's, each with its read.

#include "data/Catalogue.h"
#include "data/TdmMain.h"

namespace data {

using fb::ColumnType;
using namespace catalogue;

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

} // namespace

// ---- ibqGetPartID: parts whose numbers or remark match a pattern

fb::Statement catalogue::ibqGetPartID()
{
    // The second sort key keeps the engine from walking the index on
    // MANUFACTURECODE for the ORDER BY: the WHERE can use no index, so the
    // walk would fetch every part in key order, page after page again. A
    // scan and a sort read each page once. The key is the record number,
    // which sits little-endian in the DB_KEY's last four bytes: ties come
    // in record order, as the walk delivers them.
    return {QStringLiteral("ibqGetPartID"),
            lines({"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART", "where (MANUFACTURECODE like :Num)",
                   "or (NUMBER like :Num)", "or (REMARK like :Num)", "ORDER BY MANUFACTURECODE, REVERSE(RDB$DB_KEY)"}),
            part()};
}

std::vector<PartRow> TdmMain::partsLike(const QString& pattern)
{
    std::vector<PartRow> rows;
    on(ibdAE, [&] {
        ibqGetPartID.setParam(QStringLiteral("Num"), pattern);
        ibqGetPartID.open();
        rows = partRows(ibqGetPartID);
    });
    return rows;
}

// ---- ibqGetCrossNums: a part and its cross numbers

fb::Statement catalogue::ibqGetCrossNums()
{
    // The engine uses no index for LIKE with a parameter. Every row the LIKE
    // matches starts with the pattern's text before its first "%" or "_", so
    // STARTING WITH that text changes no row and lets an index on NUMBER,
    // where there is one, find the cross numbers.
    return {QStringLiteral("ibqGetCrossNums"),
            lines({"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART",
                   "where (ID = :IDCODE) or (NUMBER like :PartOE and NUMBER starting with",
                   "  left(cast(:PartOE as type of column PART.NUMBER),",
                   "    minvalue(position('%' in cast(:PartOE as type of column PART.NUMBER) || '%'),",
                   "             position('_' in cast(:PartOE as type of column PART.NUMBER) || '_')) - 1))",
                   "ORDER BY MANUFACTURECODE, REVERSE(RDB$DB_KEY)"}),
            part()};
}

std::vector<PartRow> TdmMain::crossNumbersOf(qint32 id, const QString& oeNumber)
{
    std::vector<PartRow> rows;
    on(ibdAE, [&] {
        ibqGetCrossNums.setParam(QStringLiteral("IDCODE"), id);
        // Without an OE number the OE condition is to match nothing: a NULL
        // pattern never matches.
        ibqGetCrossNums.setParam(QStringLiteral("PartOE"), oeNumber.isEmpty() ? fb::Value{} : fb::Value{oeNumber});
        ibqGetCrossNums.open();
        rows = partRows(ibqGetCrossNums);
    });
    return rows;
}

// ---- ibqGetPrices: stored prices of one maker's number

fb::Statement catalogue::ibqGetPrices()
{
    return {QStringLiteral("ibqGetPrices"),
            lines({"SELECT", "    ID,", "    NAME,", "    NUMBER,", "    MANUFACTURECODE,", "    PRICER,",
                   "    PRICEMO,", "    PRICEO,", "    PRICES", "FROM", "    PART", "WHERE MANUFACTURECODE = :Num "}),
            {col("ID", ColumnType::Integer), text("NAME", 80), text("NUMBER", 50), text("MANUFACTURECODE", 50),
             col("PRICER", ColumnType::Double), col("PRICEMO", ColumnType::Double), col("PRICEO", ColumnType::Double),
             col("PRICES", ColumnType::Double)}};
}

std::optional<PriceRow> TdmMain::pricesOf(const QString& manufactureCode)
{
    std::optional<PriceRow> row;
    on(ibdAE, [&] {
        fb::Query& q = ibqGetPrices;
        q.setParam(QStringLiteral("Num"), manufactureCode);
        q.open();
        if (q.hasRow())
            row = PriceRow{number(q.field(QStringLiteral("PRICER"))), number(q.field(QStringLiteral("PRICEMO"))),
                           number(q.field(QStringLiteral("PRICES")))};
    });
    return row;
}

// ---- ibqGetLastPrice: price of the part's latest income

fb::Statement catalogue::ibqGetLastPrice()
{
    // "+ 0" (the same timestamp) keeps MAX from walking a descending index
    // on DATEIN, should the database have one, from the newest line down
    // until it meets one of the part's: for a part without such a line that
    // is the whole index. The part's own lines, through IDPART, cost what its
    // stock sums read anyway.
    return {QStringLiteral("ibqGetLastPrice"),
            lines({"select PRICE from docparts", "where datein = (select max(datein + 0) from docparts",
                   "where idpart = :Parm1 and direction = 1) and idpart = :Parm2"}),
            {col("PRICE", ColumnType::Double)}};
}

std::optional<std::optional<double>> TdmMain::lastPurchasePrice(qint32 id)
{
    std::optional<std::optional<double>> price;
    on(ibdAE, [&] {
        fb::Query& q = ibqGetLastPrice;
        q.setParam(QStringLiteral("Parm1"), id);
        q.setParam(QStringLiteral("Parm2"), id);
        q.open();
        if (q.hasRow())
            price = number(q.field(QStringLiteral("PRICE")));
    });
    return price;
}

// ---- ibqGetDescr: name of a part

fb::Statement catalogue::ibqGetDescr()
{
    return {QStringLiteral("ibqGetDescr"), lines({"select NAME from PART", "      WHERE ID = :ID"}), {text("NAME", 80)}};
}

std::optional<QString> TdmMain::partName(qint32 id)
{
    std::optional<QString> name;
    on(ibdAE, [&] {
        ibqGetDescr.setParam(QStringLiteral("ID"), id);
        ibqGetDescr.open();
        if (ibqGetDescr.hasRow())
            name = ibqGetDescr.field(QStringLiteral("NAME")).asString();
    });
    return name;
}

} // namespace data
