// The lookup as the salesperson sees it: from sbSearchClick to the prices and
// the status bar painted, in the real main window (offscreen), against the
// engine's best plan for the same rows (the statements the program sends,
// straight through the client library) and against the statements exactly as
// the catalogue writes them, all in the same engine. Also the plans and page
// reads of the part and cross lists, how the makers' numbers lie against the
// record order, and the peak resident size during the one-character lookup.
//
//   bench_lookup <enterprise.gdb> <price.gdb> [--small-shop]
//
// --small-shop: figures reported without targets, no memory measurement.

#include "bench/Bench.h"
#include "bench/LookupWindow.h"
#include "bench/RawClient.h"

#include "data/TdmMain.h"
#include "platform/Cp1251.h"

#include <QApplication>
#include <QLabel>

#include <algorithm>
#include <numeric>
#include <string>

using namespace bench;

namespace {

// The texts of the statements a lookup sends that differ between the
// catalogue's wording and the program's.
struct Texts {
    QStringList partId, cross, lastPrice;
};

// Exactly as the catalogue writes them.
const Texts kAsWritten = {
    {"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART", "where (MANUFACTURECODE like :Num)",
     "or (NUMBER like :Num)", "or (REMARK like :Num)", "ORDER BY MANUFACTURECODE"},
    {"select ID, MANUFACTURECODE, NUMBER, NAME, REMARK from PART", "where (ID = :IDCODE) or (NUMBER like :PartOE)",
     "ORDER BY MANUFACTURECODE"},
    {"select PRICE from docparts", "where datein = (select max(datein) from docparts",
     "where idpart = :Parm1 and direction = 1) and idpart = :Parm2"}};

Texts programTexts(const data::TdmMain& dm)
{
    return {dm.inside().ibqGetPartID.sql(), dm.inside().ibqGetCrossNums.sql(), dm.inside().ibqGetLastPrice.sql()};
}

struct Variant {
    QString label;
    std::vector<double> wall, cpu;
    Stats median() const { return summarize(wall); }
    Stats cpuMedian() const { return summarize(cpu); }
};

struct Case {
    Case(QString l, QString t) : label(std::move(l)), text(std::move(t)) {}
    QString label;
    QString text;
    int rows = 0;
    Stats program, floor, written, programCpu, floorCpu;
};

// A statement with its parameters bound by name, as the program binds them.
class Bound {
public:
    Bound(RawDb& db, const QStringList& text) : stmt(db, positionalText(text)), names_(parameterNames(text)) {}

    void setText(const QString& name, const QByteArray& cp1251)
    {
        for (unsigned i = 0; i < unsigned(names_.size()); ++i)
            if (names_[int(i)] == name)
                cp1251.isNull() ? stmt.setNull(i) : stmt.setText(i, cp1251);
    }
    void setInt(const QString& name, int v)
    {
        for (unsigned i = 0; i < unsigned(names_.size()); ++i)
            if (names_[int(i)] == name)
                stmt.setInt(i, v);
    }

    RawStatement stmt;

private:
    QStringList names_;
};

// The statements of a lookup, in the order the search sends them, with the
// same parameters; the rows are fetched and only what decides the next
// statement is read.
class RawLookup {
public:
    RawLookup(RawDb& db, data::TdmMain& dm, const Texts& texts)
        : partId(db, texts.partId), cross(db, texts.cross), lastPrice(db, texts.lastPrice),
          prices(db, dm.inside().ibqGetPrices.sql()), descr(db, dm.inside().ibqGetDescr.sql()), income(db, dm.inside().ibqIncome.sql()),
          output(db, dm.inside().ibqOutput.sql()), reserve(db, dm.inside().ibqReserve.sql())
    {
    }

    void bindPartList(const QString& typed)
    {
        partId.setText(QStringLiteral("Num"), platform::toCp1251(QLatin1Char('%') + typed + QLatin1Char('%')));
    }
    void bindCross(int id, const std::string& oe)
    {
        cross.setInt(QStringLiteral("IDCODE"), id);
        cross.setText(QStringLiteral("PartOE"), oe.empty() ? QByteArray() : QByteArray::fromStdString(oe));
    }

