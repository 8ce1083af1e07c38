// The lookup as the salesperson sees it: from sbSearchClick to the prices and
// the status bar painted, in the real main window (offscreen), against the
// same statements sent straight through the client library. Also the peak
// resident size during the one-character lookup.
//
//   bench_lookup <enterprise.gdb> <price.gdb>

#include "bench/Bench.h"
#include "bench/RawClient.h"

#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "platform/Cp1251.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include <string>

using namespace bench;

namespace {

struct Case {
    Case(QString l, QString t) : label(std::move(l)), text(std::move(t)) {}
    QString label;
    QString text;
    int rows = 0;
    Stats program, floor, programCpu, floorCpu;
};

// The statements of a lookup, in the order the search sends them, with the
// same parameters; the rows are fetched and only what decides the next
// statement is read.
class FloorLookup {
public:
    FloorLookup(RawDb& db, data::TdmMain& dm)
        : partId(db, positionalText(dm.ibqGetPartID.sql())), cross(db, positionalText(dm.ibqGetCrossNums.sql())),
          prices(db, positionalText(dm.ibqGetPrices.sql())), lastPrice(db, positionalText(dm.ibqGetLastPrice.sql())),
          descr(db, positionalText(dm.ibqGetDescr.sql())), income(db, positionalText(dm.ibqIncome.sql())),
          output(db, positionalText(dm.ibqOutput.sql())), reserve(db, positionalText(dm.ibqReserve.sql()))
    {
    }

    // Returns the number of parts found.
    int run(const QString& typed)
    {
        const QByteArray pattern = platform::toCp1251(QLatin1Char('%') + typed + QLatin1Char('%'));
        for (unsigned i = 0; i < 3; ++i)
            partId.setText(i, pattern);
        int id = 0;
        std::string code, oe;
        const int found = partId.run([&](const RawStatement& r) {
            id = r.intAt(0);
            code.assign(r.isNull(1) ? std::string_view() : r.textAt(1));
            oe.assign(r.isNull(2) ? std::string_view() : r.textAt(2));
        });
        if (found == 1) {
            // The stock rule: output and reserve only after an income.
            const bool stock = sum(income, id) > 0;
            if (stock) {
                sum(output, id);
                sum(reserve, id);
            }
            prices.setText(0, QByteArray::fromStdString(code));
            prices.run();
            if (stock) {
                lastPrice.setInt(0, id);
                lastPrice.setInt(1, id);
                lastPrice.run();
            }
            cross.setInt(0, id);
            if (oe.empty())
                cross.setNull(1);
            else
                cross.setText(1, QByteArray::fromStdString(oe));
            cross.run([&](const RawStatement& r) { id = r.intAt(0); });
        }
        descr.setInt(0, id);
        descr.run();
        return found;
    }

private:
    static double sum(RawStatement& q, int id)
    {
        q.setInt(0, id);
        double s = 0;
        q.run([&](const RawStatement& r) { s = r.isNull(0) ? 0 : r.doubleAt(0); });
        return s;
    }

    RawStatement partId, cross, prices, lastPrice, descr, income, output, reserve;
};

// A maker's number that the search finds alone, of a part with stock and
// cross numbers, so the lookup takes its whole path. The same one every run
// of the same database.
QString uniqueNumber(RawDb& db)
{
    RawStatement codes(db, "select ID, MANUFACTURECODE from PART where ID >= 100000 order by ID rows 5000");
    RawStatement matches(db, "select count(*) from PART where MANUFACTURECODE like ? or NUMBER like ? or REMARK like ?");
    RawStatement crosses(db, "select count(*) from PART p join PART q on q.NUMBER = p.NUMBER where p.ID = ?");
    RawStatement income(db, "select sum(COUNTS) from DOCPARTS where IDPART = ? and DIRECTION = 1");
    std::vector<std::pair<int, QByteArray>> list;
    codes.run([&](const RawStatement& r) { list.emplace_back(r.intAt(0), QByteArray(r.textAt(1).data(), qsizetype(r.textAt(1).size()))); });
    for (const auto& [id, code] : list) {
        int n = 0;
        for (unsigned i = 0; i < 3; ++i)
            matches.setText(i, '%' + code + '%');
        matches.run([&](const RawStatement& r) { n = r.intAt(0); });
        if (n != 1)
            continue;
        crosses.setInt(0, id);
        crosses.run([&](const RawStatement& r) { n = r.intAt(0); });
        if (n < 2)
            continue;
        double in = 0;
        income.setInt(0, id);
        income.run([&](const RawStatement& r) { in = r.isNull(0) ? 0 : r.doubleAt(0); });
        if (in > 0)
            return platform::fromCp1251(code);
    }
    die(QStringLiteral("no part found alone by its maker's number"));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 3)
        die(QStringLiteral("usage: bench_lookup <enterprise.gdb> <price.gdb>"));
    const QString enterprise = args[1], price = args[2];

