// The lookup statements and the per-part statements are sent in a form that
// the engine cannot answer by walking an index over the whole table. They
// must return exactly the rows, in exactly the order, that the plain texts
// return: compared here row by row against those texts on the same database,
// with duplicate keys, NULLs, trailing blanks, letter case, deleted rows,
// reused record slots and records spread over many pages, and with the plans
// the engine reports for both.

#include "data/TdmMain.h"
#include "tests/support/TestDatabases.h"

#include <QTest>

#include <memory>

using namespace testdb;

namespace {

using Rows = QList<QStringList>;

// The plain texts: what the program would send without the second sort key,
// the prefix condition and "+ 0".
const QStringList kPartIdText = {"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART",
                                 "where (MANUFACTURECODE like :Num)", "or (NUMBER like :Num)",
                                 "or (REMARK like :Num)", "ORDER BY MANUFACTURECODE"};
const QStringList kCrossText = {"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART",
                                "where (ID = :IDCODE) or (NUMBER like :PartOE)", "ORDER BY MANUFACTURECODE"};
const QStringList kMovementsText = {"select * from DOCPARTS, DOCHEADER",
                                    "WHERE (IDPART = :IDParam) AND (DOCPARTS.IDDOCHEAD =  DOCHEADER.ID)",
                                    "ORDER BY DOCPARTS.DATEIN"};
const QStringList kLastPriceText = {"select PRICE from docparts",
                                    "where datein = (select max(datein) from docparts",
                                    "where idpart = :Parm1 and direction = 1) and idpart = :Parm2"};
const QStringList kLastSkladText = {"select SKLAD from DOCPARTS",
                                    "WHERE IDPART = :ID AND (DATEIN = (SELECT MAX(DATEIN) FROM DOCPARTS",
                                    "WHERE IDPART = :ID))", "ORDER BY DATEIN"};

const char* const kWalk = "PLAN (PART ORDER PART_IDX_MANUFACTURECODE)";
const char* const kScanAndSort = "PLAN SORT (PART NATURAL)";

// A plain text on the same connection and with the same declared columns as
// the program's statement.
std::unique_ptr<fb::Query> plainOf(fb::Query& program, const QStringList& text)
{
    return std::make_unique<fb::Query>(program.database(), program.name() + QStringLiteral("Plain"), text,
                                       program.columns());
}

// Every declared column of every row, in the order delivered.
Rows rows(fb::Query& q)
{
    Rows out;
    for (int r = 0; r < q.recordCount(); ++r) {
        QStringList row;
        for (int c = 0; c < static_cast<int>(q.columns().size()); ++c)
            row << q.fieldAt(r, c).asString();
        out << row;
    }
    return out;
}

Rows run(fb::Query& q, const std::vector<std::pair<QString, fb::Value>>& params)
{
    q.close();
    for (const auto& [name, value] : params)
        q.setParam(name, value);
    q.open();
    return rows(q);
}

QString firstDifference(const Rows& a, const Rows& b)
{
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return QStringLiteral("row %1: %2 | %3").arg(i).arg(a[i].mid(0, 3).join('/'), b[i].mid(0, 3).join('/'));
    return QStringLiteral("%1 rows against %2").arg(a.size()).arg(b.size());
}

#define COMPARE_ROWS(program, plain)                                                                         \
    do {                                                                                                     \
        const Rows p_ = (program), q_ = (plain);                                                             \
        QVERIFY2(p_ == q_, qPrintable(firstDifference(p_, q_)));                                             \
    } while (false)

// Makers' numbers from a small set, so every one recurs dozens of times: equal
// ones, equal but for trailing blanks, for letter case, NULL, empty, blank,
// Cyrillic, and LIKE's wildcards inside a number. OE numbers likewise. The
// remark of 650 characters that do not compress puts about ten parts on a
// data page.
QString partsBlock(int from, int to)
{
    return QStringLiteral(
               "EXECUTE BLOCK AS DECLARE I INTEGER = %1; BEGIN WHILE (I <= %2) DO BEGIN "
               "INSERT INTO PART (ID, MANUFACTURECODE, NUMBER, NAME, REMARK) VALUES (:I, "
               "DECODE(MOD(:I * 7919, 17), 0, 'W 712/73', 1, 'W 712/73 ', 2, 'w 712/73', 3, 'ABC', 4, 'abc', "
               "5, 'АБВ', 6, 'абв', 7, 'Ё', 8, 'Е', 9, NULL, 10, '', 11, ' ', 12, 'A1', 13, 'A-1', 14, 'A_1', "
               "15, 'A%1', 'W 712/7'), "
               "DECODE(MOD(:I, 7), 0, '21%', 1, '7701_123', 2, NULL, 3, '', 4, '7701 123', 5, '7701X123', "
               "'21 42'), "
               "'Деталь ' || :I, "
               "IIF(MOD(:I, 5) = 0, 'W 712/73' || ASCII_CHAR(13) || ASCII_CHAR(10), '') || "
               "REPLACE(LPAD('', 65, '#'), '#', 'qwertyuiop')); "
               "I = I + 1; END END")
        .arg(from)
        .arg(to);
}

// Ends the writing transaction, so that nothing pins the deleted records, and
// scans the table, which collects them: their slots become free.
void collectGarbage(TestDatabases& t, const char* table)
{
    t.disconnectAll();
    t.column(Db::Enterprise, QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)));
    t.disconnectAll();
}

