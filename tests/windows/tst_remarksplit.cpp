#include "windows/RemarkSplit.h"

#include <QtTest>

class TestRemarkSplit : public QObject {
    Q_OBJECT

private slots:
    void splitsAtEveryLineEnd_data()
    {
        QTest::addColumn<QString>("remark");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("one line") << QStringLiteral("123-456") << QStringList{"123-456"};
        QTest::newRow("crlf") << QStringLiteral("A1\r\nB2\r\nC3") << QStringList{"A1", "B2", "C3"};
        QTest::newRow("lone lf") << QStringLiteral("A1\nB2\nC3") << QStringList{"A1", "B2", "C3"};
        QTest::newRow("lone cr") << QStringLiteral("A1\rB2\rC3") << QStringList{"A1", "B2", "C3"};
        QTest::newRow("end at end adds nothing") << QStringLiteral("A1\r\nB2\r\n") << QStringList{"A1", "B2"};
        QTest::newRow("lf cr is two ends") << QStringLiteral("A1\n\rB2") << QStringList{"A1", "", "B2"};
        QTest::newRow("empty middle line") << QStringLiteral("A1\r\n\r\nB2") << QStringList{"A1", "", "B2"};
        QTest::newRow("two ends at end") << QStringLiteral("A1\n\n") << QStringList{"A1", ""};
        QTest::newRow("only a line end") << QStringLiteral("\r\n") << QStringList{""};
        QTest::newRow("nothing trimmed") << QStringLiteral(" 0986 452 008  замена с 2010\t\r\n  ")
                                         << QStringList{" 0986 452 008  замена с 2010\t", "  "};
    }
    void splitsAtEveryLineEnd()
    {
        QFETCH(QString, remark);
        QFETCH(QStringList, entries);
        QCOMPARE(windows::splitRemark(remark), entries);
    }
};

QTEST_APPLESS_MAIN(TestRemarkSplit)
#include "tst_remarksplit.moc"
