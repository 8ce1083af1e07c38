// Stock on hand, average purchase cost and latest warehouse of a part,
// computed from real document lines.

#include "data/TdmMain.h"
#include "tests/support/TestDatabases.h"

#include <QTest>

using namespace testdb;

namespace {
const QDateTime kDay(QDate(2024, 5, 14), QTime(11, 0));

using Values = std::vector<std::optional<double>>;
struct Lines {
    Values in, out, res;
};
} // namespace

Q_DECLARE_METATYPE(Lines)
Q_DECLARE_METATYPE(Values)

class TestFigures : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabases> t_;
    data::TdmMain* dm_ = nullptr;

    qint32 newPart() { return t_->addPart({.name = QStringLiteral("Деталь")}); }

private slots:
    void initTestCase()
    {
        t_ = std::make_unique<TestDatabases>();
        dm_ = &t_->dm();
    }

    void cleanupTestCase() { t_.reset(); }

    void partWithoutLines()
    {
        const qint32 id = newPart();
        QCOMPARE(dm_->GetOnStock(id), 0.0);
        QCOMPARE(dm_->GetAvgCost(id), 0.0);
        QCOMPARE(dm_->GetLastSklad(id), QString());
    }

    void onStock_data()
    {
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<double>("expected");
        QTest::addColumn<bool>("outputRun");
        QTest::newRow("10 in, 3 out, 2 reserved") << Lines{{10}, {3}, {2}} << 5.0 << true;
        QTest::newRow("10 in, 2 reserved") << Lines{{10}, {}, {2}} << 8.0 << true;
        QTest::newRow("5 in, 8 out, reserve -1 ignored") << Lines{{5}, {8}, {-1}} << -3.0 << true;
        QTest::newRow("income summing to 0 stops") << Lines{{5, -5}, {5}, {}} << 0.0 << false;
        QTest::newRow("negative income stops") << Lines{{-4}, {1}, {}} << 0.0 << false;
        QTest::newRow("fractions") << Lines{{2.5}, {0.75}, {}} << 1.75 << true;
        QTest::newRow("negative output sum ignored") << Lines{{6}, {-2}, {1}} << 5.0 << true;
        QTest::newRow("income lines without counts") << Lines{{std::nullopt}, {1}, {}} << 0.0 << false;
        QTest::newRow("output without counts") << Lines{{7, 1}, {std::nullopt}, {}} << 8.0 << true;
    }

    void onStock()
    {
        QFETCH(Lines, lines);
        QFETCH(double, expected);
        QFETCH(bool, outputRun);
        const qint32 id = newPart();
        for (auto c : lines.in)
            t_->addLine(income(id, c, 10, kDay));
        for (auto c : lines.out)
            t_->addLine(output(id, c, 20, kDay));
        for (auto c : lines.res)
            t_->addLine(reserve(id, c, kDay));
        dm_->inside().ibqOutput.close();
        QCOMPARE(dm_->GetOnStock(id), expected);
        QCOMPARE(dm_->inside().ibqOutput.isOpen(), outputRun);
    }

    // Every warehouse counts, and an issued line that is also reserved is
    // taken off twice.
    void onStockOverWarehousesAndDoubleCounting()
    {
        const qint32 id = newPart();
        t_->addLine(income(id, 10, 5, kDay, "A"));
        t_->addLine(income(id, 4, 5, kDay, "B"));
        t_->addLine(output(id, 1, 9, kDay, "B"));
        Line both = output(id, 3, 9, kDay, "A");
        both.reserve = 1;
        t_->addLine(both);
        QCOMPARE(dm_->GetOnStock(id), 14.0 - 1 - 3 - 3);
    }

    // Nothing is remembered between calls: a line committed meanwhile counts.
    void figuresFollowNewLines()
    {
        const qint32 id = newPart();
        t_->addLine(income(id, 3, 100, kDay, "A"));
        QCOMPARE(dm_->GetOnStock(id), 3.0);
        QCOMPARE(dm_->GetLastSklad(id), QStringLiteral("A"));
        t_->addLine(income(id, 2, 200, kDay.addDays(1), "B"));
        QCOMPARE(dm_->GetOnStock(id), 5.0);
        QCOMPARE(dm_->GetAvgCost(id), 150.0);
        QCOMPARE(dm_->GetLastSklad(id), QStringLiteral("B"));
    }

    void avgCost_data()
    {
        QTest::addColumn<Values>("prices");
        QTest::addColumn<Values>("counts");
        QTest::addColumn<double>("expected");
        QTest::newRow("10, 20 and no price") << Values{10, 20, std::nullopt} << Values{1, 1, 1} << 15.0;
        QTest::newRow("over lines, not pieces") << Values{10, 40} << Values{1, 99} << 25.0;
        QTest::newRow("no line with a price") << Values{std::nullopt, std::nullopt} << Values{1, 1} << 0.0;
        QTest::newRow("thirds") << Values{1, 1, 2} << Values{1, 1, 1} << 4.0 / 3.0;
    }

    void avgCost()
    {
        QFETCH(Values, prices);
        QFETCH(Values, counts);
        QFETCH(double, expected);
        const qint32 id = newPart();
        for (size_t i = 0; i < prices.size(); ++i)
            t_->addLine(income(id, counts[i], prices[i], kDay));
        t_->addLine(output(id, 1, 1000, kDay)); // issue prices do not count
        QCOMPARE(dm_->GetAvgCost(id), expected);
    }

    void lastSklad()
    {
        // Latest line an issue from B, latest receipt through A.
        const qint32 a = newPart();
        t_->addLine(income(a, 5, 1, kDay, "A"));
        t_->addLine(income(a, 5, 1, kDay.addDays(2), "A"));
        t_->addLine(output(a, 1, 1, kDay.addDays(3), "B"));
        t_->addLine(output(a, 1, 1, kDay.addDays(1), "C"));
        QCOMPARE(dm_->GetLastSklad(a), QStringLiteral("B"));

        // The latest line has no warehouse.
        const qint32 b = newPart();
        t_->addLine(income(b, 5, 1, kDay, "A"));
        t_->addLine(output(b, 1, 1, kDay.addSecs(60), QString()));
        QCOMPARE(dm_->GetLastSklad(b), QString());

        // Two latest lines share their date: either warehouse, the first row.
        const qint32 c = newPart();
        t_->addLine(income(c, 5, 1, kDay, "A"));
        t_->addLine(output(c, 1, 1, kDay, "B"));
        const QString got = dm_->GetLastSklad(c);
        QVERIFY2(got == "A" || got == "B", qPrintable(got));
        QCOMPARE(dm_->inside().ibqGetLastSklad.recordCount(), 2);

        // Lines without a date have no latest one.
        const qint32 d = newPart();
        t_->addLine(income(d, 5, 1, QDateTime(), "A"));
        QCOMPARE(dm_->GetLastSklad(d), QString());
    }

    void closedDatabaseFails()
    {
        const qint32 id = newPart();
        dm_->inside().ibdAE.disconnect();
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm_->GetOnStock(id));
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm_->GetAvgCost(id));
        QVERIFY_THROWS_EXCEPTION(fb::Error, dm_->GetLastSklad(id));
        dm_->inside().ibdAE.connect();
        QCOMPARE(dm_->GetOnStock(id), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestFigures)
#include "tst_figures.moc"