// 600 parts; a third deleted and their space collected; 200 more, which
// fill the freed slots; some makers' numbers changed afterwards, so the
// index also holds keys that no longer match their records. Returns how many
// of the 200 took a slot before the last of the 600.
int fillParts(TestDatabases& t)
{
    t.exec(Db::Enterprise, partsBlock(1, 600));
    t.exec(Db::Enterprise, "DELETE FROM PART WHERE MOD(ID, 3) = 0");
    collectGarbage(t, "PART");
    t.exec(Db::Enterprise, partsBlock(601, 800));
    t.exec(Db::Enterprise, "UPDATE PART SET MANUFACTURECODE = 'ABC' WHERE MOD(ID, 11) = 0");
    const auto reused = t.column(Db::Enterprise,
                                 "SELECT COUNT(*) FROM PART a WHERE a.ID > 600 AND REVERSE(a.RDB$DB_KEY) < "
                                 "(SELECT MAX(REVERSE(b.RDB$DB_KEY)) FROM PART b WHERE b.ID <= 600)");
    return std::get<qint32>(reused.at(0));
}

const QStringList kPatterns = {"%",     "%W 712/73%", "%w%",    "%ABC%", "%А%",  "%A_1%",
                               "%1%",   "%qwe%",        "%Ё%",    "% %",   "%21%", "%нет такого%"};

} // namespace

class TestStatementPlans : public QObject {
    Q_OBJECT

private slots:
    void partListAsTheIndexWalkDelivers_data()
    {
        QTest::addColumn<QStringList>("schema");
        QTest::newRow("WIN1251") << QStringList();
        // A collation under which "ABC" and "abc" are one key: the walk
        // delivers them mixed, in record order.
        QTest::newRow("UNICODE_CI") << QStringList(
            {"DROP INDEX PART_IDX_MANUFACTURECODE", "ALTER TABLE PART DROP MANUFACTURECODE",
             "ALTER TABLE PART ADD MANUFACTURECODE VARCHAR(50) CHARACTER SET UTF8 COLLATE UNICODE_CI",
             "CREATE INDEX PART_IDX_MANUFACTURECODE ON PART (MANUFACTURECODE)"});
    }

    // The plain part list walks PART_IDX_MANUFACTURECODE; the program's scans
    // and sorts, and delivers the very same rows in the very same order.
    void partListAsTheIndexWalkDelivers()
    {
        QFETCH(QStringList, schema);
        TestDatabases t;
        for (const QString& sql : schema)
            t.exec(Db::Enterprise, sql);
        // Newer parts sit in older slots: record order is not insertion order.
        QVERIFY(fillParts(t) > 50);
        data::TdmMain& dm = t.dm();
        auto plain = plainOf(dm.inside().ibqGetPartID, kPartIdText);
        QCOMPARE(plain->plan(), QString::fromLatin1(kWalk));
        QCOMPARE(dm.inside().ibqGetPartID.plan(), QString::fromLatin1(kScanAndSort));
        for (const QString& pattern : kPatterns)
            COMPARE_ROWS(run(dm.inside().ibqGetPartID, {{"Num", pattern}}), run(*plain, {{"Num", pattern}}));
        if (!schema.isEmpty()) {
            const Rows abc = run(dm.inside().ibqGetPrices, {{"Num", "abc"}});
            QVERIFY(std::any_of(abc.begin(), abc.end(), [](const QStringList& row) { return row[3] == "ABC"; }));
        }
    }