    ProgramFolder folder;
    folder.writeSettings(enterprise, price);
    platform::DialogRecorder boxes;
    data::TdmMain dm;
    startDataModule(dm, boxes);
    lookup::TfmMain w(dm);
    for (QTimer* t : {&w.Timer1, &w.Timer2, &w.Timer3, &w.UpdateTimer})
        t->stop();
    w.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    RawDb raw(enterprise);
    FloorLookup floor(raw, dm);

    auto programLookup = [&](const QString& text) {
        w.pcTabs->setCurrentWidget(w.tsFindNum);
        w.edNumber->setText(text);
        QCoreApplication::processEvents();
        const double ms = timeMs([&] {
            w.sbSearchClick();
            // Until everything the search changed is painted.
            QCoreApplication::processEvents();
        });
        w.UpdateTimer.stop(); // no refresh in the middle of the measurements
        if (!boxes.boxes.isEmpty())
            die(QStringLiteral("the search reported: %1").arg(boxes.texts().join(QStringLiteral("; "))));
        return ms;
    };
    int floorRows = 0;
    auto floorLookup = [&](const QString& text) { return timeMs([&] { floorRows = floor.run(text); }); };

    std::vector<Case> cases = {{QStringLiteral("unique maker's number"), uniqueNumber(raw)},
                               {QStringLiteral("3-character fragment"), QStringLiteral("512")},
                               {QStringLiteral("1-character fragment"), QStringLiteral("1")}};
    const int runs = runCount();
    QString uniqueShown;
    for (Case& c : cases) {
        note(QStringLiteral("lookup: %1 \"%2\"").arg(c.label, c.text));
        programLookup(c.text); // warm-up
        floorLookup(c.text);
        c.rows = dm.ibqGetPartID.isOpen() ? dm.ibqGetPartID.recordCount() : 0;
        if (c.rows != floorRows)
            die(QStringLiteral("the floor found %1 rows, the program %2").arg(floorRows).arg(c.rows));
        if (c.rows == 1) {
            if (w.stOst->text().isEmpty() || w.edRozn->text().isEmpty() || w.panelText(4).isEmpty())
                die(QStringLiteral("the unique lookup showed no stock, price or name"));
            uniqueShown = QStringLiteral("stock %1, retail price %2, markup figures %3 / %4 / %5, name \"%6\", "
                                         "%7 cross numbers")
                              .arg(w.stOst->text(), w.edRozn->text(), w.panelText(1), w.panelText(2),
                                   w.panelText(3), w.panelText(4))
                              .arg(dm.ibqGetCrossNums.recordCount());
        }
        std::vector<double> p, f, pc, fc;
        auto runProgram = [&] {
            p.push_back(programLookup(c.text));
            pc.push_back(lastCpuMs());
        };
        auto runFloor = [&] {
            f.push_back(floorLookup(c.text));
            fc.push_back(lastCpuMs());
        };
        for (int i = 0; i < runs; ++i) {
            // Alternating which goes first, so neither always meets a warmer cache.
            if (i % 2) {
                runProgram();
                runFloor();
            } else {
                runFloor();
                runProgram();
            }
        }
        c.program = summarize(p);
        c.floor = summarize(f);
        c.programCpu = summarize(pc);
        c.floorCpu = summarize(fc);
    }

