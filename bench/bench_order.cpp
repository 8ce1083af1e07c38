// The order build of the real order window (cbSortChange), whole, against
// the same per-part statements in a plain loop through the client library.
//
//   bench_order <enterprise.gdb> <price.gdb>

#include "bench/Bench.h"
#include "bench/RawClient.h"

#include "data/TdmMain.h"
#include "order/OrderGrid.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressBar>

#include <string>

using namespace bench;

namespace {

struct FloorResult {
    int candidates = 0;
    int lines = 0;
};

// The build's statements: the candidate query, then for each candidate the
// on-hand quantity, and for one below its minimum the latest warehouse and,
// when that is the chosen one, the average cost.
class FloorOrder {
public:
    FloorOrder(RawDb& db, data::TdmMain& dm, int sortIndex)
        : candidates(db, positionalText(data::TdmMain::minStockSql(sortIndex))),
          income(db, positionalText(dm.inside().ibqIncome.sql())), output(db, positionalText(dm.inside().ibqOutput.sql())),
          reserve(db, positionalText(dm.inside().ibqReserve.sql())), lastSklad(db, positionalText(dm.inside().ibqGetLastSklad.sql())),
          avgCost(db, positionalText(dm.inside().ibqGetAVGCost.sql()))
    {
    }

    FloorResult run(const QByteArray& sklad)
    {
        const unsigned cId = candidates.column("ID"), cMin = candidates.column("MINSTOCK");
        std::vector<std::pair<int, double>> parts;
        candidates.run([&](const RawStatement& r) {
            parts.emplace_back(r.intAt(cId), r.isNull(cMin) ? 0 : r.doubleAt(cMin));
        });
        FloorResult res;
        res.candidates = int(parts.size());
        std::string code;
        for (const auto& [id, minStock] : parts) {
            double stock = sum(income, id);
            if (stock > 0) {
                const double out = sum(output, id), rsv = sum(reserve, id);
                if (out > 0)
                    stock -= out;
                if (rsv > 0)
                    stock -= rsv;
            } else {
                stock = 0;
            }
            if (!(stock < minStock))
                continue;
            lastSklad.setInt(0, id);
            lastSklad.setInt(1, id);
            bool first = true;
            code.clear();
            lastSklad.run([&](const RawStatement& r) {
                if (first && !r.isNull(0))
                    code.assign(r.textAt(0));
                first = false;
            });
            while (!code.empty() && code.back() == ' ')
                code.pop_back();
            if (code != sklad.toStdString())
                continue;
            sum(avgCost, id);
            ++res.lines;
        }
        return res;
    }

private:
    static double sum(RawStatement& q, int id)
    {
        q.setInt(0, id);
        double s = 0;
        q.run([&](const RawStatement& r) { s = r.isNull(0) ? 0 : r.doubleAt(0); });
        return s;
    }

    RawStatement candidates, income, output, reserve, lastSklad, avgCost;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 3)
        die(QStringLiteral("usage: bench_order <enterprise.gdb> <price.gdb>"));
    const QString enterprise = args[1], price = args[2];

    ProgramFolder folder;
    folder.writeSettings(enterprise, price);
    platform::DialogRecorder boxes;
    data::TdmMain dm;
    startDataModule(dm, boxes);
    dm.fetchEuroRate();

    // The window as the main window's order command shows it: warehouse "E".
    order::TfmOrder w(dm);
    w.setSkladChoice(QStringLiteral("E"));
    w.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const int sortIndex = 0; // "по наименованию"
    w.cbSort->setCurrentIndex(sortIndex);

    RawDb raw(enterprise);
    FloorOrder floor(raw, dm, sortIndex);

    auto program = [&] {
        const double ms = timeMs([&] {
            w.cbSortChange();
            QCoreApplication::processEvents();
        });
        if (!boxes.boxes.isEmpty())
            die(QStringLiteral("the build reported: %1").arg(boxes.texts().join(QStringLiteral("; "))));
        return ms;
    };
    FloorResult fr;
    auto floorRun = [&] { return timeMs([&] { fr = floor.run(QByteArrayLiteral("E")); }); };

