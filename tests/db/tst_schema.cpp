// A database made from db/*.sql must satisfy every statement the data module
// sends: each one is opened once against fresh files, so a column that is
// missing or of the wrong type in the SQL fails here by name.

#include "data/TdmMain.h"
#include "tests/support/TestDatabases.h"

#include <QTest>

#include <map>

using namespace testdb;

class TestSchema : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabases> t_;
    qint32 part_ = 0;
    const QDateTime day_{QDate(2024, 3, 5), QTime(10, 30)};

    // How many columns of each kind a table (or two) has, by the system tables.
    std::map<QString, int> kinds(const QString& tables)
    {
        std::map<QString, int> out;
        auto rows = t_->column(Db::Enterprise,
                               QStringLiteral("SELECT CASE F.RDB$FIELD_TYPE"
                                              " WHEN 7 THEN 'smallint' WHEN 8 THEN 'integer'"
                                              " WHEN 27 THEN 'double' WHEN 35 THEN 'timestamp'"
                                              " WHEN 37 THEN 'text' WHEN 14 THEN 'text'"
                                              " WHEN 261 THEN 'blob' ELSE 'other' END"
                                              " FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F"
                                              " ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE"
                                              " WHERE R.RDB$RELATION_NAME IN (%1)")
                                   .arg(tables));
        for (const fb::Value& v : rows)
            ++out[std::get<QString>(v)];
        return out;
    }

private slots:
    void initTestCase()
    {
        t_ = std::make_unique<TestDatabases>();
        part_ = t_->addPart({.manufactureCode = "0 986 452 041",
                             .number = "90915-YZZE1",
                             .name = QStringLiteral("Фильтр масляный"),
                             .remark = "W 712/75",
                             .priceR = 450, .priceMO = 380, .priceO = 400, .priceS = 420,
                             .minStock = 4});
        Line in = income(part_, 10, 250, day_, "A");
        in.currencyShort = "EUR";
        in.summCurrency = 2.5;
        in.summ = 2500;
        t_->addLine(in);
        t_->addLine(output(part_, 3, 450, day_.addDays(1), "B"));
        t_->addLine(reserve(part_, 1, day_.addDays(2), "B"));
        t_->addWarehouse({"A", QStringLiteral("Основной склад")});
        t_->addCurrency({"EUR", 98.5});
    }

    void cleanupTestCase() { t_.reset(); }

    void everyEnterpriseQueryOpens()
    {
        data::TdmMain& dm = t_->dm();
        struct Run {
            fb::Query* q;
            std::vector<std::pair<QString, fb::Value>> params;
            int rows;
        };
        const std::vector<Run> runs = {
            {&dm.inside().ibqGetPartID, {{"Num", "%YZZE%"}}, 1},
            {&dm.inside().ibqGetCrossNums, {{"IDCODE", part_}, {"PartOE", "90915-YZZE1"}}, 1},
            {&dm.inside().ibqGetPrices, {{"Num", "0 986 452 041"}}, 1},
            {&dm.inside().ibqGetLastPrice, {{"Parm1", part_}, {"Parm2", part_}}, 1},
            {&dm.inside().ibqGetDescr, {{"ID", part_}}, 1},
            {&dm.inside().ibqIncome, {{"IDParam2", part_}}, 1},
            {&dm.inside().ibqOutput, {{"IDParam1", part_}}, 1},
            {&dm.inside().ibqReserve, {{"IDParam3", part_}}, 1},
            {&dm.inside().ibqGetAVGCost, {{"Param1", part_}}, 1},
            {&dm.inside().ibqGetLastSklad, {{"ID", part_}}, 1},
            {&dm.inside().ibqSkald, {}, 1},
            {&dm.inside().ibqMovements, {{"IDParam", part_}}, 3},
        };
        for (const Run& r : runs) {
            r.q->close();
            for (const auto& [name, v] : r.params)
                r.q->setParam(name, v);
            try {
                r.q->open();
            } catch (const fb::Error& e) {
                QFAIL(qPrintable(e.text()));
            }
            QVERIFY2(r.q->recordCount() == r.rows, qPrintable(r.q->name()));
            r.q->close();
        }
    }

    void minStockQueryOpensWithEverySort()
    {
        data::TdmMain& dm = t_->dm();
        for (int sort : {-1, 0, 1, 2}) {
            dm.inside().ibqGetMINStock.setSQL(data::TdmMain::minStockSql(sort));
            dm.inside().ibqGetMINStock.open();
            QCOMPARE(dm.inside().ibqGetMINStock.recordCount(), 1);
            QCOMPARE(dm.inside().ibqGetMINStock.field("MINSTOCK").asDouble(), 4.0);
        }
        QCOMPARE(dm.inside().ibqGetMINStock.columns().size(), size_t(70));
        QCOMPARE(dm.inside().ibqMovements.columns().size(), size_t(147));
    }

    void priceStatementsRun()
    {
        data::TdmMain& dm = t_->dm();
        QVERIFY(dm.inside().taCurrency.isOpen());
        QCOMPARE(dm.inside().taCurrency.rowCount(), 1);
        dm.inside().taCurrency.insert(dm.inside().taCurrency.rowCount());
        dm.inside().taCurrency.setValue(data::CurrencyTable::kName, QStringLiteral("USD"));
        dm.inside().taCurrency.setValue(data::CurrencyTable::kRate, 91.0);
        dm.inside().taCurrency.post(); // insert + refresh
        dm.inside().taCurrency.edit(1);
        dm.inside().taCurrency.setValue(data::CurrencyTable::kRate, 92.0);
        dm.inside().taCurrency.post(); // update + refresh
        dm.inside().taCurrency.close();
        dm.inside().taCurrency.open();
        QCOMPARE(dm.inside().taCurrency.rowCount(), 2);
        QCOMPARE(dm.fetchEuroRate(), 98.5);
    }

    // The accounting database's column types, kind by kind, as the data
    // module declares them for the two SELECT * statements.
    void tablesHaveTheDeclaredKindsOfColumns()
    {
        const std::map<QString, int> part{{"double", 25}, {"text", 21}, {"integer", 16},
                                          {"smallint", 6}, {"timestamp", 1}, {"blob", 1}};
        QCOMPARE(kinds("'PART'"), part);
        const std::map<QString, int> moves{{"double", 56}, {"integer", 41}, {"text", 33},
                                           {"timestamp", 9}, {"smallint", 5}, {"blob", 3}};
        QCOMPARE(kinds("'DOCPARTS', 'DOCHEADER'"), moves);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
