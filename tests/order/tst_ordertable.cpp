#include "order/OrderModel.h"
#include "order/OrderRules.h"
#include "order/OrderTable.h"
#include "platform/Failure.h"

#include <QtTest>

using namespace order;

namespace {

OrderLine line(int id, const QString& name, std::optional<double> toOrder = {}, std::optional<double> cost = {})
{
    OrderLine l;
    l.id = id;
    l.name = name;
    l.toOrder = toOrder;
    l.cost = cost;
    return l;
}

QString refusalOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const platform::Failure& e) {
        return e.text();
    }
    return {};
}

} // namespace

class TestOrderTable : public QObject {
    Q_OBJECT

private slots:
    void candidateLineTakesTheShortfall()
    {
        Candidate c;
        c.id = 7;
        c.name = QString(90, QLatin1Char('N'));
        c.manufactureCode = QStringLiteral("123456789012345678901234567890");
        c.number = QString(); // missing in the database: stored as empty text
        c.minStock = 5;
        QVERIFY(!needsOrder(5, 5));
        QVERIFY(needsOrder(4.5, 5));
        const OrderLine l = candidateLine(c, 4.5, 12.5);
        QCOMPARE(l.toOrder, std::optional(0.5));
        QCOMPARE(l.onStock, std::optional(4.5));
        QCOMPARE(l.cost, std::optional(12.5));
        QCOMPARE(l.name->size(), 80);
        QCOMPARE(*l.manufactureCode, QStringLiteral("1234567890123456789012345"));
        QVERIFY(l.number && l.number->isEmpty());
        QVERIFY(missingFieldMessage(l).isEmpty());

        c.minStock = 3;
        QCOMPARE(candidateLine(c, -2, 0).toOrder, std::optional(5.0));
    }

    void euroTotalText_data()
    {
        QTest::addColumn<double>("total");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("2500 at 40") << 2500.0 << 40.0 << QStringLiteral("62,50");
        QTest::newRow("zero") << 0.0 << 40.0 << QStringLiteral("0,00");
        QTest::newRow("six digits first") << 12345.678 << 1.0 << QStringLiteral("12345,70");
        QTest::newRow("then two decimals") << 1234.5678 << 1.0 << QStringLiteral("1234,57");
        QTest::newRow("negative") << -100.0 << 8.0 << QStringLiteral("-12,50");
        QTest::newRow("no rate yet") << 2500.0 << 0.0 << QString();
    }
    void euroTotalText()
    {
        QFETCH(double, total);
        QFETCH(double, rate);
        QFETCH(QString, text);
        QCOMPARE(order::euroTotalText(total, rate, QLatin1Char(',')), text);
    }

    void euroTotalBeyondSixDigitsIsExponent()
    {
        const QString t = order::euroTotalText(123456789, 1, QLatin1Char('.'));
        QVERIFY2(t.contains(QLatin1Char('E')), qPrintable(t));
        QCOMPARE(order::euroTotalText(2500, 40, QLatin1Char('.')), QStringLiteral("62.50"));
    }

    void cellTextsDisplayAndPlain()
    {
        OrderLine l = line(1234, QStringLiteral("Фильтр"), 3, 12.3456);
        l.minStock = 2.5;
        const QChar comma(QLatin1Char(','));
        QCOMPARE(displayText(l, OrderField::Cost, comma), QStringLiteral("12,35"));
        QCOMPARE(plainText(l, OrderField::Cost, comma), QStringLiteral("12,3456"));
        QCOMPARE(displayText(l, OrderField::MINSTOCK, comma), QStringLiteral("2,5"));
        QCOMPARE(displayText(l, OrderField::SumCost, comma), QStringLiteral("37,00"));
        QCOMPARE(plainText(l, OrderField::SumCost, comma), QStringLiteral("37"));
        QCOMPARE(displayText(l, OrderField::OnStock, comma), QString());
        QCOMPARE(plainText(l, OrderField::NUMBER, comma), QString());
        QCOMPARE(plainText(l, OrderField::ID, comma), QStringLiteral("1234"));
    }

    void typedTextIsConvertedOrRefused()
    {
        OrderLine l = line(1, QStringLiteral("A"), 2);
        const QChar comma(QLatin1Char(','));
        QCOMPARE(setFieldText(l, OrderField::ToOrder, QStringLiteral("2,5"), comma), QString());
        QCOMPARE(l.toOrder, std::optional(2.5));
        QCOMPARE(setFieldText(l, OrderField::ToOrder, QStringLiteral("2.5"), comma),
                 QStringLiteral("'2.5' is not a valid floating point value for field 'Заказать'"));
        QCOMPARE(l.toOrder, std::optional(2.5)); // a refused text changes nothing
        QCOMPARE(setFieldText(l, OrderField::ID, QStringLiteral("12a"), comma),
                 QStringLiteral("'12a' is not a valid integer value for field 'Код'"));
        QCOMPARE(setFieldText(l, OrderField::MANUFACTURECODE, QString(30, QLatin1Char('x')), comma), QString());
        QCOMPARE(l.manufactureCode->size(), 25);
        // A character Windows-1251 lacks is replaced as it is typed.
        QCOMPARE(setFieldText(l, OrderField::NUMBER, QStringLiteral("A€☃"), comma), QString());
        QCOMPARE(*l.number, QStringLiteral("A€?"));
        // Cleared cells are missing values; ID and NAME are then refused.
        QCOMPARE(setFieldText(l, OrderField::NAME, QString(), comma), QString());
        QCOMPARE(missingFieldMessage(l), QStringLiteral("Field 'Наименование' must have a value"));
        setFieldText(l, OrderField::ID, QString(), comma);
        QCOMPARE(missingFieldMessage(l), QStringLiteral("Field 'Код' must have a value"));
    }

