#include "data/TdmMain.h"

#include "data/CatalogueColumns.h"
#include "data/QueryModel.h"
#include "data/Settings.h"

#include "platform/AliasStore.h"
#include "platform/Desktop.h"
#include "platform/IniFile.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace data {

using fb::ColumnType;
using columns::col;
using columns::text;

const QString kAeOpenFailed = QStringLiteral(
    "Ошибка открытия базы Автопредприятия\rПроверьте правильность пути к файлу AEnter.gdb в файле Orvado.INI");
const QString kPriceOpenFailed = QStringLiteral(
    "Ошибка открытия базы Tovrin Прайс-лист\rПроверьте правильность пути к файлу Orvado.gdb в файле Orvado.INI");

namespace {

const QString kPassword = QStringLiteral("kavuntelo");
constexpr int kConnectTimeout = 8; // seconds

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
                   columns::part()),
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
                      columns::part()),
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
                columns::sums()),
      ibqOutput(ibdAE, QStringLiteral("ibqOutput"),
                lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam1) and (Direction = -1)"}),
                columns::sums()),
      ibqReserve(ibdAE, QStringLiteral("ibqReserve"),
                 lines({"select Sum(Counts) from docparts", "where (IDPart = :IDParam3) and (Reserve = 1)"}),
                 columns::sums()),
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
                     lines({"select * from PART", "WHERE MINSTOCK > 0", "ORDER BY NAME"}), columns::minStock()),
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
                   columns::movements()),
      taCurrency(dbMain),
      spGetEuroRate(dbMain, QStringLiteral("spGetEuroRate"), lines({"EXECUTE PROCEDURE GET_EURO_RATE "}),
                    {col("RATE", ColumnType::Double)})
{
    GridColumn skladName;
    skladName.field = QStringLiteral("NAME");
    dsSklad = new QueryModel(ibqSkald, {skladName}, this);

    ibdAE.setTitle(QStringLiteral("базы Автопредприятия"));
    dbMain.setTitle(QStringLiteral("базы прайс-листа"));
    for (fb::Database* db : {&ibdAE, &dbMain}) {
        db->params().password = kPassword;
        // An attach to a server that does not answer gives up in time; the
        // calls run on a thread of the connection's own, so the windows keep
        // answering whatever the server does.
        db->params().connectTimeout = kConnectTimeout;
        db->useLine();
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
    // One reconnect at a time on each connection (each runs on its own
    // thread): a failure inside it is reported.
    bool& busy = &statement.database() == &ibdAE ? recoveringAE_ : recoveringMain_;
    if (busy)
        return false;
    busy = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{busy};
    try {
        statement.database().reconnect();
    } catch (const fb::Error& e) {
        // The statement's own error stands only while the server is out of
        // reach; a reason of another kind (a refused login, a database shut
        // down, a missing file) is what the user is to be told.
        if (!ran || !e.unreachable())
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

} // namespace data
