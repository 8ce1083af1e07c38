// The history save after one search (HistoryFile::append, what the search's
// last step calls) with history files of 10, 100,000 and 1,000,000 lines:
// while the file is what the program last wrote, and when another copy of
// the program wrote to it in between (the full rewrite). Also the load at
// start-up.
//
//   bench_history

#include "bench/Bench.h"

#include "lookup/HistoryFile.h"
#include "platform/Cp1251.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace bench;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        die(QStringLiteral("cannot read %1").arg(path));
    return f.readAll();
}

struct Size {
    qint64 lines;
    Stats load, append, rewrite;
    qint64 bytes = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("SearchedNum.log"));
    const int runs = runCount();
    std::vector<Size> sizes = {{10, {}, {}, {}}, {100000, {}, {}, {}}, {1000000, {}, {}, {}}};
    for (Size& s : sizes) {
        note(QStringLiteral("history: %1 lines").arg(s.lines));
        writeSampleHistory(path, s.lines);
        s.bytes = QFileInfo(path).size();
        std::vector<double> load, append, rewrite;
        for (int i = 0; i <= runs; ++i) {
            lookup::HistoryFile h(path);
            const double ms = timeMs([&] { h.load(); });
            if (i > 0)
                load.push_back(ms);
        }
        lookup::HistoryFile h(path);
        h.load();
        if (h.lines().size() != s.lines)
            die(QStringLiteral("read %1 lines of %2").arg(h.lines().size()).arg(s.lines));
        qint64 next = s.lines;
        // The file is what this program last read or wrote: the save appends.
        for (int i = 0; i <= runs; ++i) {
            const QString line = sampleHistoryLine(next++);
            const double ms = timeMs([&] { h.append(line); });
            if (i > 0)
                append.push_back(ms);
        }
        if (contents(path) != lookup::joinHistoryLines(h.lines()))
            die(QStringLiteral("the appended file is not the list in CR LF form"));
        // Another copy of the program adds its line before each save: the
        // save reads the file again and writes it whole.
        for (int i = 0; i <= runs; ++i) {
            {
                QFile other(path);
                if (!other.open(QIODevice::WriteOnly | QIODevice::Append))
                    die(QStringLiteral("cannot append to %1").arg(path));
                other.write(platform::toCp1251(sampleHistoryLine(next++)) + "\r\n");
            }
            const QString line = sampleHistoryLine(next++);
            const double ms = timeMs([&] { h.append(line); });
            if (i > 0)
                rewrite.push_back(ms);
        }
        if (contents(path) != lookup::joinHistoryLines(h.lines()))
            die(QStringLiteral("the rewritten file is not the list in CR LF form"));
        s.load = summarize(load);
        s.append = summarize(append);
        s.rewrite = summarize(rewrite);
    }

    const Size& small = sizes.front();
    const Size& large = sizes.back();
    const double growth = large.append.median / small.append.median;
    // Flat: the million-line save costs at most 0.1 ms more than the ten-line
    // one. The saves take some ten microseconds, where a ratio is mostly noise;
    // a save that read or wrote the file would cost hundreds of milliseconds.
    const bool met = large.append.median <= small.append.median + 0.1;

    out(QStringLiteral("## History save"));
    out();
    out(QStringLiteral("`HistoryFile::append` — the save the search's last step makes — in milliseconds, %1 runs "
                       "after one warm-up, on the local disk. *Append*: the file is exactly what the program last "
                       "read or wrote, so the new line is appended. *Rewrite*: another copy of the program added "
                       "a line just before, so the save reads the file again and replaces it whole (what every save "
                       "would cost without the append). After both the file is checked "
                       "to be byte for byte the list in CR LF form. *Load*: reading the file into the list at "
                       "start-up.")
            .arg(runs));
    out();
    Table t({QStringLiteral("Lines"), QStringLiteral("File, MiB"), QStringLiteral("Append, ms"),
             QStringLiteral("Rewrite, ms"), QStringLiteral("Load, ms")});
    for (const Size& s : sizes)
        t.row({QString::number(s.lines), num(s.bytes / 1048576.0, 1), cell(s.append, 3), cell(s.rewrite, 2),
               cell(s.load, 2)});
    t.print();
    out(QStringLiteral("The save with 1,000,000 lines costs %1× the save with 10 lines (target: flat, at most 0.1 ms more)."
                       " A full rewrite of the 1,000,000-line file costs %2 times as much as that append.")
            .arg(num(growth, 2), num(large.rewrite.median / large.append.median, 0)));
    out();
    summaryLine(QStringLiteral("History save, 1,000,000 lines"), num(large.append.median, 3) + QStringLiteral(" ms"),
                num(small.append.median, 3) + QStringLiteral(" ms (10 lines)"), ratio(large.append.median, small.append.median),
                QStringLiteral("flat (≤ 10 lines + 0.1 ms)"), met);
    return 0;
}
