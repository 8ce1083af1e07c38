#include "platform/Cp1251.h"

#include <QTest>

using namespace platform;

class TestCp1251 : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii and alphabet ends")
            << QByteArray("A-1 \xC0\xDF\xE0\xFF") << QStringLiteral(u"A-1 \u0410\u042F\u0430\u044F");
        QTest::newRow("yo, numero, euro, dash, nbsp, guillemet")
            << QByteArray("\xA8\xB8\xB9\x88\x96\xA0\xAB") << QStringLiteral(u"\u0401\u0451\u2116\u20AC\u2013\u00A0\u00AB");
        QTest::newRow("ukrainian") << QByteArray("\xA5\xB4\xAA\xBA\xB2\xB3\xAF\xBF")
                                   << QStringLiteral(u"\u0490\u0491\u0404\u0454\u0406\u0456\u0407\u0457");
        QTest::newRow("undefined 0x98") << QByteArray("a\x98z") << QStringLiteral(u"a\uFFFDz");
        QTest::newRow("embedded nul") << QByteArray("a\0b", 3) << QString(reinterpret_cast<const QChar*>(u"a\0b"), 3);
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(fromCp1251(bytes), text);
        QCOMPARE(fromCp1251(bytes.constData(), bytes.size()), text);
    }

    void everyDefinedByteRoundTrips()
    {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            if (b != 0x98)
                all += char(b);
        const QString text = fromCp1251(all);
        QVERIFY(!text.contains(QChar(0xFFFD)));
        bool ok = false;
        QCOMPARE(toCp1251(text, &ok), all);
        QVERIFY(ok);
        QCOMPARE(fromCp1251("\xCF\xF0\xE8", -1), QStringLiteral(u"При"));
    }

    void unmappableBecomesQuestionMark_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("latin accent") << QStringLiteral(u"caf\u00E9\u0410") << QByteArray("caf?\xC0");
        QTest::newRow("surrogate pair is one char") << QStringLiteral(u"x\U0001F600y") << QByteArray("x?y");
    }

    void unmappableBecomesQuestionMark()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        bool ok = true;
        QCOMPARE(toCp1251(text, &ok), bytes);
        QVERIFY(!ok);
    }
};

QTEST_APPLESS_MAIN(TestCp1251)
#include "tst_cp1251.moc"