    note(QStringLiteral("order build"));
    program();
    floorRun();
    const int candidates = dm.inside().ibqGetMINStock.recordCount();
    if (fr.candidates != candidates || fr.lines != w.mtOrder.count())
        die(QStringLiteral("the floor saw %1 candidates and %2 lines, the window %3 and %4")
                .arg(fr.candidates)
                .arg(fr.lines)
                .arg(candidates)
                .arg(w.mtOrder.count()));
    // Diagnostic variants: the same build with the progress bar hidden, and
    // with the grid hidden too, so their painting drops out of the figure.
    auto variant = [&](bool bar, bool grid) {
        w.pbOrder->setVisible(bar);
        w.dgOrder->setVisible(grid);
        QCoreApplication::processEvents();
        const double ms = program();
        w.pbOrder->show();
        w.dgOrder->show();
        QCoreApplication::processEvents();
        return ms;
    };
    std::vector<double> p, f, noBar, noBarGrid, pc, fc, noBarC, noBarGridC;
    const int runs = runCount();
    for (int i = 0; i < runs; ++i) {
        // Rotating the order, so none always follows the same one.
        for (int k = 0; k < 4; ++k) {
            switch ((i + k) % 4) {
            case 0: f.push_back(floorRun()); fc.push_back(lastCpuMs()); break;
            case 1: p.push_back(program()); pc.push_back(lastCpuMs()); break;
            case 2: noBar.push_back(variant(false, true)); noBarC.push_back(lastCpuMs()); break;
            default: noBarGrid.push_back(variant(false, false)); noBarGridC.push_back(lastCpuMs()); break;
            }
        }
    }
    const Stats ps = summarize(p), fs = summarize(f), nb = summarize(noBar), nbg = summarize(noBarGrid);
    const double fcpu = summarize(fc).median;
    auto cpuRatio = [&](const std::vector<double>& v) { return ratio(summarize(v).median, fcpu); };
    const bool met = ps.median <= 1.25 * fs.median;

    out(QStringLiteral("## Order build"));
    out();
    out(QStringLiteral("`TfmOrder::cbSortChange` in the real order window (offscreen, shown), warehouse choice "
                       "\"E\" as the main window's order command sets it, sort \"по наименованию\": %1 candidates "
                       "(`MINSTOCK` > 0), %2 order lines. Whole build, from the call to the last row painted, "
                       "milliseconds, %3 runs after one warm-up, the variants in rotating order. Floor: the candidate query and the same per-part "
                       "statements (`ibqIncome`, `ibqOutput`, `ibqReserve`, `ibqGetLastSklad`, `ibqGetAVGCost`) "
                       "in a plain loop through the client library, prepared once. The CPU ratio is of the medians of "
                       "the process's CPU time in the same runs.")
            .arg(candidates)
            .arg(w.mtOrder.count())
            .arg(runs));
    out();
    Table t({QStringLiteral(""), QStringLiteral("ms"), QStringLiteral("Per candidate, µs"), QStringLiteral("Ratio"),
             QStringLiteral("Target"), QStringLiteral("CPU ratio")});
    t.row({QStringLiteral("Program (`cbSortChange`)"), cell(ps, 0), num(ps.median * 1000 / candidates, 1),
           ratio(ps.median, fs.median), QStringLiteral("≤ 1.25×"), cpuRatio(pc)});
    t.row({QStringLiteral("Floor"), cell(fs, 0), num(fs.median * 1000 / candidates, 1), QStringLiteral("1.00×"),
           QString(), QStringLiteral("1.00×")});
    t.row({QStringLiteral("Diagnostic: program, progress bar hidden"), cell(nb, 0), num(nb.median * 1000 / candidates, 1),
           ratio(nb.median, fs.median), QString(), cpuRatio(noBarC)});
    t.row({QStringLiteral("Diagnostic: program, progress bar and grid hidden"), cell(nbg, 0),
           num(nbg.median * 1000 / candidates, 1), ratio(nbg.median, fs.median), QString(), cpuRatio(noBarGridC)});
    t.print();
    summaryLine(QStringLiteral("Order build, %1 candidates").arg(candidates), num(ps.median, 0) + QStringLiteral(" ms"),
                num(fs.median, 0) + QStringLiteral(" ms (floor)"), ratio(ps.median, fs.median), QStringLiteral("≤ 1.25×"),
                met);
    return 0;
}