    void leaveNullKeepsWhatRoundsToZero()
    {
        const std::optional<double> stock[] = {0, 0.4, 0.5, 0.6, 1.5, -0.5, -2, std::nullopt};
        const bool kept[] = {true, true, true, false, false, true, false, true};
        for (size_t i = 0; i < std::size(stock); ++i) {
            OrderLine l;
            l.onStock = stock[i];
            QVERIFY2(keptByLeaveNull(l) == kept[i], qPrintable(QString::number(i)));
        }
    }

    void proposedExportName()
    {
        QCOMPARE(order::proposedExportName(std::nullopt, QStringLiteral("ignored")), QStringLiteral("Полный заказ.csv"));
        QCOMPARE(order::proposedExportName(QStringLiteral("A"), QStringLiteral("Склад А")), QStringLiteral("Склад А.csv"));
        QCOMPARE(order::proposedExportName(QStringLiteral("A"), QStringLiteral("Цех 1/2")), QStringLiteral("Цех 1_2.csv"));
    }

    void tableTotalFollowsEveryStoredRow()
    {
        OrderTable t;
        QVERIFY(!refusalOf([&] { t.append(line(1, QStringLiteral("A"))); }).isEmpty()); // closed
        t.open();
        t.append(line(1, QStringLiteral("A"), 3, 12.345)); // 37
        t.append(line(2, QStringLiteral("B"), 1, 0.5));    // 0
        t.append(line(3, QString(QLatin1String("")), 2, 10)); // "" is a value: 20
        QCOMPARE(t.total(), 57.0);
        OrderLine noName = line(4, QString());
        noName.name.reset();
        QCOMPARE(refusalOf([&] { t.append(noName); }), QStringLiteral("Field 'Наименование' must have a value"));
        OrderLine noId = line(0, QStringLiteral("X"));
        noId.id.reset();
        QCOMPARE(refusalOf([&] { t.append(noId); }), QStringLiteral("Field 'Код' must have a value"));
        QCOMPARE(t.count(), 3);

        t.replace(2, line(3, QStringLiteral("C"), 3, 10));
        QCOMPARE(t.total(), 67.0);
        t.remove(0);
        QCOMPARE(t.total(), 30.0);
        QCOMPARE(t.row(0).id, std::optional(2));
        t.append(line(5, QStringLiteral("N"), 1, 1000));
        QCOMPARE(t.removeIf([](const OrderLine& l) { return l.cost == 1000.0; }), 1);
        QCOMPARE(t.total(), 30.0);
        t.clear();
        QCOMPARE(t.total(), 0.0);
        QCOMPARE(t.count(), 0);
    }

    void modelStoresAnEditWhenTheRowIsPosted()
    {
        OrderTable t;
        t.open();
        t.append(line(1, QStringLiteral("A"), 2, 10));
        t.append(line(2, QStringLiteral("B"), 1, 5));
        OrderModel m(t);
        m.setDecimalSeparator(QLatin1Char(','));
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(m.data(m.index(0, 8), Qt::DisplayRole).toString(), QStringLiteral("20,00"));
        QVERIFY(!(m.flags(m.index(0, 8)) & Qt::ItemIsEditable));
        QVERIFY(m.flags(m.index(0, 6)) & Qt::ItemIsEditable);

        // The spin button: the row shows 3 at once, the total waits for the post.
        QCOMPARE(m.stepToOrder(0, 1), QString());
        QCOMPARE(m.data(m.index(0, 6), Qt::DisplayRole).toString(), QStringLiteral("3,00"));
        QCOMPARE(m.data(m.index(0, 8), Qt::DisplayRole).toString(), QStringLiteral("30,00"));
        QCOMPARE(t.total(), 25.0);
        QCOMPARE(m.post(), QString());
        QCOMPARE(t.total(), 35.0);

        // A row whose NAME was cleared cannot be left; cancel brings it back.
        QCOMPARE(m.setCellText(1, 1, QString()), QString());
        QCOMPARE(m.setCellText(0, 6, QStringLiteral("4")), QStringLiteral("Field 'Наименование' must have a value"));
        QCOMPARE(m.editRow(), 1);
        QCOMPARE(t.row(0).toOrder, std::optional(3.0));
        m.cancel();
        QCOMPARE(m.data(m.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("B"));

        QCOMPARE(m.setCellText(0, 7, QStringLiteral("x")),
                 QStringLiteral("'x' is not a valid floating point value for field 'Стоимость'"));
        QVERIFY(!m.setData(m.index(0, 0), QStringLiteral("1,5")));

        // Removing a row ends the edit of that row and shifts a later one.
        QCOMPARE(m.setCellText(1, 6, QStringLiteral("2")), QString());
        t.remove(0);
        QCOMPARE(m.editRow(), 0);
        t.remove(0);
        QVERIFY(!m.isEditing());
        QCOMPARE(t.total(), 0.0);
    }
};

QTEST_APPLESS_MAIN(TestOrderTable)
#include "tst_ordertable.moc"
