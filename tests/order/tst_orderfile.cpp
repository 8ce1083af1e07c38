#include "order/OrderFile.h"
#include "platform/Cp1251.h"

#include <QFile>
#include <QtTest>

#include <limits>

using namespace order;

namespace {

QByteArray cp(const QString& text) { return platform::toCp1251(text); }

const QString header = QStringLiteral("Код\tНаименование\tНомер\tО.Е.\tНа складе\tMIN остаток\tЗаказать\tСтоимость\tСумма\r\n");

OrderLine line(int id, const QString& name)
{
    OrderLine l;
    l.id = id;
    l.name = name;
    return l;
}

bool sameLine(const OrderLine& a, const OrderLine& b)
{
    return a.id == b.id && a.name == b.name && a.manufactureCode == b.manufactureCode && a.number == b.number
        && a.onStock == b.onStock && a.minStock == b.minStock && a.toOrder == b.toOrder && a.cost == b.cost;
}

} // namespace

class TestOrderFile : public QObject {
    Q_OBJECT

private slots:
    void sumCostRoundsHalvesToEven()
    {
        const struct {
            std::optional<double> cost, toOrder;
            double sum;
        } cases[] = {{12.345, 3, 37}, {0.5, 1, 0}, {3.5, 1, 4}, {-0.5, 5, -2}, {std::nullopt, 5, 0}, {7, std::nullopt, 0}};
        for (const auto& c : cases) {
            OrderLine l;
            l.cost = c.cost;
            l.toOrder = c.toOrder;
            QCOMPARE(sumCost(l), c.sum);
        }
    }

    void exportsTheExampleByteForByte()
    {
        OrderLine l = line(1234, QStringLiteral("Фильтр 50%"));
        l.manufactureCode = QStringLiteral("A-100/2");
        l.onStock = -2;
        l.minStock = 3;
        l.toOrder = 5;
        l.cost = 12.3456;
        QFile expected(QStringLiteral(ORVADO_SOURCE_DIR "/tests/order/data/example_order.csv"));
        QVERIFY2(expected.open(QIODevice::ReadOnly), qPrintable(expected.fileName()));
        QCOMPARE(exportOrder({l}), expected.readAll());
        QCOMPARE(exportOrder({}), cp(header));
    }

    void exportEscapesTextAndWritesGeneralNumbers()
    {
        OrderLine l = line(-7, QStringLiteral("a%b\rc\nd") + QChar(0) + QStringLiteral("e\tf\"g"));
        l.number = QString(); // an empty text writes as nothing, like a missing one
        l.onStock = 1.5e-6;
        l.minStock = 0.5;
        l.toOrder = 1.0 / 3;
        l.cost = 1e15;
        QCOMPARE(exportOrder({l, OrderLine{}}).mid(cp(header).size()),
                 QByteArray("-7\ta%%b%cc%nd%0e\tf\"g\t\t\t1.5E-6\t0.5\t0.333333333333333\t1E15\t333333333333333\r\n"
                            "\t\t\t\t\t\t\t\t0\r\n"));
    }

    void readsBackWhatItWrites()
    {
        OrderLine a = line(1234, QStringLiteral("Фильтр 50%\r\nмасляный"));
        a.manufactureCode = QStringLiteral("A-100/2");
        a.number = QStringLiteral("%c%n%");
        a.onStock = -2;
        a.minStock = 3;
        a.toOrder = 1.0 / 3;
        a.cost = 12.3456;
        OrderLine b = line(-5, QStringLiteral("x"));
        b.cost = 1e-7;
        const ImportResult result = importOrder(exportOrder({a, b}));
        QCOMPARE(result.error, QString());
        QCOMPARE(result.rows.size(), size_t(2));
        a.toOrder = 0.333333333333333; // 15 significant digits survive
        QVERIFY(sameLine(result.rows[0], a));
        QVERIFY(sameLine(result.rows[1], b));
    }

    void readsBackTheLargestNumbers()
    {
        // Rounded up to 15 digits, the largest double would pass itself and
        // the file would refuse its own value.
        OrderLine l = line(1, QStringLiteral("N"));
        l.onStock = std::numeric_limits<double>::max();
        l.cost = -std::numeric_limits<double>::max();
        const ImportResult result = importOrder(exportOrder({l}));
        QCOMPARE(result.error, QString());
        QCOMPARE(result.rows.size(), size_t(1));
        QVERIFY(result.rows[0].onStock == 1.79769313486231e308);
        QVERIFY(result.rows[0].cost == -1.79769313486231e308);
    }

