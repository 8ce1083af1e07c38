#include "data/TdmMain.h"

#include "data/QueryModel.h"

#include "app/Markup.h"
#include "platform/AliasStore.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace data {

using fb::ColumnDef;
using fb::ColumnType;

const QString kAeOpenFailed = QStringLiteral(
    "Ошибка открытия базы Автопредприятия\rПроверьте правильность пути к файлу AEnter.gdb в файле Orvado.INI");
const QString kPriceOpenFailed = QStringLiteral(
    "Ошибка открытия базы Tovrin Прайс-лист\rПроверьте правильность пути к файлу Orvado.gdb в файле Orvado.INI");

namespace {

const QString kPassword = QStringLiteral("kavuntelo");

ColumnDef text(const char* name, int size, const char* label = "", bool emptyAsNull = true)
{
    return ColumnDef{QString::fromLatin1(name), ColumnType::Text, size, QString::fromUtf8(label), {}, emptyAsNull, true};
}

ColumnDef col(const char* name, ColumnType type, const char* label = "", const char* format = "")
{
    return ColumnDef{QString::fromLatin1(name), type, 0, QString::fromUtf8(label), QString::fromLatin1(format), false, true};
}

// A declared column the program never reads: it must exist, its type is
// whatever the accounting database has.
ColumnDef unread(const QString& name)
{
    return ColumnDef{name, ColumnType::Text, 0, {}, {}, false, false};
}

std::vector<ColumnDef> partColumns()
{
    return {col("ID", ColumnType::Integer), text("MANUFACTURECODE", 50, "Номер"), text("NUMBER", 50, "Оригинал"),
            text("NAME", 80), text("REMARK", 1024)};
}

std::vector<ColumnDef> sumColumns()
{
    return {col("SUM", ColumnType::Double)};
}

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

QStringList lines(std::initializer_list<const char*> l)
{
    QStringList out;
    for (const char* s : l)
        out << QString::fromUtf8(s);
    return out;
}

} // namespace

QStringList TdmMain::minStockSql(int sortIndex)
{
    QStringList sql = lines({"select * from PART", "WHERE MINSTOCK > 0"});
    static const char* orders[] = {"ORDER BY NAME", "ORDER BY MANUFACTURECODE", "ORDER BY NUMBER"};
    if (sortIndex >= 0 && sortIndex < 3)
        sql << QString::fromLatin1(orders[sortIndex]);
    return sql;
}