    // Returns the number of parts found; lastId is the current part after it.
    int run(const QString& typed)
    {
        bindPartList(typed);
        int id = 0;
        std::string code, oe;
        const int found = partId.stmt.run([&](const RawStatement& r) {
            id = r.intAt(0);
            code.assign(r.isNull(1) ? std::string_view() : r.textAt(1));
            oe.assign(r.isNull(2) ? std::string_view() : r.textAt(2));
        });
        foundId = id;
        foundOe = oe;
        if (found == 1) {
            // The stock rule: output and reserve only after an income.
            const bool stock = sum(income, id) > 0;
            if (stock) {
                sum(output, id);
                sum(reserve, id);
            }
            prices.setText(QStringLiteral("Num"), QByteArray::fromStdString(code));
            prices.stmt.run();
            if (stock) {
                lastPrice.setInt(QStringLiteral("Parm1"), id);
                lastPrice.setInt(QStringLiteral("Parm2"), id);
                lastPrice.stmt.run();
            }
            bindCross(id, oe);
            cross.stmt.run([&](const RawStatement& r) { id = r.intAt(0); });
        }
        descr.setInt(QStringLiteral("ID"), id);
        descr.stmt.run();
        lastId = id;
        return found;
    }

    Bound partId, cross, lastPrice;
    int lastId = 0;
    int foundId = 0;     // the part list's last row
    std::string foundOe; // and its OE number

private:
    static double sum(Bound& q, int id)
    {
        q.stmt.setInt(0, id);
        double s = 0;
        q.stmt.run([&](const RawStatement& r) { s = r.isNull(0) ? 0 : r.doubleAt(0); });
        return s;
    }