    // Without the index the plain text sorts too, and its ties come in the
    // sort's own order; the program's order stays that of the walk.
    void partListOrderDoesNotDependOnTheIndex()
    {
        TestDatabases t;
        // Newer parts sit in older slots: record order is not insertion order.
        QVERIFY(fillParts(t) > 50);
        data::TdmMain& dm = t.dm();
        auto plain = plainOf(dm.inside().ibqGetPartID, kPartIdText);
        QList<Rows> walked;
        for (const QString& pattern : kPatterns)
            walked << run(*plain, {{"Num", pattern}});

        dm.inside().ibdAE.disconnect(); // the statements let go of the index, and are prepared again
        t.exec(Db::Enterprise, "DROP INDEX PART_IDX_MANUFACTURECODE");
        dm.inside().ibdAE.connect();
        QCOMPARE(plain->plan(), QString::fromLatin1(kScanAndSort));
        QCOMPARE(dm.inside().ibqGetPartID.plan(), QString::fromLatin1(kScanAndSort));
        for (qsizetype i = 0; i < kPatterns.size(); ++i)
            COMPARE_ROWS(run(dm.inside().ibqGetPartID, {{"Num", kPatterns[i]}}), walked[i]);
    }

    // The cross list: the same rows and order for OE numbers with and without
    // wildcards, a leading wildcard, none (NULL) and one that matches
    // nothing; with an index on NUMBER the program's statement uses it.
    void crossListWithAndWithoutAnIndexOnNumber()
    {
        TestDatabases t;
        // Newer parts sit in older slots: record order is not insertion order.
        QVERIFY(fillParts(t) > 50);
        data::TdmMain& dm = t.dm();
        auto plain = plainOf(dm.inside().ibqGetCrossNums, kCrossText);
        const std::vector<std::pair<qint32, fb::Value>> cases = {
            {7, QStringLiteral("21%")},      {8, QStringLiteral("7701_123")}, {12, QStringLiteral("7701 123")},
            {1, QStringLiteral("21 42")},    {2, QStringLiteral("%123")},     {4, QStringLiteral("_701%")},
            {5, QStringLiteral("7701%1_3")}, {9, fb::Value{}},                {10, QStringLiteral("")},
            {3, QStringLiteral("нет")},      {999, QStringLiteral("21%")},    {13, QString(50, QLatin1Char('7'))}};
        auto compareAll = [&] {
            for (const auto& [id, oe] : cases) {
                const Rows expected = run(*plain, {{"IDCODE", id}, {"PartOE", oe}});
                COMPARE_ROWS(run(dm.inside().ibqGetCrossNums, {{"IDCODE", id}, {"PartOE", oe}}), expected);
            }
        };
        QCOMPARE(plain->plan(), QString::fromLatin1(kWalk));
        QCOMPARE(dm.inside().ibqGetCrossNums.plan(), QString::fromLatin1(kScanAndSort));
        compareAll();
        QVERIFY(run(dm.inside().ibqGetCrossNums, {{"IDCODE", 7}, {"PartOE", QStringLiteral("21%")}}).size() > 100);

        dm.inside().ibdAE.disconnect();
        t.exec(Db::Enterprise, "CREATE INDEX PART_IDX_NUMBER ON PART (NUMBER)");
        dm.inside().ibdAE.connect();
        // LIKE with a parameter uses no index: the plain text still walks.
        QCOMPARE(plain->plan(), QString::fromLatin1(kWalk));
        QCOMPARE(dm.inside().ibqGetCrossNums.plan(), QStringLiteral("PLAN SORT (PART INDEX (PK_PART, PART_IDX_NUMBER))"));
        compareAll();
    }