TdmMain::TdmMain(QObject* parent)
    : QObject(parent),
      ibdAE(QStringLiteral("AE"), fb::CloseAction::Rollback, fb::Access::ReadOnly),
      dbMain(QStringLiteral("OVPRICE"), fb::CloseAction::Commit, fb::Access::ReadWrite),
      ibtAE(ibdAE.transaction()),
      trMain(dbMain.transaction()),
      // The second sort key keeps the engine from walking the index on
      // MANUFACTURECODE for the ORDER BY: the WHERE can use no index, so the
      // walk would fetch every part in key order, page after page again. A
      // scan and a sort read each page once. The key is the record number,
      // which sits little-endian in the DB_KEY's last four bytes: ties come
      // in record order, as the walk delivers them.
      ibqGetPartID(ibdAE, QStringLiteral("ibqGetPartID"),
                   lines({"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART",
                          "where (MANUFACTURECODE like :Num)", "or (NUMBER like :Num)", "or (REMARK like :Num)",
                          "ORDER BY MANUFACTURECODE, REVERSE(RDB$DB_KEY)"}),
                   partColumns()),
      // The engine uses no index for LIKE with a parameter. Every row the
      // LIKE matches starts with the pattern's text before its first "%" or
      // "_", so STARTING WITH that text changes no row and lets an index on
      // NUMBER, where there is one, find the cross numbers.
      ibqGetCrossNums(ibdAE, QStringLiteral("ibqGetCrossNums"),
                      lines({"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART",
                             "where (ID = :IDCODE) or (NUMBER like :PartOE and NUMBER starting with",
                             "  left(cast(:PartOE as type of column PART.NUMBER),",
                             "    minvalue(position('%' in cast(:PartOE as type of column PART.NUMBER) || '%'),",
                             "             position('_' in cast(:PartOE as type of column PART.NUMBER) || '_')) - 1))",
                             "ORDER BY MANUFACTURECODE, REVERSE(RDB$DB_KEY)"}),
                      partColumns()),
      ibqGetPrices(ibdAE, QStringLiteral("ibqGetPrices"),
                   lines({"SELECT", "    ID,", "    NAME,", "    NUMBER,", "    MANUFACTURECODE,", "    PRICER,",
                          "    PRICEMO,", "    PRICEO,", "    PRICES", "FROM", "    PART",
                          "WHERE MANUFACTURECODE = :Num "}),
                   {col("ID", ColumnType::Integer), text("NAME", 80), text("NUMBER", 50), text("MANUFACTURECODE", 50),
                    col("PRICER", ColumnType::Double), col("PRICEMO", ColumnType::Double),
                    col("PRICEO", ColumnType::Double), col("PRICES", ColumnType::Double)}),
      // "+ 0" (the same timestamp) keeps MAX from walking a descending index
      // on DATEIN, should the database have one, from the newest line down
      // until it meets one of the part's: for a part without such a line that
      // is the whole index. The part's own lines, through IDPART, cost what its
      // stock sums read anyway.
      ibqGetLastPrice(ibdAE, QStringLiteral("ibqGetLastPrice"),
                      lines({"select PRICE from docparts", "where datein = (select max(datein + 0) from docparts",
                             "where idpart = :Parm1 and direction = 1) and idpart = :Parm2"}),
                      {col("PRICE", ColumnType::Double)}),
      ibqGetDescr(ibdAE, QStringLiteral("ibqGetDescr"), lines({"select NAME from PART", "      WHERE ID = :ID"}),
                  {text("NAME", 80)}),
      ibqIncome(ibdAE, QStringLiteral("ibqIncome"),
                lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam2) and (Direction = 1)"}),
                sumColumns()),
      ibqOutput(ibdAE, QStringLiteral("ibqOutput"),
                lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam1) and (Direction = -1)"}),
                sumColumns()),
      ibqReserve(ibdAE, QStringLiteral("ibqReserve"),
                 lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam3) and (Reserve = 1)"}),
                 sumColumns()),
      ibqGetAVGCost(ibdAE, QStringLiteral("ibqGetAVGCost"),
                    lines({"select SUM(PRICE)/Count(PRICE)  AS COST  from docparts",
                           "where idpart = :Param1 and direction = 1"}),
                    {col("COST", ColumnType::Double)}),
      // MAX(DATEIN + 0): see ibqGetLastPrice.
      ibqGetLastSklad(ibdAE, QStringLiteral("ibqGetLastSklad"),
                      lines({"select SKLAD from DOCPARTS",
                             "WHERE IDPART = :ID AND (DATEIN = (SELECT MAX(DATEIN + 0) FROM DOCPARTS",
                             "WHERE IDPART = :ID))", "ORDER BY DATEIN"}),
                      {text("SKLAD", 1)}),
      ibqGetMINStock(ibdAE, QStringLiteral("ibqGetMINStock"),
                     lines({"select * from PART", "WHERE MINSTOCK > 0", "ORDER BY NAME"}), minStockColumns()),
      ibqSkald(ibdAE, QStringLiteral("ibqSkald"), lines({"select * from STRUCTURESKLAD"}),
               {text("GROUPNAME", 3), col("ID", ColumnType::Integer), col("PARENT", ColumnType::Integer),
                col("TREELEVEL", ColumnType::Integer), text("NAME", 50), col("DEPARTMENT", ColumnType::Integer)}),
      // Both tables have DATEIN; Firebird 3 refuses the bare name as
      // ambiguous, so the line's own date orders the movements. The second
      // key, as in the part list, keeps an index on DATEIN from being walked
      // whole for one part's lines; lines of one date stay in record order.
      ibqMovements(ibdAE, QStringLiteral("ibqMovements"),
                   lines({"select * from DOCPARTS, DOCHEADER",
                          "WHERE (IDPART = :IDParam) AND (DOCPARTS.IDDOCHEAD =  DOCHEADER.ID)",
                          "ORDER BY DOCPARTS.DATEIN, REVERSE(DOCPARTS.RDB$DB_KEY)"}),
                   movementColumns()),
      taCurrency(dbMain),
      spGetEuroRate(dbMain, QStringLiteral("spGetEuroRate"), lines({"EXECUTE PROCEDURE GET_EURO_RATE "}),
                    {col("RATE", ColumnType::Double)})
{
    GridColumn skladName;
    skladName.field = QStringLiteral("NAME");
    dsSklad = new QueryModel(ibqSkald, {skladName}, this);

    for (fb::Database* db : {&ibdAE, &dbMain}) {
        db->params().password = kPassword;
        // The alias record of an earlier run may name another user, character
        // set, role or dialect; the database name comes from the settings file.
        if (auto rec = platform::readAlias(db->alias())) {
            if (!rec->databaseName.isEmpty())
                db->setDatabaseName(rec->databaseName);
            if (!rec->userName.isEmpty())
                db->params().userName = rec->userName;
            if (!rec->lcCtype.isEmpty())
                db->params().charset = rec->lcCtype;
            if (!rec->sqlRoleName.isEmpty())
                db->params().role = rec->sqlRoleName;
            bool ok = false;
            int dialect = rec->sqlDialect.toInt(&ok);
            if (ok)
                db->params().dialect = dialect;
        }
        db->setAfterConnect([this, db]() {
            // The record only carries the parameters over to the next start:
            // a profile folder that cannot be written must not cost the
            // connection its currency table, nor raise an error at every refresh.
            try {
                storeAlias(*db);
            } catch (const platform::Failure& f) {
                qWarning("%s", qPrintable(f.text()));
            }
            if (db == &dbMain)
                dbMainAfterConnect();
        });
        db->setRecovery([this](fb::Query& q, bool ran) { return recover(q, ran); });
    }
}