    // Peak memory of the one-character lookup, starting from a window that
    // holds only a unique lookup's rows.
    programLookup(cases[0].text);
    trimHeap();
    const bool peakOk = resetPeakRss();
    const qint64 before = rssKb();
    programLookup(cases[2].text);
    const qint64 peak = peakRssKb();
    const qint64 held = rssKb();
    programLookup(cases[0].text);
    trimHeap();
    resetPeakRss();
    const qint64 floorBefore = rssKb();
    floorLookup(cases[2].text);
    const qint64 floorPeak = peakRssKb();

    out(QStringLiteral("## Lookup"));
    out();
    out(QStringLiteral("From `sbSearchClick` to the prices and the status bar painted, in the real `TfmMain` "
                       "(offscreen, timers stopped, history file beside it), milliseconds, %1 runs each after "
                       "one warm-up. Floor: the same statements with the same parameters, prepared once and sent "
                       "through the client library's object API, every row fetched, no window. The ratio is of the "
                       "wall-clock medians; the CPU ratio, of the medians of the process's CPU time in the same "
                       "runs.")
            .arg(runs));
    out();
    Table t({QStringLiteral("Search"), QStringLiteral("Typed"), QStringLiteral("Parts found"),
             QStringLiteral("Program, ms"), QStringLiteral("Floor, ms"), QStringLiteral("Ratio"),
             QStringLiteral("Target"), QStringLiteral("CPU ratio")});
    for (const Case& c : cases) {
        const bool met = c.program.median <= 1.25 * c.floor.median;
        t.row({c.label, QStringLiteral("`%1`").arg(c.text), QString::number(c.rows), cell(c.program, 2),
               cell(c.floor, 2), ratio(c.program.median, c.floor.median), QStringLiteral("≤ 1.25×"),
               ratio(c.programCpu.median, c.floorCpu.median)});
        summaryLine(QStringLiteral("Lookup, ") + c.label, num(c.program.median, 2) + QStringLiteral(" ms"),
                    num(c.floor.median, 2) + QStringLiteral(" ms (floor)"), ratio(c.program.median, c.floor.median),
                    QStringLiteral("≤ 1.25×"), met);
    }
    t.print();
    out(QStringLiteral("The unique lookup showed: %1.").arg(uniqueShown));
    out();

    out(QStringLiteral("## Memory"));
    out();
    out(QStringLiteral("Peak resident size of the whole process (`VmHWM`, reset through `/proc/self/clear_refs` "
                       "before the lookup) during one 1-character lookup of %1 parts, starting from the window "
                       "after a unique lookup; the floor the same way, in the same process.%2")
            .arg(cases[2].rows)
            .arg(peakOk ? QString() : QStringLiteral(" **The peak could not be reset here: the figure is the "
                                                     "process's peak so far.**")));
    out();
    Table m({QStringLiteral(""), QStringLiteral("Before, MiB"), QStringLiteral("Peak, MiB"),
             QStringLiteral("Growth, MiB"), QStringLiteral("Held after, MiB")});
    m.row({QStringLiteral("Program (`TfmMain`)"), num(before / 1024.0), num(peak / 1024.0),
           num((peak - before) / 1024.0), num(held / 1024.0)});
    m.row({QStringLiteral("Floor"), num(floorBefore / 1024.0), num(floorPeak / 1024.0),
           num((floorPeak - floorBefore) / 1024.0), QStringLiteral("—")});
    m.print();
    summaryLine(QStringLiteral("Memory, peak during the 1-character lookup"), num(peak / 1024.0) + QStringLiteral(" MiB"),
                num(floorPeak / 1024.0) + QStringLiteral(" MiB (floor process peak)"), ratio(peak, floorPeak),
                QStringLiteral("reported"), true);
    return 0;
}