    void matchesColumnsByLabel()
    {
        // Latin letters in any case match, Cyrillic ones only exactly; the sum
        // column, unknown columns and values beyond the header are ignored.
        const ImportResult result =
            importOrder(cp(QStringLiteral("Extra\tСтоимость\tmin остаток\tmin ОСТАТОК\tСумма\tНаименование\tКод\r\n"
                                          "zz\t10\t4\t1\t999\tВал\t17\textra value\r\n")));
        QCOMPARE(result.error, QString());
        QCOMPARE(result.rows.size(), size_t(1));
        const OrderLine& r = result.rows[0];
        QCOMPARE(r.id, std::optional(17));
        QCOMPARE(r.name, QStringLiteral("Вал"));
        QCOMPARE(r.cost, std::optional(10.0));
        QCOMPARE(r.minStock, std::optional(4.0));
        QVERIFY(!r.toOrder && !r.onStock && !r.manufactureCode);
    }

    void splitsLinesAnywayAndSkipsDefinitionBlocks()
    {
        const QByteArray bytes = cp(QStringLiteral("@@FILE VERSION@@\t3\n"
                                                   "@@TABLEDEF START@@\nКод=Integer\n"
                                                   "@@INDEXDEF START@@\n@@INDEXDEF END@@\n@@TABLEDEF END@@\n"
                                                   "Код\tНаименование\n\n\r\n1\tA\r2\tB"))
            + QByteArray("\0\n3\tC\n", 7);
        const ImportResult result = importOrder(bytes);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.rows.size(), size_t(3));
        QCOMPARE(result.rows[1].name, QStringLiteral("B"));
        QCOMPARE(result.rows[2].id, std::optional(3));

        QVERIFY(importOrder(QByteArray()).rows.empty() && importOrder(QByteArray()).error.isEmpty());
        QVERIFY(importOrder(cp(header)).rows.empty() && importOrder(cp(header)).error.isEmpty());
    }

    void tabInTextShiftsTheFollowingValues()
    {
        OrderLine l = line(1, QStringLiteral("a\tb"));
        l.manufactureCode = QStringLiteral("M");
        const ImportResult result = importOrder(exportOrder({l}));
        QCOMPARE(result.rows.size(), size_t(1));
        QCOMPARE(result.rows[0].name, QStringLiteral("a"));
        QCOMPARE(result.rows[0].manufactureCode, QStringLiteral("b"));
        QCOMPARE(result.rows[0].number, QStringLiteral("M"));
        QVERIFY(!result.rows[0].onStock); // an empty value stays empty
    }

    void keepsUnknownEscapesAndCutsAfterUnescaping()
    {
        const QString name = QString(160, QLatin1Char('%')); // 80 escaped %
        const ImportResult result = importOrder(
            cp(header + QStringLiteral("1\t%1\t%x%C\t50%\r\n2\tN\t%2\r\n").arg(name, QString(30, QLatin1Char('7')))));
        QCOMPARE(result.error, QString());
        QCOMPARE(result.rows[0].name, QString(80, QLatin1Char('%')));
        QCOMPARE(result.rows[0].manufactureCode, QStringLiteral("%x%C"));
        QCOMPARE(result.rows[0].number, QStringLiteral("50%"));
        QCOMPARE(result.rows[1].manufactureCode, QString(25, QLatin1Char('7')));
    }

    void stopsAtARefusedLineKeepingTheRowsBefore_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error");
        const QString before = header + QStringLiteral("1\tA\r\n2\tB\r\n");
        QTest::newRow("decimal comma") << before + QStringLiteral("3\tC\t\t\t\t\t2,5\r\n4\tD\r\n")
                                       << QStringLiteral("'2,5' is not a valid floating point value for field 'Заказать'");
        QTest::newRow("bad id") << before + QStringLiteral("x%2\tC\r\n4\tD\r\n")
                                << QStringLiteral("'x%2' is not a valid integer value for field 'Код'");
        QTest::newRow("no id") << before + QStringLiteral("\tC\r\n") << QStringLiteral("Field 'Код' must have a value");
        QTest::newRow("no name") << before + QStringLiteral("3\r\n")
                                 << QStringLiteral("Field 'Наименование' must have a value");
        QTest::newRow("neither, id first") << before + QStringLiteral("\t\tM\r\n")
                                           << QStringLiteral("Field 'Код' must have a value");
    }
    void stopsAtARefusedLineKeepingTheRowsBefore()
    {
        QFETCH(QString, file);
        QFETCH(QString, error);
        const ImportResult result = importOrder(cp(file));
        QCOMPARE(result.error, error);
        QCOMPARE(result.rows.size(), size_t(2));
        QCOMPARE(result.rows[1].name, QStringLiteral("B"));
    }

    void refusesHeaderWithoutRequiredLabels()
    {
        QCOMPARE(importOrder(cp(QStringLiteral("код\tНаименование\r\n1\tA\r\n"))).error,
                 QStringLiteral("Field 'Код' must have a value"));
        QCOMPARE(importOrder(cp(QStringLiteral("Код\tНомер\r\n"))).error,
                 QStringLiteral("Field 'Наименование' must have a value"));
    }
};

QTEST_APPLESS_MAIN(TestOrderFile)
#include "tst_orderfile.moc"
