// The history save after one search (HistoryFile::append, what the search's
// last step calls) with history files of 10, 100,000 and 1,000,000 lines:
// while the file is what the program last wrote, and when another copy of
// the program wrote to it in between (the full rewrite). Also the load at
// start-up and the first save after it, which checks the file's line ends.
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

// The file holds exactly `lines` lines in CR LF form, the last one `last`.
void checkFile(const QString& path, qint64 lines, const QString& last, const char* after)
{
    const QByteArray bytes = contents(path);
    const QByteArray tail = platform::toCp1251(last) + "\r\n";
    if (bytes.count("\r\n") != lines || bytes.count('\n') != lines || bytes.count('\r') != lines
        || !bytes.endsWith(tail) || !(bytes.size() == tail.size() || bytes[bytes.size() - tail.size() - 1] == '\n'))
        die(QStringLiteral("after %1 the file is not the %2 lines in CR LF form").arg(QLatin1String(after)).arg(lines));
}

struct Size {
    qint64 lines;
    Stats load, first, append, rewrite;
    qint64 bytes = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("SearchedNum.log"));
    const int runs = runCount();
    std::vector<Size> sizes = {{10, {}, {}, {}, {}}, {100000, {}, {}, {}, {}}, {1000000, {}, {}, {}, {}}};
    for (Size& s : sizes) {
        note(QStringLiteral("history: %1 lines").arg(s.lines));
        writeSampleHistory(path, s.lines);
        s.bytes = QFileInfo(path).size();
        qint64 next = s.lines;
        std::vector<double> load, first, append, rewrite;
        // A start and the first search's save, each in a fresh object.
        for (int i = 0; i <= runs; ++i) {
            lookup::HistoryFile h(path);
            const double loadMs = timeMs([&] { h.load(); });
            const QString line = sampleHistoryLine(next++);
            const double firstMs = timeMs([&] { h.append(line); });
            checkFile(path, next, line, "the first save");
            if (i > 0) {
                load.push_back(loadMs);
                first.push_back(firstMs);
            }
        }
        lookup::HistoryFile h(path);
        h.load();
        h.append(sampleHistoryLine(next++));
        // The file is what this program last read or wrote: the save appends.
        for (int i = 0; i <= runs; ++i) {
            const QString line = sampleHistoryLine(next++);
            const double ms = timeMs([&] { h.append(line); });
            if (i > 0)
                append.push_back(ms);
        }
        checkFile(path, next, sampleHistoryLine(next - 1), "the appends");
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
        checkFile(path, next, sampleHistoryLine(next - 1), "the rewrites");
        if (contents(path) != lookup::joinHistoryLines(h.lines()))
            die(QStringLiteral("the file is not the list in CR LF form"));
        s.load = summarize(load);
        s.first = summarize(first);
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
                       "would cost without the append). After each kind of save the file is checked "
                       "to hold every line in CR LF form. *Load*: what the start does with the file (it takes "
                       "note of the file's state and reads no line). *First save*: the first search's save after "
                       "the start, which reads the file once to check that every line ends in CR LF, decoding "
                       "nothing, and then appends.")
            .arg(runs));
    out();
    Table t({QStringLiteral("Lines"), QStringLiteral("File, MiB"), QStringLiteral("Append, ms"),
             QStringLiteral("Rewrite, ms"), QStringLiteral("Load, ms"), QStringLiteral("First save, ms")});
    for (const Size& s : sizes)
        t.row({QString::number(s.lines), num(s.bytes / 1048576.0, 1), cell(s.append, 3), cell(s.rewrite, 2),
               cell(s.load, 3), cell(s.first, 2)});
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
