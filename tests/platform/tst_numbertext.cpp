#include "platform/NumberText.h"

#include <QTest>

#include <limits>

using namespace platform;

// QCOMPARE on doubles is fuzzy; the checks below compare exactly.
class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void general_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << 15 << "0";
        QTest::newRow("whole") << 62.0 << 15 << "62";
        QTest::newRow("negative") << -2.0 << 15 << "-2";
        QTest::newRow("decimals") << 12.3456 << 15 << "12.3456";
        QTest::newRow("price") << 19.99 << 15 << "19.99";
        QTest::newRow("third") << 1.0 / 3 << 15 << "0.333333333333333";
        QTest::newRow("sum noise") << 0.1 + 0.2 << 15 << "0.3";
        QTest::newRow("15 digits plain") << 123456789012345.0 << 15 << "123456789012345";
        QTest::newRow("1E15") << 1e15 << 15 << "1E15";
        QTest::newRow("rounds up into exponent") << 999999999999999.9 << 15 << "1E15";
        QTest::newRow("1.5E-6") << 1.5e-6 << 15 << "1.5E-6";
        QTest::newRow("0.00001 plain") << 0.00001 << 15 << "0.00001";
        QTest::newRow("precision 4 exponent") << -12345.0 << 4 << "-1.235E4";
        QTest::newRow("float widened") << double(1.1f) << 15 << "1.10000002384186";
        // Rounding up would pass the largest double: the text could not be read back.
        QTest::newRow("largest double cut") << std::numeric_limits<double>::max() << 15 << "1.79769313486231E308";
        QTest::newRow("lowest double cut") << std::numeric_limits<double>::lowest() << 4 << "-1.797E308";
        QTest::newRow("largest double, all digits") << std::numeric_limits<double>::max() << 17
                                                    << "1.7976931348623157E308";
        // An exact tie in the 17th digit rounds up, as Qt's digits have it.
        QTest::newRow("17 digits tie") << 969489247239175.625 << 17 << "969489247239175.63";
    }

    void general()
    {
        QFETCH(double, value);
        QFETCH(int, precision);
        QFETCH(QString, expected);
        QCOMPARE(formatGeneral(value, u'.', precision), expected);
        QCOMPARE(formatGeneral(value, u',', precision), QString(expected).replace(u'.', u','));
    }

    void fixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("stock") << 1234.567 << 5 << 2 << "1234,60";
        QTest::newRow("whole") << 5.0 << 5 << 2 << "5,00";
        QTest::newRow("negative") << -2.0 << 5 << 2 << "-2,00";
        QTest::newRow("eur, digits bite") << 12345.678 << 6 << 2 << "12345,70";
        QTest::newRow("eur, decimals bite") << 1234.5678 << 6 << 2 << "1234,57";
        QTest::newRow("padded") << 62.5 << 6 << 2 << "62,50";
        QTest::newRow("zero") << 0.0 << 6 << 2 << "0,00";
        QTest::newRow("half away from zero") << -0.125 << 15 << 2 << "-0,13";
        QTest::newRow("half to no decimals") << 2.5 << 15 << 0 << "3";
        QTest::newRow("no minus zero") << -0.001 << 5 << 2 << "0,00";
        QTest::newRow("carry") << 9.999 << 5 << 2 << "10,00";
        QTest::newRow("exponent form") << 123456.7 << 5 << 2 << "1,2346E+5";
        QTest::newRow("rounding pushes over") << 99999.7 << 5 << 2 << "1E+5";
    }

    void fixed()
    {
        QFETCH(double, value);
        QFETCH(int, precision);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(formatFixed(value, precision, decimals, u','), expected);
    }

    void parseDecimal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("comma") << "1,5" << true << 1.5;
        QTest::newRow("blanks") << " \t1,5 " << true << 1.5;
        QTest::newRow("negative") << "-1" << true << -1.0;
        QTest::newRow("bare separator sides") << ",5" << true << 0.5;
        QTest::newRow("trailing separator") << "+5," << true << 5.0;
        QTest::newRow("exponent") << "1,5E3" << true << 1500.0;
        QTest::newRow("underflow is zero") << "0," + QString(400, u'0') + "1" << true << 0.0;
        QTest::newRow("dot") << "1.15" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("separator only") << "," << false << 0.0;
        QTest::newRow("two separators") << "1,2,3" << false << 0.0;
        QTest::newRow("inner blank") << "1 000" << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << false << 0.0;
        QTest::newRow("overflow") << "1" + QString(400, u'0') + "e-5" << false << 0.0;
    }

    void parseDecimal()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double out = -777;
        QCOMPARE(platform::parseDecimal(text, u',', &out), ok);
        QVERIFY(out == (ok ? value : -777.0));
    }

    void generalReadsBackExactly()
    {
        for (double v : {1.1, 19.99, 1e15, 1.5e-6, -123.456, 123456789012345.0}) {
            double back = 0;
            const QString text = formatGeneral(v, u',');
            QVERIFY2(platform::parseDecimal(text, u',', &back) && back == v, qPrintable(text));
        }
    }

    void parseInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("leading blanks, sign") << "  -15" << true << -15;
        QTest::newRow("max") << "2147483647" << true << std::numeric_limits<int>::max();
        QTest::newRow("min") << "-2147483648" << true << std::numeric_limits<int>::min();
        QTest::newRow("above max") << "2147483648" << false << 0;
        QTest::newRow("below min") << "-2147483649" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("decimal") << "1,5" << false << 0;
        QTest::newRow("trailing garbage") << "12a" << false << 0;
    }

    void parseInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int out = -777;
        QCOMPARE(platform::parseInteger(text, &out), ok);
        QCOMPARE(out, ok ? value : -777);
    }

    void roundings_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("up");
        QTest::addColumn<double>("even");
        QTest::newRow("markup product") << 100 * double(1.2f) << 121 << 120.0;
        QTest::newRow("whole") << 120.0 << 120 << 120.0;
        QTest::newRow("negative half") << -1.5 << -1 << -2.0;
        QTest::newRow("2.5") << 2.5 << 3 << 2.0;
        QTest::newRow("3.5") << 3.5 << 4 << 4.0;
        QTest::newRow("0.5") << 0.5 << 1 << 0.0;
        QTest::newRow("37.035") << 37.035 << 38 << 37.0;
        QTest::newRow("saturates") << 1e12 << std::numeric_limits<int>::max() << 1e12;
    }

    void roundings()
    {
        QFETCH(double, x);
        QFETCH(int, up);
        QFETCH(double, even);
        QCOMPARE(RoundUp(x), up);
        QVERIFY(roundHalfEven(x) == even);
    }

    void singlePrecision() { QVERIFY(double(toSingle(1.1)) == 1.10000002384185791015625); }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