TdmMain::~TdmMain()
{
    // The model reads ibqSkald: it goes before the statements do.
    delete dsSklad;
    // The enterprise connection normally closed with the main window; the
    // price database closes last, committing its transaction.
    try {
        ibdAE.disconnect();
    } catch (const fb::Error&) {
    }
    try {
        dbMain.disconnect();
    } catch (const fb::Error&) {
    }
}

void TdmMain::storeAlias(fb::Database& db)
{
    platform::AliasRecord rec{db.databaseName(), db.params().userName, db.params().charset, db.params().role,
                              QString::number(db.params().dialect)};
    platform::storeAlias(db.alias(), rec);
}

void TdmMain::dbMainAfterConnect()
{
    // After a reconnect the table still holds its rows and any edit in
    // progress; it is read again only when it was closed.
    if (!taCurrency.isOpen())
        taCurrency.open();
}

bool TdmMain::recover(fb::Query& statement, bool ran)
{
    if (recovering_)
        return false; // one reconnect at a time: a failure inside it is reported
    recovering_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{recovering_};
    try {
        statement.database().reconnect();
    } catch (const platform::Failure&) {
        if (!ran)
            throw;
        return false;
    }
    return !ran || rerunnable(statement);
}

bool TdmMain::rerunnable(const fb::Query& statement) const
{
    if (&statement.database() == &ibdAE)
        return true; // the enterprise database is only read
    return &statement == &taCurrency.select || &statement == &spGetEuroRate;
}

bool isRemoteDatabaseName(const QString& name)
{
    static const QRegularExpression url(QStringLiteral("^[A-Za-z]+://"));
    if (url.match(name).hasMatch())
        return true;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 2)
        return false; // no colon, or a drive letter
    static const QRegularExpression host(QStringLiteral("^[A-Za-z0-9_.\\-\\[\\]]+(/[A-Za-z0-9_\\-]+)?$"));
    return host.match(name.left(colon)).hasMatch();
}

