// Rows per second the program's query layer fetches for ibqGetPartID with a
// wide pattern, against Qt's own Firebird driver (QIBASE, QSqlQuery) on the
// same statement and database in the same run, and against the bare client
// library.
//
//   bench_datalayer <enterprise.gdb>

#include "bench/Bench.h"
#include "bench/RawClient.h"

#include "data/TdmMain.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace bench;

namespace {

const QString kPattern = QStringLiteral("%");

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 2)
        die(QStringLiteral("usage: bench_datalayer <enterprise.gdb>"));
    const QString enterprise = args[1];
    ProgramFolder folder;

    // The program's layer: the data module's own statement on its own connection.
    data::TdmMain dm;
    dm.inside().ibdAE.setDatabaseName(enterprise);
    dm.inside().ibdAE.connect();
    fb::Query& q = dm.inside().ibqGetPartID;
    q.prepare();
    int programRows = 0;
    auto program = [&] {
        return timeMs([&] {
            q.close();
            q.setParam(QStringLiteral("Num"), kPattern);
            q.open();
            programRows = q.recordCount();
        });
    };

    // Qt's driver. It attaches with the character set UTF8 and prepares in
    // dialect 3; on this dialect-1 WIN1251 file the statement is the same
    // text and the server converts every text to UTF-8 on the way out.
    QSqlDatabase qdb = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), QStringLiteral("bench"));
    qdb.setDatabaseName(enterprise);
    qdb.setUserName(QStringLiteral("SYSDBA"));
    qdb.setPassword(QStringLiteral("masterkey"));
    if (!qdb.open())
        die(QStringLiteral("QIBASE: %1").arg(qdb.lastError().text()));
    QSqlQuery qt(qdb);
    qt.setForwardOnly(true);
    if (!qt.prepare(QString::fromLatin1(positionalText(q.sql()))))
        die(QStringLiteral("QIBASE prepare: %1").arg(qt.lastError().text()));
    int qtRows = 0;
    qint64 checksum = 0;
    auto qtDriver = [&] {
        return timeMs([&] {
            for (int i = 0; i < 3; ++i)
                qt.bindValue(i, kPattern);
            if (!qt.exec())
                die(QStringLiteral("QIBASE exec: %1").arg(qt.lastError().text()));
            qtRows = 0;
            // Every value read, as a grid would.
            while (qt.next()) {
                checksum += qt.value(0).toInt();
                for (int c = 1; c < 5; ++c)
                    checksum += qt.value(c).toString().size();
                ++qtRows;
            }
            qt.finish();
        });
    };

    RawDb raw(enterprise);
    RawStatement rawQ(raw, positionalText(q.sql()));
    int rawRows = 0;
    auto floor = [&] {
        return timeMs([&] {
            for (unsigned i = 0; i < 3; ++i)
                rawQ.setText(i, kPattern.toLatin1());
            rawRows = rawQ.run();
        });
    };

    note(QStringLiteral("data layer: ibqGetPartID with \"%1\"").arg(kPattern));
    program();
    qtDriver();
    floor();
    if (programRows != qtRows || programRows != rawRows)
        die(QStringLiteral("row counts differ: program %1, QIBASE %2, client %3").arg(programRows).arg(qtRows).arg(rawRows));
    std::vector<double> p, t, f;
    const int runs = runCount();
    for (int i = 0; i < runs; ++i) {
        // Rotating the order, so none of the three always follows the same one.
        for (int k = 0; k < 3; ++k) {
            switch ((i + k) % 3) {
            case 0: p.push_back(program()); break;
            case 1: t.push_back(qtDriver()); break;
            default: f.push_back(floor()); break;
            }
        }
    }
    const Stats ps = summarize(p), ts = summarize(t), fs = summarize(f);
    auto perSecond = [&](double ms) { return num(programRows / (ms / 1000.0) / 1000.0, 1); };

    out(QStringLiteral("## Data layer"));
    out();
    out(QStringLiteral("`ibqGetPartID` with `Num` = `%1` (every part, %2 rows of `ID`, `MANUFACTURECODE`, `NUMBER`, "
                       "`NAME`, `REMARK`, ordered by `MANUFACTURECODE`), open to last row fetched, %3 runs each "
                       "after one warm-up, the three in rotating order.")
            .arg(kPattern)
            .arg(programRows)
            .arg(runs));
    out();
    out(QStringLiteral("- Program: `fb::Query::open` of the data module's statement, prepared once; every row "
                       "decoded into memory (texts from Windows-1251, trailing blanks cut), as the grids read them."));
    out(QStringLiteral("- Qt: `QSqlQuery` on `QSqlDatabase::addDatabase(\"QIBASE\")`, forward-only, prepared once, "
                       "every value read with `value()`. Qt's driver always attaches with the character set UTF8 "
                       "and prepares in dialect 3. That works on the same dialect-1 WIN1251 file for this statement "
                       "(it has no dialect-dependent part): the server converts each text to UTF-8 and Qt decodes "
                       "it. Each `exec` runs in a transaction of its own, as the driver does without an explicit one."));
    out(QStringLiteral("- Client library: the same text through the object API, fetched into one buffer, nothing "
                       "decoded (the floor of both)."));
    out();
    Table tab({QStringLiteral("Layer"), QStringLiteral("ms"), QStringLiteral("Thousand rows/s (median)"),
               QStringLiteral("Time vs Qt")});
    tab.row({QStringLiteral("Program (`fb::Query`)"), cell(ps), perSecond(ps.median), ratio(ps.median, ts.median)});
    tab.row({QStringLiteral("Qt `QIBASE`"), cell(ts), perSecond(ts.median), QStringLiteral("1.00×")});
    tab.row({QStringLiteral("Client library alone"), cell(fs), perSecond(fs.median), ratio(fs.median, ts.median)});
    tab.print();
    summaryLine(QStringLiteral("Data layer, rows/s"), perSecond(ps.median) + QStringLiteral(" k/s"),
                perSecond(ts.median) + QStringLiteral(" k/s (Qt QIBASE)"), ratio(ts.median, ps.median) + QStringLiteral(" of Qt's speed"),
                QStringLiteral("≥ Qt's"), ps.median <= ts.median);
    (void)checksum;
    return 0;
}
