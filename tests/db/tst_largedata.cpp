// The benchmark set must have the shape the figures rely on: one part in
// twenty under replenishment, makers' numbers that find one part each,
// cross groups sharing an OE number, replacement numbers taken from the
// part's own group, five years of lines over three warehouses.

#include "db/LargeData.h"
#include "tests/support/TestDatabases.h"

#include <QHash>
#include <QSet>
#include <QTest>

using namespace testdb;

class TestLargeData : public QObject {
    Q_OBJECT

    static QStringList texts(TestDatabases& t, const QString& select)
    {
        QStringList out;
        for (const fb::Value& v : t.column(Db::Enterprise, select))
            out << (fb::isNull(v) ? QString() : std::get<QString>(v));
        return out;
    }

    static int count(TestDatabases& t, const QString& select)
    {
        return std::get<qint32>(t.column(Db::Enterprise, select).at(0));
    }

private slots:
    void shape()
    {
        TestDatabases t;
        db::fillLarge(t.enterprisePath(), 2000, 6000, 7);

        // Exactly 5 %, one in each run of twenty IDs.
        QCOMPARE(count(t, "SELECT COUNT(*) FROM PART WHERE MINSTOCK > 0"), 100);
        QCOMPARE(count(t, "SELECT COUNT(DISTINCT FLOOR((ID - 1) / 20.0)) FROM PART WHERE MINSTOCK > 0"), 100);

        // Unique makers' numbers in the makers' forms, not a counter.
        const QStringList codes = texts(t, "SELECT MANUFACTURECODE FROM PART ORDER BY ID");
        QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), 2000);
        QVERIFY(!codes.contains(QString()));
        QVERIFY(codes.filter(QStringLiteral("0 986 ")).size() > 10);
        QVERIFY(codes.filter(QStringLiteral("/")).size() > 100);

        // Makers' numbers that do not follow the order the parts are stored
        // in (here the order of their IDs), as in a database grown over years:
        // in maker's-number order about half the neighbours ascend.
        const auto stored = t.column(Db::Enterprise, "SELECT ID FROM PART ORDER BY MANUFACTURECODE");
        int ascending = 0;
        for (size_t i = 1; i < stored.size(); ++i)
            ascending += std::get<qint32>(stored[i]) > std::get<qint32>(stored[i - 1]);
        QVERIFY2(ascending > 800 && ascending < 1200, qPrintable(QString::number(ascending)));

        // OE numbers shared by groups of one to four neighbours.
        const QStringList oes = texts(t, "SELECT NUMBER FROM PART ORDER BY ID");
        QHash<QString, int> groupSize;
        for (const QString& oe : oes)
            ++groupSize[oe];
        int shared = 0;
        for (int n : groupSize) {
            QVERIFY(n >= 1 && n <= 4);
            shared += n > 1;
        }
        QVERIFY(shared > 300);

        // Every replacement number in a remark is another part of the same group.
        const QStringList remarks = texts(t, "SELECT REMARK FROM PART ORDER BY ID");
        int withRemark = 0;
        for (int i = 0; i < remarks.size(); ++i) {
            if (remarks[i].isEmpty())
                continue;
            ++withRemark;
            for (const QString& number : remarks[i].split(QStringLiteral("\r\n"))) {
                const qsizetype j = codes.indexOf(number);
                QVERIFY2(j >= 0 && j < i && oes[j] == oes[i], qPrintable(number));
            }
        }
        QVERIFY(withRemark > 300 && withRemark < 1000);

        // Five years, three warehouses, every direction.
        QCOMPARE(count(t, "SELECT COUNT(DISTINCT SKLAD) FROM DOCPARTS"), 3);
        QCOMPARE(count(t, "SELECT COUNT(DISTINCT DIRECTION) FROM DOCPARTS"), 3);
        QCOMPARE(count(t, "SELECT COUNT(DISTINCT EXTRACT(YEAR FROM DATEIN)) FROM DOCPARTS"), 5);
    }
};

QTEST_GUILESS_MAIN(TestLargeData)
#include "tst_largedata.moc"