bool TdmMain::checkDatabaseFile(fb::Database& db, const QString& key, const QString& filter, const QString& title,
                                const QString& cancelMessage)
{
    const QString name = db.databaseName();
    if (isRemoteDatabaseName(name))
        return true; // the connect reports an unreachable server
    // A folder is no database file, whatever its name.
    if (!name.isEmpty() && QFileInfo(name).isFile())
        return true;
    platform::FileDialogSpec spec;
    spec.filter = filter;
    spec.title = title;
    spec.directory = dialogDir_;
    auto picked = platform::openFileName(spec);
    if (!picked) {
        platform::showMessage(cancelMessage);
        return false;
    }
    dialogDir_ = QFileInfo(*picked).absolutePath();
    db.setDatabaseName(*picked);
    platform::IniFile(app::settingsPath()).writeString(app::kSectionPaths, key, *picked);
    return true;
}

bool TdmMain::DataModuleCreate()
{
    ibdAE.disconnect();
    dbMain.disconnect();
    platform::IniFile ini(app::settingsPath());
    const QChar sep = platform::Regional::current().decimalSeparator;
    ibdAE.setDatabaseName(ini.readString(app::kSectionPaths, QStringLiteral("AEDir"), QStringLiteral("AENTER.GDB")));
    dbMain.setDatabaseName(ini.readString(app::kSectionPaths, QStringLiteral("VaderIzar"),
                                          platform::exeDir() + QStringLiteral("ORVADO.GDB")));
    auto& m = app::markup();
    m.other = platform::toSingle(ini.readFloat(app::kSectionCharges, QStringLiteral("OtherRate"), 1, sep));
    m.opt = platform::toSingle(ini.readFloat(app::kSectionCharges, QStringLiteral("OptRate"), 1, sep));
    m.rozn = platform::toSingle(ini.readFloat(app::kSectionCharges, QStringLiteral("RoznRate"), 1, sep));
    if (!checkDatabaseFile(ibdAE, QStringLiteral("AEDir"), QStringLiteral("AEnter.gdb (Автопредприятие)|AEnter.gdb"),
                           QStringLiteral("Укажите путь к файлу AEnter.gdb"),
                           QStringLiteral("База данных AutoSoft Автопредприятия не найдена")))
        return false;
    if (!checkDatabaseFile(dbMain, QStringLiteral("VaderIzar"),
                           QStringLiteral("Orvado.gdb (Tovrin Zevaveraz)|Orvado.gdb"),
                           QStringLiteral("Укажите путь к файлу Orvado.gdb"),
                           QStringLiteral("База данных Tovrin Zevaveraz не найдена")))
        return false;
    connectAtStart();
    return true;
}

void TdmMain::connectAtStart()
{
    try {
        ibdAE.connect();
    } catch (const platform::Failure&) {
        platform::showMessage(kAeOpenFailed);
    }
    try {
        dbMain.connect();
    } catch (const platform::Failure& f) {
        // Attached, but the currency table would not open: the path is right,
        // so the user is told what is wrong with the database instead.
        if (dbMain.connected())
            platform::showError(f.text());
        else
            platform::showMessage(kPriceOpenFailed);
    }
}

bool TdmMain::connectEnterprise()
{
    ibdAE.connect();
    return ibdAE.connected();
}

bool TdmMain::connectPrice()
{
    dbMain.connect();
    return dbMain.connected();
}

void TdmMain::refreshConnections()
{
    // A connection the server has already dropped cannot end its transaction
    // (the server has rolled it back): it is closed all the same, and the
    // refresh goes on to connect it again.
    for (fb::Database* db : {&ibdAE, &dbMain}) {
        try {
            db->disconnect();
        } catch (const fb::Error& e) {
            if (!e.connectionLost())
                throw;
        }
    }
    ibdAE.connect();
    dbMain.connect();
}

std::optional<double> TdmMain::sumOf(fb::Query& q, qint32 id)
{
    q.close();
    q.setParamAt(0, id);
    q.open();
    fb::Field f = q.field(QStringLiteral("SUM"));
    if (f.isNull())
        return std::nullopt;
    return f.asDouble();
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
