#include "data/CatalogueColumns.h"

namespace data::columns {

using fb::ColumnDef;
using fb::ColumnType;

ColumnDef text(const char* name, int size, const char* label, bool emptyAsNull)
{
    return ColumnDef{QString::fromLatin1(name), ColumnType::Text, size, QString::fromUtf8(label), {}, emptyAsNull, true};
}

ColumnDef col(const char* name, ColumnType type, const char* label, const char* format)
{
    return ColumnDef{QString::fromLatin1(name), type, 0, QString::fromUtf8(label), QString::fromLatin1(format), false, true};
}

// A declared column the program never reads: it must exist, its type is
// whatever the accounting database has.
ColumnDef unread(const QString& name)
{
    return ColumnDef{name, ColumnType::Text, 0, {}, {}, false, false};
}

std::vector<ColumnDef> part()
{
    return {col("ID", ColumnType::Integer), text("MANUFACTURECODE", 50, "Номер"), text("NUMBER", 50, "Оригинал"),
            text("NAME", 80), text("REMARK", 1024)};
}

std::vector<ColumnDef> sums()
{
    return {col("SUM", ColumnType::Double)};
}

std::vector<ColumnDef> minStock()
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
    std::vector<ColumnDef> out;
    for (const QString& n : QString::fromLatin1(names).split(QLatin1Char(' '))) {
        if (n == QLatin1String("ID"))
            out.push_back(col("ID", ColumnType::Integer));
        else if (n == QLatin1String("NAME"))
            out.push_back(text("NAME", 80, "", false));
        else if (n == QLatin1String("MANUFACTURECODE"))
            out.push_back(text("MANUFACTURECODE", 50, "", false));
        else if (n == QLatin1String("NUMBER"))
            out.push_back(text("NUMBER", 50, "", false));
        else if (n == QLatin1String("MINSTOCK"))
            out.push_back(col("MINSTOCK", ColumnType::Double));
        else
            out.push_back(unread(n));
    }
    return out;
}

std::vector<ColumnDef> movements()
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
    std::vector<ColumnDef> out;
    for (const QString& n : QString::fromLatin1(names).split(QLatin1Char(' '))) {
        if (n == QLatin1String("DATEIN"))
            out.push_back(col("DATEIN", ColumnType::Timestamp, "Дата"));
        else if (n == QLatin1String("COUNTS"))
            out.push_back(col("COUNTS", ColumnType::Double, "Кол-во"));
        else if (n == QLatin1String("CURRENCYSHORT"))
            out.push_back(text("CURRENCYSHORT", 5, "Валюта", false));
        else if (n == QLatin1String("SUMMCURRENCY"))
            out.push_back(col("SUMMCURRENCY", ColumnType::Double, "Цена, вал.", "0.00"));
        else if (n == QLatin1String("PRICE"))
            out.push_back(col("PRICE", ColumnType::Double, "Цена, нац.", "0.00"));
        else if (n == QLatin1String("SUMM"))
            out.push_back(col("SUMM", ColumnType::Double, "Сумма, нац.", "0.00"));
        else if (n == QLatin1String("NUMBER"))
            out.push_back(col("NUMBER", ColumnType::Integer));
        else if (n == QLatin1String("NAMECONTRAGENTIN") || n == QLatin1String("NAMECONTRAGENTOUT"))
            out.push_back(ColumnDef{n, ColumnType::Text, 60, {}, {}, false, true});
        else
            out.push_back(unread(n));
    }
    return out;
}

} // namespace data::columns
