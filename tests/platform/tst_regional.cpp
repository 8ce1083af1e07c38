#include "platform/Regional.h"

#include <QLocale>
#include <QTest>

using namespace platform;

class TestRegional : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void russian()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const Regional r = Regional::current();
        QCOMPARE(r.decimalSeparator, QChar(u','));
        QCOMPARE(r.shortDateFormat, QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(r.longTimeFormat, QStringLiteral("HH:mm:ss"));
        QCOMPARE(r.timeSeparator, QChar(u':'));
        QVERIFY(r.amText.isEmpty() && r.pmText.isEmpty());
        QCOMPARE(formatShortDate(QDate(2024, 3, 7), r), QStringLiteral("07.03.2024"));
        QCOMPARE(formatLongTime(QTime(21, 5, 9), r), QStringLiteral("21:05:09"));
    }

    void english()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const Regional r = Regional::current();
        QCOMPARE(r.decimalSeparator, QChar(u'.'));
        QCOMPARE(r.thousandSeparator, QChar(u','));
        QCOMPARE(r.amText, QStringLiteral("AM"));
        QCOMPARE(r.pmText, QStringLiteral("PM"));
        QCOMPARE(formatLongTime(QTime(21, 5, 9), r), QStringLiteral("9:05:09 PM"));
        QCOMPARE(formatLongTime(QTime(0, 30, 0), r), QStringLiteral("12:30:00 AM"));
    }

    void longTimeUsesTheStructsMarkers_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("expected");
        QTest::newRow("upper, 12h") << "hh:mm AP" << QTime(13, 7) << "01:07 NACH";
        QTest::newRow("lower") << "h.mm ap" << QTime(9, 7) << "9.07 vorm";
        QTest::newRow("H stays 24h") << "HH:mm A" << QTime(13, 7) << "13:07 NACH";
        QTest::newRow("quoted literal, millis") << "H'h'mm 'o''clock' zzz" << QTime(8, 4, 0, 45) << "8h04 o'clock 045";
    }

    void longTimeUsesTheStructsMarkers()
    {
        QFETCH(QString, format);
        QFETCH(QTime, time);
        QFETCH(QString, expected);
        const Regional r{u'.', u',', QString(), format, u':', QStringLiteral("Vorm"), QStringLiteral("Nach")};
        QCOMPARE(formatLongTime(time, r), expected);
    }
};

QTEST_APPLESS_MAIN(TestRegional)
#include "tst_regional.moc"