    Bound prices, descr, income, output, reserve;
};

// How the makers' numbers lie against the order in which the parts are
// stored: the record numbers taken in maker's-number order (the order of the
// index walk). If the numbers followed the record order, every neighbour
// would ascend and the rank correlation would be 1.
struct RecordOrder {
    double ascending = 0; // share of neighbours whose record numbers ascend
    double spearman = 0;
};

RecordOrder recordOrder(RawDb& db)
{
    RawStatement keys(db, "select RDB$DB_KEY from PART order by MANUFACTURECODE");
    std::vector<quint64> recno;
    keys.run([&](const RawStatement& r) {
        // Little-endian: the low 32 bits in bytes 4–7, the high byte in byte 3.
        const auto* k = reinterpret_cast<const unsigned char*>(r.textAt(0).data());
        quint64 n = quint64(k[3]) << 32;
        for (int i = 7; i >= 4; --i)
            n = (n << 8) | k[i];
        recno.push_back(n);
    });
    RecordOrder out;
    const size_t n = recno.size();
    if (n < 2)
        return out;
    size_t up = 0;
    for (size_t i = 1; i < n; ++i)
        up += recno[i] > recno[i - 1];
    out.ascending = double(up) / double(n - 1);
    std::vector<size_t> byRecord(n);
    std::iota(byRecord.begin(), byRecord.end(), size_t(0));
    std::sort(byRecord.begin(), byRecord.end(), [&](size_t a, size_t b) { return recno[a] < recno[b]; });
    double d2 = 0;
    for (size_t rank = 0; rank < n; ++rank) {
        const double d = double(byRecord[rank]) - double(rank);
        d2 += d * d;
    }
    const double nn = double(n);
    out.spearman = 1 - 6 * d2 / (nn * (nn * nn - 1));
    return out;
}

// One warm run of a statement: its plan, the pages the engine read from the
// file into its cache and fetched from that cache, milliseconds.
struct PlanRun {
    QString what, plan;
    qint64 reads = 0, fetches = 0;
    double ms = 0;
};

PlanRun planRun(RawDb& db, const QString& what, RawStatement& stmt)
{
    stmt.run(); // warm
    const PageCounts before = db.pageCounts();
    const double ms = timeMs([&] { stmt.run(); });
    const PageCounts after = db.pageCounts();
    return {what, stmt.plan().replace(QLatin1Char('\n'), QStringLiteral("` `")), after.reads - before.reads,
            after.fetches - before.fetches, ms};
}

// The part list for the unique number and for one character, and the cross
// list of the unique part.
std::vector<PlanRun> planRuns(RawDb& db, RawLookup& look, const QString& unique)
{
    std::vector<PlanRun> out;
    for (const QString& typed : {unique, QStringLiteral("1")}) {
        look.bindPartList(typed);
        out.push_back(planRun(db, QStringLiteral("`ibqGetPartID`, `%1`").arg(typed), look.partId.stmt));
    }
    look.run(unique);
    look.bindCross(look.foundId, look.foundOe);
    out.push_back(planRun(db, QStringLiteral("`ibqGetCrossNums` of that part"), look.cross.stmt));
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    QStringList args = application.arguments();
    const bool smallShop = args.removeAll(QStringLiteral("--small-shop")) > 0;
    if (args.size() != 3)
        die(QStringLiteral("usage: bench_lookup <enterprise.gdb> <price.gdb> [--small-shop]"));
    const QString enterprise = args[1], price = args[2];

    ProgramFolder folder;
    folder.writeSettings(enterprise, price);
    platform::DialogRecorder boxes;
    data::TdmMain dm;
    const int runs = runCount();
    startDataModule(dm, boxes);
    lookup::TfmMain w(dm);
    prepareWindow(w);

    RawDb raw(enterprise);
    const int parts = partCount(raw);
    const int cachePages = pageBuffers(raw);
    const QString unique = uniqueNumber(raw);
    std::vector<Case> cases = {{QStringLiteral("unique maker's number"), unique},
                               {QStringLiteral("3-character fragment"), QStringLiteral("512")},
                               {QStringLiteral("1-character fragment"), QStringLiteral("1")}};
    const QString dbLabel = QLocale(QLocale::English).toString(parts) + QStringLiteral(" parts");
    RawLookup floor(raw, dm, programTexts(dm));
    RawLookup written(raw, dm, kAsWritten);

    auto programLookup = [&](const QString& text) { return timedSearch(w, text, boxes); };
    int floorRows = 0, writtenRows = 0;
    auto floorLookup = [&](const QString& text) { return timeMs([&] { floorRows = floor.run(text); }); };
    auto writtenLookup = [&](const QString& text) { return timeMs([&] { writtenRows = written.run(text); }); };

    QString uniqueShown;
    for (Case& c : cases) {
        note(QStringLiteral("lookup (%1): %2 \"%3\"").arg(dbLabel, c.label, c.text));
        programLookup(c.text); // warm-up
        floorLookup(c.text);
        writtenLookup(c.text);
        c.rows = dm.inside().ibqGetPartID.isOpen() ? dm.inside().ibqGetPartID.recordCount() : 0;
        if (c.rows != floorRows || c.rows != writtenRows)
            die(QStringLiteral("parts found: program %1, floor %2, as written %3").arg(c.rows).arg(floorRows).arg(writtenRows));
        if (w.CurrentPartID() != floor.lastId || w.CurrentPartID() != written.lastId)
            die(QStringLiteral("current part: program %1, floor %2, as written %3")
                    .arg(w.CurrentPartID())
                    .arg(floor.lastId)
                    .arg(written.lastId));
        if (c.rows == 1) {
            if (w.stOst->text().isEmpty() || w.edRozn->text().isEmpty() || w.panelText(4).isEmpty())
                die(QStringLiteral("the unique lookup showed no stock, price or name"));
            uniqueShown = QStringLiteral("stock %1, retail price %2, markup figures %3 / %4 / %5, name \"%6\", "
                                         "%7 cross numbers")
                              .arg(w.stOst->text(), w.edRozn->text(), w.panelText(1), w.panelText(2),
                                   w.panelText(3), w.panelText(4))
                              .arg(dm.inside().ibqGetCrossNums.recordCount());
        }
        Variant p, f, wr;
        const std::function<void()> order[] = {
            [&] {
                p.wall.push_back(programLookup(c.text));
                p.cpu.push_back(lastCpuMs());
            },
            [&] {
                f.wall.push_back(floorLookup(c.text));
                f.cpu.push_back(lastCpuMs());
            },
            [&] { wr.wall.push_back(writtenLookup(c.text)); }};
        for (int i = 0; i < runs; ++i)
            for (int k = 0; k < 3; ++k)
                order[(i + k) % 3](); // rotating, so no variant always meets the cache another left
        c.program = p.median();
        c.floor = f.median();
        c.written = wr.median();
        c.programCpu = p.cpuMedian();
        c.floorCpu = f.cpuMedian();
    }

    const std::vector<PlanRun> writtenPlans = planRuns(raw, written, unique);
    const std::vector<PlanRun> sentPlans = planRuns(raw, floor, unique);
    Table plans({QStringLiteral("Statement"), QStringLiteral("Text"), QStringLiteral("Plan"),
                 QStringLiteral("Page reads"), QStringLiteral("Page fetches"), QStringLiteral("ms")});
    for (size_t i = 0; i < writtenPlans.size(); ++i) {
        for (auto [run, wording] : {std::pair{&writtenPlans[i], QStringLiteral("as written")},
                                    std::pair{&sentPlans[i], QStringLiteral("as sent")}})
            plans.row({run->what, wording, QStringLiteral("`%1`").arg(run->plan), QString::number(run->reads),
                       QString::number(run->fetches), num(run->ms, 1)});
    }

    const RecordOrder order = recordOrder(raw);

    out(QStringLiteral("## Lookup, %1").arg(dbLabel));
    out();
    out(QStringLiteral("From `sbSearchClick` to the prices and the status bar painted, in the real `TfmMain` "
                       "(offscreen, timers stopped, history file beside it), milliseconds, %1 runs each after one "
                       "warm-up, the three in rotating order. *Floor*: the engine's best plan for the same rows — "
                       "the statements the program sends (natural scan and sort, see the plans below), with the "
                       "same parameters, prepared once and sent through the client library's object API, every "
                       "row fetched, no window. *As written*: the same lookup through the client library with "
                       "`ibqGetPartID`, `ibqGetCrossNums` and `ibqGetLastPrice` exactly as the catalogue writes "
                       "them. All three share the engine and its page cache (%2 pages). Ratios are of the "
                       "wall-clock medians; the CPU ratio, of the medians of the process's CPU time. All three "
                       "found the same parts and ended on the same current part.")
            .arg(runs)
            .arg(cachePages));
    out();
    const QString floorTarget = smallShop ? QStringLiteral("reported") : QStringLiteral("≤ 1.2×");
    Table t({QStringLiteral("Search"), QStringLiteral("Typed"), QStringLiteral("Parts found"),
             QStringLiteral("Program, ms"), QStringLiteral("Floor, ms"), QStringLiteral("Ratio"),
             QStringLiteral("Target"), QStringLiteral("CPU ratio"), QStringLiteral("As written, ms"),
             QStringLiteral("As written / program")});
    for (const Case& c : cases) {
        t.row({c.label, QStringLiteral("`%1`").arg(c.text), QString::number(c.rows), cell(c.program, 2),
               cell(c.floor, 2), ratio(c.program.median, c.floor.median), floorTarget,
               ratio(c.programCpu.median, c.floorCpu.median), cell(c.written, 2),
               ratio(c.written.median, c.program.median)});
        summaryLine(QStringLiteral("Lookup, %1, %2").arg(dbLabel, c.label), num(c.program.median, 2) + QStringLiteral(" ms"),
                    num(c.floor.median, 2) + QStringLiteral(" ms (floor)"), ratio(c.program.median, c.floor.median),
                    floorTarget, smallShop || c.program.median <= 1.2 * c.floor.median);
    }
    const Case& u = cases[0];
    summaryLine(QStringLiteral("Lookup, %1, unique maker's number, against the statements as written").arg(dbLabel),
                num(u.program.median, 2) + QStringLiteral(" ms"),
                num(u.written.median, 2) + QStringLiteral(" ms (as written)"),
                QString::number(u.written.median / u.program.median, 'f', 2) + QStringLiteral("× faster"),
                smallShop ? QStringLiteral("reported") : QStringLiteral("≥ 4× faster"),
                smallShop || u.written.median >= 4 * u.program.median);
    t.print();
    out(QStringLiteral("The unique lookup showed: %1.").arg(uniqueShown));
    out();
    out(QStringLiteral("Plans as the engine reports them, with the pages one warm run read from the file into the "
                       "engine's page cache (page reads) and took from that cache (page fetches):"));
    out();
    plans.print();
    out(QStringLiteral("Makers' numbers against the order in which the parts are stored: taken in maker's-number "
                       "order, %1 % of neighbouring parts lie in ascending record order, and the rank correlation "
                       "of maker's-number order and record order is %2 (numbers that followed the record order "
                       "would give 100 % and 1).")
            .arg(num(100 * order.ascending, 1), num(order.spearman, 3)));
    out();
    if (smallShop)
        return 0;

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
