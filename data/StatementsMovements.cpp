// The goods movements of a part and the warehouses of the order window:
// their statements, each with its read.

#include "data/Catalogue.h"
#include "data/TdmMain.h"

namespace data {

using fb::ColumnDef;
using fb::ColumnType;
using namespace catalogue;

namespace {

// The 147 columns of a document line with its document: first those of
// DOCPARTS, then those of DOCHEADER, a name both have taking a 1 in the
// header's.
std::vector<ColumnDef> movementColumns()
{
    static const char* names =
        "ID IDDOCHEAD IDPART IDCONTRAGENT SKLAD INDEXNAME DATEIN COUNTS DIRECTION RESERVE CHECKORDER SNDS SNFS "
        "ANFS SDISCOUNT TYPECURRENCY CURRENCYSHORT PRICECURRENCY SUMMCURRENCY COURSE EXITPRICE OST INSUMM "
        "INSUMMWNALOG TAMOG INSUMMCURR INSUMMWNALOGCURR PRICEREALWNALOGCURR PRICEREALCURR LINKID "
        "IDINCONTRAGENTPRIMARY TYPEOPERATION PRICE SUMM DISCOUNTSUMM SUMMREAL PRICEREAL NFSSUMM NDSSUMM WNDSSUMM "
        "WNFSSUMM PRICEREALWNALOG DISCOUNT NFS NDS WNDS REALCOUNTS REALRESERVE SALETYPEID SALETYPECODE ID1 "
        "IDCONTRAGENT1 NUMBER PREFIX SUFFIX NUMBERNAKLAD PREFIXNAKLAD SUFFIXNAKLAD NUMBERTRUST DATETRUST "
        "IDFOULDER IDDOCTYPE DIRECTION1 DATEIN1 SUMM1 BALANCE NDS1 NFS1 SUMMWORK SUMMPART NDSWORK NDSPART "
        "NFSWORK NFSPART DISCOUNT1 DISCOUNTWORK DISCOUNTPART SUMMPARTIN STATUSDOC COMMENT BASIS DELMARK "
        "IDCONTRAGENTIN NAMECONTRAGENTIN IDCONTRAGENTOUT NAMECONTRAGENTOUT IDCONTRAGENTTRUST NAMECONTRAGENTTRUST "
        "IDDOCHEAD1 LINKHEAD DOCMONEY IDCAR DATECOMIN DATESTART DATEFINISH CARRUN NZPRIM DOPPERCENT DOPPREPRICE "
        "DOPPRIM COEFFICIENT SDISCOUNTWORK SDISCOUNTPART SNDSPART SNFSPART SNDSWORK SNFSWORK NFSWORKCHECK "
        "NFSWORKTYPE NFSPARTCHECK NFSPARTTYPE GARANT TYPEREPAIR MODIFYWHO MODIFYDATE MARK INFOSOURCE TYPEPAY "
        "TYPETRANSPORTATION DAYRESERVE LOCKUSER MASTERNAME SKLADMANNAME BEFOREPAY MASTERNAMEID SKLADMANNAMEID "
        "NEEDREPLACE RECOMENDATIONREPLACE TYPEPRICEEXIT MARKIT PREFIXTRUST SUFFIXTRUST SUMMPARTCURRIN "
        "SUMMPARTCURR WISHCLIENTS TYPEOPERATION1 NUMBERACTCLIME RECEIPT RECEIPTNO RECEIPTDATE DOCSUBTYPE "
        "DATEVIEW POSVIEW IDOUTSIDE VIN_LINKS RECALL DISCOUNTCARDNOP";
    return columnsNamed(names, {col("DATEIN", ColumnType::Timestamp, "Дата"),
                                col("COUNTS", ColumnType::Double, "Кол-во"),
                                text("CURRENCYSHORT", 5, "Валюта", false),
                                col("SUMMCURRENCY", ColumnType::Double, "Цена, вал.", "0.00"),
                                col("PRICE", ColumnType::Double, "Цена, нац.", "0.00"),
                                col("SUMM", ColumnType::Double, "Сумма, нац.", "0.00"),
                                col("NUMBER", ColumnType::Integer),
                                text("NAMECONTRAGENTIN", 60, "", false),
                                text("NAMECONTRAGENTOUT", 60, "", false)});
}

} // namespace

// ---- ibqSkald: warehouses

fb::Statement catalogue::ibqSkald()
{
    return {QStringLiteral("ibqSkald"), lines({"select * from STRUCTURESKLAD"}),
            {text("GROUPNAME", 3), col("ID", ColumnType::Integer), col("PARENT", ColumnType::Integer),
             col("TREELEVEL", ColumnType::Integer), text("NAME", 50), col("DEPARTMENT", ColumnType::Integer)}};
}

std::vector<Warehouse> TdmMain::warehouses()
{
    std::vector<Warehouse> out;
    on(ibdAE, [&] {
        fb::Query& q = ibqSkald;
        if (!q.isOpen())
            q.open();
        const int cCode = q.columnIndex(QStringLiteral("GROUPNAME"));
        const int cName = q.columnIndex(QStringLiteral("NAME"));
        for (int r = 0; r < q.recordCount(); ++r) {
            const fb::Field code = q.fieldAt(r, cCode);
            out.push_back({code.isNull() ? std::nullopt : std::optional<QString>(code.asString()),
                           q.fieldAt(r, cName).asString()});
        }
    });
    return out;
}

// ---- ibqMovements: document lines of one part with their documents

fb::Statement catalogue::ibqMovements()
{
    // Both tables have DATEIN; Firebird 3 refuses the bare name as
    // ambiguous, so the line's own date orders the movements. The second
    // key, as in the part list, keeps an index on DATEIN from being walked
    // whole for one part's lines; lines of one date stay in record order.
    return {QStringLiteral("ibqMovements"),
            lines({"select * from DOCPARTS, DOCHEADER",
                   "WHERE (IDPART = :IDParam) AND (DOCPARTS.IDDOCHEAD =  DOCHEADER.ID)",
                   "ORDER BY DOCPARTS.DATEIN, REVERSE(DOCPARTS.RDB$DB_KEY)"}),
            movementColumns()};
}

Movements TdmMain::movementsOf(qint32 partId)
{
    Movements out;
    on(ibdAE, [&] {
        fb::Query& q = ibqMovements;
        q.setParamAt(0, partId);
        q.open();
        auto at = [&q](const char* name) { return q.columnIndex(QString::fromLatin1(name)); };
        const int cDate = at("DATEIN"), cCounts = at("COUNTS"), cCurrency = at("CURRENCYSHORT"),
                  cPriceCurrency = at("SUMMCURRENCY"), cPrice = at("PRICE"), cSum = at("SUMM"), cNumber = at("NUMBER"),
                  cDirection = at("DIRECTION"), cIn = at("NAMECONTRAGENTIN"), cOut = at("NAMECONTRAGENTOUT");
        out.countsScale = q.resultScale(cCounts);
        out.rows.reserve(size_t(q.recordCount()));
        for (int r = 0; r < q.recordCount(); ++r) {
            MovementRow m;
            const fb::Field date = q.fieldAt(r, cDate);
            if (!date.isNull())
                m.date = date.asDateTime();
            m.counts = number(q.fieldAt(r, cCounts));
            m.currency = q.fieldAt(r, cCurrency).asString();
            m.priceCurrency = number(q.fieldAt(r, cPriceCurrency));
            m.price = number(q.fieldAt(r, cPrice));
            m.sum = number(q.fieldAt(r, cSum));
            m.document = integer(q.fieldAt(r, cNumber));
            m.direction = integer(q.fieldAt(r, cDirection));
            m.contractorIn = q.fieldAt(r, cIn).asString();
            m.contractorOut = q.fieldAt(r, cOut).asString();
            out.rows.push_back(std::move(m));
        }
    });
    return out;
}

} // namespace data