    // Document lines with one date shared by many lines, deleted and reused
    // slots, and the indexes a real accounting database may have on DATEIN:
    // the movements, the last purchase price and the last warehouse give the
    // plain texts' rows in their order without walking those indexes.
    void perPartStatementsWithIndexesOnDate()
    {
        TestDatabases t;
        const QDateTime day(QDate(2024, 3, 1), QTime(10, 0));
        for (int p = 1; p <= 4; ++p)
            t.addPart({.id = p, .manufactureCode = QStringLiteral("P-%1").arg(p)});
        // Part 1: many lines; part 2: lines but no income; part 3: one
        // income long ago; part 4: none.
        t.exec(Db::Enterprise,
               "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 400) DO BEGIN "
               "INSERT INTO DOCHEADER (ID, NUMBER, DATEIN) VALUES (:I, :I, '2024-03-01'); "
               "INSERT INTO DOCPARTS (ID, IDDOCHEAD, IDPART, SKLAD, DATEIN, COUNTS, DIRECTION, RESERVE, PRICE, "
               "INDEXNAME) VALUES (:I, :I, IIF(MOD(:I, 9) = 0, 2, 1), DECODE(MOD(:I, 3), 0, 'A', 1, 'B', 'C'), "
               "DATEADD(MOD(:I * 37, 5) DAY TO TIMESTAMP '2024-01-01 09:00'), 1, IIF(MOD(:I, 9) = 0, -1, "
               "DECODE(MOD(:I, 4), 0, -1, 1)), 0, :I, LPAD('', 20, 'z')); I = I + 1; END END");
        t.exec(Db::Enterprise, "DELETE FROM DOCPARTS WHERE MOD(ID, 4) = 1");
        collectGarbage(t, "DOCPARTS");
        t.exec(Db::Enterprise,
               "EXECUTE BLOCK AS DECLARE I INTEGER = 401; BEGIN WHILE (I <= 520) DO BEGIN "
               "INSERT INTO DOCPARTS (ID, IDDOCHEAD, IDPART, SKLAD, DATEIN, COUNTS, DIRECTION, RESERVE, PRICE) "
               "VALUES (:I, MOD(:I, 400) + 1, 1, DECODE(MOD(:I, 3), 0, 'A', 1, 'B', 'C'), "
               "DATEADD(MOD(:I * 37, 5) DAY TO TIMESTAMP '2024-01-01 09:00'), 2, 1, 0, :I); I = I + 1; END END");
        QVERIFY(std::get<qint32>(t.column(Db::Enterprise,
                                          "SELECT COUNT(*) FROM DOCPARTS a WHERE a.ID > 400 AND "
                                          "REVERSE(a.RDB$DB_KEY) < (SELECT MAX(REVERSE(b.RDB$DB_KEY)) "
                                          "FROM DOCPARTS b WHERE b.ID <= 400)")
                                     .at(0)) > 20);
        Line old = income(3, 1, 5, day.addYears(-4), "M");
        old.id = 1000;
        old.doc = t.addDocument({.id = 1000, .date = old.date});
        t.addLine(old);
        data::TdmMain& dm = t.dm();
        auto movements = plainOf(dm.inside().ibqMovements, kMovementsText);
        auto lastPrice = plainOf(dm.inside().ibqGetLastPrice, kLastPriceText);
        auto lastSklad = plainOf(dm.inside().ibqGetLastSklad, kLastSkladText);
        auto compareLast = [&] {
            for (qint32 part = 1; part <= 4; ++part) {
                const std::vector<std::pair<QString, fb::Value>> both = {{"Parm1", part}, {"Parm2", part}};
                COMPARE_ROWS(run(dm.inside().ibqGetLastPrice, both), run(*lastPrice, both));
                COMPARE_ROWS(run(dm.inside().ibqGetLastSklad, {{"ID", part}}), run(*lastSklad, {{"ID", part}}));
            }
        };
        compareLast();
        // Without an index on DATEIN the plain text sorts as well, and its
        // lines of one date come in the sort's own order: the same lines.
        QList<Rows> before;
        for (qint32 part = 1; part <= 4; ++part) {
            before << run(dm.inside().ibqMovements, {{"IDParam", part}});
            Rows plain = run(*movements, {{"IDParam", part}});
            Rows program = before.last();
            std::sort(plain.begin(), plain.end());
            std::sort(program.begin(), program.end());
            COMPARE_ROWS(program, plain);
        }
        QVERIFY(before[0].size() > 300);

        dm.inside().ibdAE.disconnect();
        t.exec(Db::Enterprise, "CREATE INDEX DOCPARTS_IDX_DATEIN ON DOCPARTS (DATEIN)");
        t.exec(Db::Enterprise, "CREATE DESCENDING INDEX DOCPARTS_IDX_DATEIN_DESC ON DOCPARTS (DATEIN)");
        dm.inside().ibdAE.connect();
        QVERIFY2(movements->plan().contains("ORDER DOCPARTS_IDX_DATEIN"), qPrintable(movements->plan()));
        QCOMPARE(dm.inside().ibqMovements.plan(),
                 QStringLiteral("PLAN SORT (JOIN (DOCPARTS INDEX (DOCPARTS_IDX_IDPART), DOCHEADER INDEX (PK_DOCHEADER)))"));
        for (fb::Query* plain : {lastPrice.get(), lastSklad.get()})
            QVERIFY2(plain->plan().startsWith("PLAN (DOCPARTS ORDER DOCPARTS_IDX_DATEIN_DESC"),
                     qPrintable(plain->plan()));
        for (fb::Query* program : {&dm.inside().ibqGetLastPrice, &dm.inside().ibqGetLastSklad})
            QVERIFY2(program->plan().startsWith("PLAN (DOCPARTS INDEX (DOCPARTS_IDX_IDPART))\n"),
                     qPrintable(program->plan()));
        compareLast();
        // The walk's order, which the program gave before the index existed.
        for (qint32 part = 1; part <= 4; ++part) {
            const Rows program = run(dm.inside().ibqMovements, {{"IDParam", part}});
            COMPARE_ROWS(program, run(*movements, {{"IDParam", part}}));
            COMPARE_ROWS(program, before[part - 1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestStatementPlans)
#include "tst_statementplans.moc"
