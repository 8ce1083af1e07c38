// The rules the statements of the data module rest on: declared columns,
// parameters, the join's duplicate names, NULLs, blanks and Windows-1251.

#include "data/TdmMain.h"
#include "tests/support/TestDatabases.h"

#include <QTest>

#include <functional>

using namespace testdb;

namespace {
const QDateTime kDay(QDate(2024, 2, 1), QTime(9, 15, 30));

// The error a read of the data module ends with, as the desk is told it.
QString openError(const std::function<void()>& read)
{
    try {
        read();
    } catch (const fb::Error& e) {
        return e.text();
    }
    return {};
}

QStringList codes(fb::Query& q)
{
    QStringList out;
    for (int r = 0; r < q.recordCount(); ++r)
        out << q.fieldAt(r, q.columnIndex("MANUFACTURECODE")).asString();
    return out;
}
} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    // A result that lacks a declared column, or has it in a type the program
    // cannot read it as, fails by that column's name; extra columns are fine.
    void declaredColumnsAreChecked()
    {
        TestDatabases t;
        t.exec(Db::Enterprise, "ALTER TABLE PART DROP XML");
        t.exec(Db::Enterprise, "ALTER TABLE DOCPARTS ADD SOMETHINGNEW INTEGER");
        t.exec(Db::Enterprise, "ALTER TABLE STRUCTURESKLAD DROP NAME");
        t.exec(Db::Enterprise, "ALTER TABLE STRUCTURESKLAD ADD NAME INTEGER");
        data::TdmMain& dm = t.dm();

        QString err = openError([&] { dm.partsUnderReplenishment(0); });
        QVERIFY2(err.contains("XML") && err.contains(QStringLiteral("нет столбца")), qPrintable(err));

        t.exec(Db::Enterprise, "ALTER TABLE PART ADD XML BLOB SUB_TYPE TEXT");
        t.exec(Db::Enterprise, "DROP INDEX PART_IDX_MINSTOCK");
        t.exec(Db::Enterprise, "ALTER TABLE PART DROP MINSTOCK");
        t.exec(Db::Enterprise, "ALTER TABLE PART ADD MINSTOCK VARCHAR(20)");
        dm.inside().ibdAE.disconnect(); // the next prepare sees the changed table
        dm.inside().ibdAE.connect();
        err = openError([&] { dm.partsUnderReplenishment(0); });
        QVERIFY2(err.contains("MINSTOCK") && err.contains(QStringLiteral("другого типа")), qPrintable(err));

        err = openError([&] { dm.warehouses(); });
        QVERIFY2(err.contains("NAME") && err.contains(QStringLiteral("другого типа")), qPrintable(err));

        QCOMPARE(openError([&] { dm.movementsOf(1); }), QString());
    }

    // DOCHEADER's columns that repeat DOCPARTS' names come back with 1
    // appended; the lines come oldest first.
    void movementsJoin()
    {
        TestDatabases t;
        const qint32 id = t.addPart({.name = "X"});
        const qint32 doc = t.addDocument({.number = 4711, .direction = -1, .date = kDay.addDays(-5),
                                          .extra = {{"NAMECONTRAGENTIN", QStringLiteral("ООО «Ромашка»")}}});
        Line late = income(id, 2, 10, kDay.addDays(3), "B");
        late.doc = doc;
        late.id = 500;
        Line early = income(id, 1, 12.5, kDay, "A");
        early.doc = doc;
        early.summCurrency = 0.13;
        early.currencyShort = "EUR";
        t.addLine(late);
        t.addLine(early);
        t.addLine(income(t.addPart({.name = "Y"}), 9, 9, kDay)); // another part's line

        fb::Query& q = t.dm().inside().ibqMovements;
        q.close();
        q.setParamAt(0, id);
        q.open();
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.field("DATEIN").asDateTime(), kDay);
        QCOMPARE(q.field("SKLAD").asString(), QStringLiteral("A"));
        QCOMPARE(q.field("CURRENCYSHORT").asString(), QStringLiteral("EUR"));
        QCOMPARE(q.field("DIRECTION").asInteger(), 1);
        QCOMPARE(q.field("Direction1").asInteger(), -1);
        QCOMPARE(q.field("DATEIN1").asDateTime(), kDay.addDays(-5));
        QCOMPARE(q.field("ID1").asInteger(), doc);
        QCOMPARE(q.field("IDDOCHEAD").asInteger(), doc);
        QCOMPARE(q.field("NUMBER").asInteger(), 4711);
        QCOMPARE(q.field("NAMECONTRAGENTIN").asString(), QStringLiteral("ООО «Ромашка»"));
        QVERIFY(q.field("NAMECONTRAGENTOUT").isNull());
        QVERIFY(q.next());
        QCOMPARE(q.field("ID").asInteger(), 500);
        QCOMPARE(q.field("ID1").asInteger(), doc);
    }

    // One value per name feeds every place the name occurs.
    void namedParameterFeedsEveryOccurrence()
    {
        TestDatabases t;
        t.addPart({.manufactureCode = "A-123", .number = "OE-1"});
        t.addPart({.manufactureCode = "B-1", .number = "OE-1234"});
        t.addPart({.manufactureCode = "C-1", .number = "OE-9", .remark = "X-1\r\nZ 123 (аналог)"});
        t.addPart({.manufactureCode = "D-1", .number = "OE-12", .remark = "12 3"});
        t.addPart({.manufactureCode = "E-1"}); // no OE number, no remark
        data::TdmMain& dm = t.dm();
        dm.inside().ibqGetPartID.close();
        dm.inside().ibqGetPartID.setParam("Num", "%123%");
        dm.inside().ibqGetPartID.open();
        QCOMPARE(codes(dm.inside().ibqGetPartID), QStringList({"A-123", "B-1", "C-1"}));

        // The cross list: the part itself by ID, the rest by OE pattern.
        dm.inside().ibqGetCrossNums.close();
        dm.inside().ibqGetCrossNums.setParam("IDCODE", 5);
        dm.inside().ibqGetCrossNums.setParam("PartOE", "OE-12%");
        dm.inside().ibqGetCrossNums.open();
        QCOMPARE(codes(dm.inside().ibqGetCrossNums), QStringList({"B-1", "D-1", "E-1"}));
    }

    void nullsAndLastPrice()
    {
        TestDatabases t;
        const qint32 id = t.addPart({.manufactureCode = "N-1"});
        data::TdmMain& dm = t.dm();
        for (fb::Query* q : {&dm.inside().ibqIncome, &dm.inside().ibqOutput, &dm.inside().ibqReserve}) {
            QVERIFY(!dm.inside().sumOf(*q, id));
            QCOMPARE(q->recordCount(), 1);
        }
        dm.inside().ibqGetPrices.setParam("Num", "N-1");
        dm.inside().ibqGetPrices.open();
        QVERIFY(dm.inside().ibqGetPrices.field("PRICER").isNull());
        QCOMPARE(dm.inside().ibqGetPrices.field("PRICER").asDouble(), 0.0);
        QCOMPARE(dm.inside().ibqGetPrices.field("NAME").asString(), QString());

        // An issue with the same date as the latest receipt: both prices.
        t.addLine(income(id, 1, 70, kDay.addDays(-1)));
        t.addLine(income(id, 1, 80, kDay));
        t.addLine(output(id, 1, 120, kDay));
        t.addLine(output(id, 1, 130, kDay.addDays(1)));
        dm.inside().ibqGetLastPrice.setParamAt(0, id);
        dm.inside().ibqGetLastPrice.setParamAt(1, id);
        dm.inside().ibqGetLastPrice.open();
        QList<double> prices;
        for (int r = 0; r < dm.inside().ibqGetLastPrice.recordCount(); ++r)
            prices << dm.inside().ibqGetLastPrice.fieldAt(r, 0).asDouble();
        std::sort(prices.begin(), prices.end());
        QCOMPARE(prices, QList<double>({80, 120}));
    }

    // A maker's number longer than the column finds nothing rather than
    // failing with a truncation error.
    void overlongNumberFindsNothing()
    {
        TestDatabases t;
        t.addPart({.manufactureCode = "L-1"});
        fb::Query& q = t.dm().inside().ibqGetPrices;
        q.setParam("Num", QString(60, QLatin1Char('7')));
        q.open();
        QCOMPARE(q.recordCount(), 0);
    }

    void euroRate()
    {
        TestDatabases t;
        data::TdmMain& dm = t.dm();
        QCOMPARE(dm.fetchEuroRate(), 0.0); // no EUR row: NULL
        t.addCurrency({"EUR"});
        QCOMPARE(dm.fetchEuroRate(), 0.0); // EUR without a rate
        t.exec(Db::Price, "UPDATE CURRENCY SET CURATE = 41.5 WHERE CUNAME = 'EUR'");
        t.addCurrency({"USD", 37.0});
        QCOMPARE(dm.fetchEuroRate(), 41.5);
        dm.inside().dbMain.disconnect();
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm.fetchEuroRate());
    }

    // Text comes back without its trailing blanks, leading ones kept, and
    // Cyrillic travels as single Windows-1251 bytes both ways.
    void textRoundTrip()
    {
        TestDatabases t;
        const QString name = QStringLiteral("Щётка стеклоочистителя «Ёж» №5 ");
        const qint32 id = t.addPart({.manufactureCode = "  Ж-17   ", .name = name + "   "});
        QCOMPARE(t.column(Db::Enterprise, QStringLiteral("SELECT OCTET_LENGTH(NAME) FROM PART")).at(0),
                 fb::Value{qint32(name.size() + 3)});
        data::TdmMain& dm = t.dm();
        dm.inside().ibqGetDescr.setParam("ID", id);
        dm.inside().ibqGetDescr.open();
        QCOMPARE(dm.inside().ibqGetDescr.field("name").asString(), name.trimmed());

        dm.inside().ibqGetPartID.setParam("Num", QStringLiteral("%Ж-1%"));
        dm.inside().ibqGetPartID.open();
        QCOMPARE(codes(dm.inside().ibqGetPartID), QStringList({QStringLiteral("  Ж-17")}));
        QCOMPARE(dm.inside().ibqGetPartID.field("NAME").asString(), name.trimmed());

        t.exec(Db::Enterprise, "CREATE TABLE PADDED (C CHAR(12))");
        t.exec(Db::Enterprise, QStringLiteral("INSERT INTO PADDED VALUES ('Ёлка')"));
        fb::Query padded(dm.inside().ibdAE, "padded", {"SELECT C FROM PADDED"},
                         {fb::ColumnDef{"C", fb::ColumnType::Text, 12, {}, {}, false, true}});
        padded.open();
        QCOMPARE(padded.field("C").asString(), QStringLiteral("Ёлка"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
