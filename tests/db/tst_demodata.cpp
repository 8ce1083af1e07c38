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

        dm.ibqSkald.open();
        QSet<QString> warehouses;
        for (int r = 0; r < dm.ibqSkald.recordCount(); ++r)
            warehouses << dm.ibqSkald.fieldAt(r, 0).asString();
        QCOMPARE(warehouses, QSet<QString>({"E", "M"}));

        dm.ibqGetMINStock.setSQL(data::TdmMain::minStockSql(0));
        dm.ibqGetMINStock.open();
        int below = 0, enough = 0;
        for (int r = 0; r < dm.ibqGetMINStock.recordCount(); ++r) {
            dm.ibqGetMINStock.moveTo(r);
            const qint32 id = dm.ibqGetMINStock.field("ID").asInteger();
            (dm.GetOnStock(id) < dm.ibqGetMINStock.field("MINSTOCK").asDouble() ? below : enough)++;
        }
        QVERIFY2(below >= 5 && enough >= 5, qPrintable(QString("%1 below, %2 not").arg(below).arg(enough)));

        // Every part: stock never below zero, a warehouse of the demo, and
        // each replacement number in its remark is another part's number.
        dm.ibqGetPartID.setParam("Num", "%");
        dm.ibqGetPartID.open();
        const int parts = dm.ibqGetPartID.recordCount();
        QVERIFY(parts >= 60 && parts <= 150);
        QSet<QString> codes;
        for (int r = 0; r < parts; ++r)
            codes << dm.ibqGetPartID.fieldAt(r, 1).asString();
        QCOMPARE(codes.size(), parts);
        int remarks = 0, crossed = 0;
        for (int r = 0; r < parts; ++r) {
            const qint32 id = dm.ibqGetPartID.fieldAt(r, 0).asInteger();
            const QString oe = dm.ibqGetPartID.fieldAt(r, 2).asString();
            QVERIFY(dm.GetOnStock(id) >= 0);
            QVERIFY(QStringList({"", "E", "M"}).contains(dm.GetLastSklad(id)));
            const QStringList lines = dm.ibqGetPartID.fieldAt(r, 4).asString().split(
                QRegularExpression("\r\n|\n"), Qt::SkipEmptyParts);
            remarks += lines.isEmpty() ? 0 : 1;
            for (const QString& line : lines) {
                const QString number = line.section(" (", 0, 0);
                QVERIFY2(codes.contains(number) || number == oe, qPrintable(line));
            }
            if (!oe.isEmpty()) {
                dm.ibqGetCrossNums.setParam("IDCODE", id);
                dm.ibqGetCrossNums.setParam("PartOE", oe);
                dm.ibqGetCrossNums.open();
                crossed += dm.ibqGetCrossNums.recordCount() > 1 ? 1 : 0;
            }
        }
        QVERIFY(remarks > parts / 2);
        QVERIFY(crossed > parts / 2);
        QVERIFY(count(t, "SELECT COUNT(*) FROM PART WHERE NAME LIKE '%Фильтр%'") > 0);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE RESERVE = 1") > 0);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE DIRECTION = -1") > 0);
        QVERIFY(count(t, "SELECT COUNT(*) FROM DOCPARTS WHERE CURRENCYSHORT = 'EUR'") > 0);
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
