// The demo and benchmark sets: what the program is tried on must show what
// it is for (cross numbers, replacements, parts below minimum, EUR).

#include "data/TdmMain.h"
#include "db/DemoData.h"
#include "db/LargeData.h"
#include "tests/support/TestDatabases.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace testdb;

class TestDemoData : public QObject {
    Q_OBJECT

    static int count(TestDatabases& t, const QString& select)
    {
        return std::get<qint32>(t.column(Db::Enterprise, select).at(0));
    }

private slots:
    void demoSet()
    {
        TestDatabases t;
        db::fillDemo(t.enterprisePath(), t.pricePath());
        data::TdmMain& dm = t.dm();
        QCOMPARE(dm.fetchEuroRate(), db::kDemoEuroRate);

        dm.inside().ibqSkald.open();
        QSet<QString> warehouses;
        for (int r = 0; r < dm.inside().ibqSkald.recordCount(); ++r)
            warehouses << dm.inside().ibqSkald.fieldAt(r, 0).asString();
        QCOMPARE(warehouses, QSet<QString>({"E", "M"}));

        dm.inside().ibqGetMINStock.setSQL(data::TdmMain::minStockSql(0));
        dm.inside().ibqGetMINStock.open();
        int below = 0, enough = 0;
        for (int r = 0; r < dm.inside().ibqGetMINStock.recordCount(); ++r) {
            dm.inside().ibqGetMINStock.moveTo(r);
            const qint32 id = dm.inside().ibqGetMINStock.field("ID").asInteger();
            (dm.GetOnStock(id) < dm.inside().ibqGetMINStock.field("MINSTOCK").asDouble() ? below : enough)++;
        }
        QVERIFY2(below >= 5 && enough >= 5, qPrintable(QString("%1 below, %2 not").arg(below).arg(enough)));

        // Every part: stock never below zero, a warehouse of the demo, and
        // each replacement number in its remark is another part's number.
        dm.inside().ibqGetPartID.setParam("Num", "%");
        dm.inside().ibqGetPartID.open();
        const int parts = dm.inside().ibqGetPartID.recordCount();
        QVERIFY(parts >= 60 && parts <= 150);
        QSet<QString> codes;
        for (int r = 0; r < parts; ++r)
            codes << dm.inside().ibqGetPartID.fieldAt(r, 1).asString();
        QCOMPARE(codes.size(), parts);
        int remarks = 0, crossed = 0;
        for (int r = 0; r < parts; ++r) {
            const qint32 id = dm.inside().ibqGetPartID.fieldAt(r, 0).asInteger();
            const QString oe = dm.inside().ibqGetPartID.fieldAt(r, 2).asString();
            QVERIFY(dm.GetOnStock(id) >= 0);
            QVERIFY(QStringList({"", "E", "M"}).contains(dm.GetLastSklad(id)));
            const QStringList lines = dm.inside().ibqGetPartID.fieldAt(r, 4).asString().split(
                QRegularExpression("\r\n|\n"), Qt::SkipEmptyParts);
            remarks += lines.isEmpty() ? 0 : 1;
            for (const QString& line : lines) {
                const QString number = line.section(" (", 0, 0);
                QVERIFY2(codes.contains(number) || number == oe, qPrintable(line));
            }
            if (!oe.isEmpty()) {
                dm.inside().ibqGetCrossNums.setParam("IDCODE", id);
                dm.inside().ibqGetCrossNums.setParam("PartOE", oe);
                dm.inside().ibqGetCrossNums.open();
                crossed += dm.inside().ibqGetCrossNums.recordCount() > 1 ? 1 : 0;
            }
        }
        QVERIFY(remarks > parts / 2);
        QVERIFY(crossed > parts / 2);
        QVERIFY(count(t, "SELECT COUNT(*) FROM PART WHERE NAME LIKE '%Фильтр%'") > 0);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE RESERVE = 1") > 0);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE DIRECTION = -1") > 0);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE CURRENCYSHORT = 'EUR'") > 0);
    }

    // What a shop would notice first: a number's prefix says what the part
    // is and the name must agree; the movements are recent; and the numbers
    // the guide's pictures look up find what the pictures show.
    void namesDatesAndTheGuidesNumbers()
    {
        TestDatabases t;
        db::fillDemo(t.enterprisePath(), t.pricePath());
        data::TdmMain& dm = t.dm();
        fb::Query& q = dm.inside().ibqGetPartID;
        auto lookUp = [&](const QString& number) {
            q.close();
            q.setParam("Num", "%" + number + "%"); // as the main window searches
            q.open();
            return q.recordCount();
        };

        const std::pair<const char*, const char*> kinds[] = {
            {"^(OC |OP |W \\d|0 986 452 |GB-1)", "Фильтр масляный"},
            {"^(LX |C \\d|AP |F 026 400 |GB-9)", "Фильтр воздушный"},
            {"^(LA |CU |K \\d|1 987 432 )", "Фильтр салона"},
            {"^(KL |WK |PP |F 026 402 )", "Фильтр топливный"},
            {"^(GDB|FDB|13\\.0460-|P \\d|0 986 494 )", "Колодки тормозные"},
            {"^(BKR|K\\d+TT|LR\\d|0 242 )", "Свеча зажигания"},
            {"^3000 ", "Комплект сцепления"},
        };
        QList<int> seen(std::size(kinds), 0);
        lookUp("");
        for (int r = 0; r < q.recordCount(); ++r) {
            const QString code = q.fieldAt(r, 1).asString();
            const QString name = q.fieldAt(r, 3).asString();
            for (size_t k = 0; k < std::size(kinds); ++k) {
                if (!QRegularExpression(kinds[k].first).match(code).hasMatch())
                    continue;
                ++seen[qsizetype(k)];
                QVERIFY2(name.startsWith(kinds[k].second), qPrintable(code + ": " + name));
            }
        }
        QVERIFY2(!seen.contains(0), "every kind of number is in the set");

        const QDate today = QDate::currentDate();
        const QDateTime last = std::get<QDateTime>(t.column(Db::Enterprise, "SELECT MAX(DATEIN) FROM DOCPARTS").at(0));
        const QDateTime first = std::get<QDateTime>(t.column(Db::Enterprise, "SELECT MIN(DATEIN) FROM DOCPARTS").at(0));
        QVERIFY2(last.date() <= today && last.date() >= today.addDays(-7), qPrintable(last.toString()));
        QVERIFY2(first.date() >= today.addYears(-1), qPrintable(first.toString()));

        // The history's lookups find their parts.
        for (const char* number : {"GDB1655", "OP 602/7", "АП-1127", "K20TT"}) {
            QVERIFY2(lookUp(QString::fromUtf8(number)) >= 1, number);
            q.first();
            QCOMPARE(q.field("MANUFACTURECODE").asString(), QString::fromUtf8(number));
        }
        // One OE number, several parts: the list of matches.
        QVERIFY(lookUp("8200542739") >= 3);

        // One match with stock, cross numbers and replacements.
        QCOMPARE(lookUp("OC 480"), 1);
        const qint32 oc480 = q.field("ID").asInteger();
        QVERIFY(dm.GetOnStock(oc480) > 0);
        QVERIFY(!q.field("REMARK").asString().isEmpty());
        dm.inside().ibqGetCrossNums.setParam("IDCODE", oc480);
        dm.inside().ibqGetCrossNums.setParam("PartOE", q.field("NUMBER").asString());
        dm.inside().ibqGetCrossNums.open();
        QVERIFY(dm.inside().ibqGetCrossNums.recordCount() > 1);

        // One match with receipts, issues and a reserve among its movements.
        QCOMPARE(lookUp("3000 996 941"), 1);
        const QString id = QString::number(q.field("ID").asInteger());
        for (const char* kind : {"DIRECTION = 1", "DIRECTION = -1", "RESERVE = 1"})
            QVERIFY2(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE IDPART = " + id + " AND " + kind) > 0, kind);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE IDPART = " + id) > 3);
    }

    void largeSet()
    {
        TestDatabases a;
        db::fillLarge(a.enterprisePath(), 700, 5000, 3);
        QCOMPARE(count(a, "SELECT COUNT(*) FROM PART"), 700);
        QCOMPARE(count(a, "SELECT COUNT(*) FROM DOCPARTS"), 5000);
        QCOMPARE(count(a, "SELECT COUNT(*) FROM DOCPARTS D LEFT JOIN DOCHEADER H ON H.ID = D.IDDOCHEAD "
                          "WHERE H.ID IS NULL OR D.IDPART NOT BETWEEN 1 AND 700"),
                 0);
        QCOMPARE(count(a, "SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_INACTIVE = 1"), 0);
        const int withMin = count(a, "SELECT COUNT(*) FROM PART WHERE MINSTOCK > 0");
        QVERIFY(withMin > 20 && withMin < 200);

        // The same seed gives the same data.
        TestDatabases b;
        db::fillLarge(b.enterprisePath(), 700, 5000, 3);
        const QString digest = "SELECT CAST(SUM(COUNTS * IDPART * DIRECTION) AS INTEGER) FROM DOCPARTS";
        QCOMPARE(count(a, digest), count(b, digest));
        QCOMPARE(a.column(Db::Enterprise, "SELECT MANUFACTURECODE FROM PART WHERE ID = 345"),
                 b.column(Db::Enterprise, "SELECT MANUFACTURECODE FROM PART WHERE ID = 345"));
        a.dm(); // a data module opens it
    }

    // The generator refuses to overwrite and says why.
    void generatorKeepsExistingFiles()
    {
        TestDatabases t;
        t.disconnectAll();
        const QString exe = QCoreApplication::applicationDirPath() + "/orvado-makedb";
        if (!QFileInfo::exists(exe))
            QSKIP("orvado-makedb is not built");
        const qint64 size = QFileInfo(t.enterprisePath()).size();
        QProcess p;
        p.start(exe, {"demo", t.enterprisePath(), t.path("new.gdb")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(t.enterprisePath()));
        QCOMPARE(QFileInfo(t.enterprisePath()).size(), size);
        QVERIFY(!QFileInfo::exists(t.path("new.gdb")));

        p.start(exe, {"large", t.path("big.gdb"), "10", "many"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(!QFileInfo::exists(t.path("big.gdb")));

        p.start(exe, {"price", t.path("p.gdb")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QFileInfo::exists(t.path("p.gdb")));
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
