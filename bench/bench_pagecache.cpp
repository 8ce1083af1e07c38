// Whether a larger page cache for the enterprise database shortens the
// lookups: the program's lookups in the real main window with the engine's
// default cache and with a larger one, warm (the file in the operating
// system's cache) and cold (the file dropped from that cache before every
// lookup, as other programs on a busy desk push it out between two
// customers), the first lookup after the start and after a refresh, which
// empty the cache, and the resident size each cache costs.
//
//   bench_pagecache <enterprise.gdb> <price.gdb> <pages>
//
// In Firebird 3 the cache belongs to the database, not to an attachment: the
// attachment that opens the file sets its size. So each cache size runs in a
// data module of its own that is the file's only attachment; the sizes run
// alternately (default, larger, larger, default, ...), so drift in the
// machine's load falls on both alike.

#include "bench/Bench.h"
#include "bench/LookupWindow.h"
#include "bench/RawClient.h"

#include "data/TdmMain.h"

#include <QApplication>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <map>

using namespace bench;

namespace {

// Drops the file's pages from the operating system's cache.
void dropFromOsCache(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0)
        die(QStringLiteral("cannot drop %1 from the system's cache").arg(path));
    ::close(fd);
}

struct Figures {
    std::vector<double> warm, cold, firstCold, afterRefresh;
    qint64 rssKb = 0;
    int pages = 0;
};

struct Search {
    QString label, text;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    bool ok = false;
    const int larger = args.value(3).toInt(&ok);
    if (args.size() != 4 || !ok || larger < 50)
        die(QStringLiteral("usage: bench_pagecache <enterprise.gdb> <price.gdb> <pages>"));
    const QString enterprise = args[1], price = args[2];

    QString unique;
    {
        RawDb raw(enterprise); // detached again before any measured attachment
        unique = uniqueNumber(raw);
    }
    const std::vector<Search> searches = {{QStringLiteral("unique maker's number"), unique},
                                          {QStringLiteral("3-character fragment"), QStringLiteral("512")},
                                          {QStringLiteral("1-character fragment"), QStringLiteral("1")}};
    ProgramFolder folder;
    folder.writeSettings(enterprise, price);
    const int runs = runCount();
    std::map<int, std::map<QString, Figures>> results; // requested pages (0: default) → search → figures

    std::vector<int> blocks;
    for (int i = 0; i < runs; ++i)
        for (int k = 0; k < 2; ++k)
            blocks.push_back((i + k) % 2 ? larger : 0); // default, larger, larger, default, ...
    for (const int requested : blocks) {
        note(QStringLiteral("page cache: %1").arg(requested ? QString::number(requested) : QStringLiteral("default")));
        platform::DialogRecorder boxes;
        data::TdmMain dm;
        dm.inside().ibdAE.params().pageBuffers = requested;
        dropFromOsCache(enterprise);
        startDataModule(dm, boxes);
        lookup::TfmMain w(dm);
        prepareWindow(w);
        auto lookup = [&](const QString& text) { return timedSearch(w, text, boxes); };
        // The first lookup after the start, on a cold file.
        results[requested][searches[0].label].firstCold.push_back(lookup(searches[0].text));
        for (const Search& s : searches) {
            Figures& f = results[requested][s.label];
            lookup(s.text); // warm-up
            f.warm.push_back(lookup(s.text));
            dropFromOsCache(enterprise);
            f.cold.push_back(lookup(s.text));
        }
        // What the refresh timer does every minute while the number field is
        // empty: both connections closed and opened again, which empties the
        // file's cache; then the next lookup, the file still in the system's cache.
        dm.refreshConnections();
        results[requested][searches[0].label].afterRefresh.push_back(lookup(searches[0].text));
        fb::Query pages(dm.inside().ibdAE, QStringLiteral("pages"), {QStringLiteral("select MON$PAGE_BUFFERS from MON$DATABASE")},
                        {fb::ColumnDef{QStringLiteral("MON$PAGE_BUFFERS"), fb::ColumnType::Integer, 0, {}, {}, false, true}});
        pages.open();
        trimHeap();
        for (const Search& s : searches) {
            Figures& f = results[requested][s.label];
            f.pages = pages.field(QStringLiteral("MON$PAGE_BUFFERS")).asInteger();
            f.rssKb = std::max(f.rssKb, rssKb());
        }
    }

    const Figures& base = results[0][searches[0].label];
    const Figures& big = results[larger][searches[0].label];
    out(QStringLiteral("## Page cache of the enterprise database"));
    out();
    out(QStringLiteral("The program's lookups in the real `TfmMain` with the engine's default page cache (%1 pages) "
                       "and with %2 pages (sent as `DefaultDbCachePages` when the data module attaches; the engine "
                       "ignores `isc_dpb_num_buffers` here), milliseconds, median of %3 blocks for each size, the "
                       "sizes alternating (default, larger, larger, default, ...) so that changes in the machine's "
                       "load fall on both alike. Each block is a fresh data module, the file's only attachment, and "
                       "makes the first lookup after the start on a cold file (*first*), then for each search a "
                       "warm-up, one *warm* lookup (the file stays in the system's cache) and one *cold* lookup (the "
                       "file dropped from the system's cache with `posix_fadvise` `DONTNEED` just before it), and "
                       "ends with a refresh and one lookup after it. Resident size: the whole process after a "
                       "block's lookups, the largest of its blocks.")
            .arg(base.pages)
            .arg(big.pages)
            .arg(runs));
    out();
    Table t({QStringLiteral("Search"), QStringLiteral("Cache, pages"), QStringLiteral("Warm, ms"),
             QStringLiteral("Cold, ms"), QStringLiteral("Resident, MiB")});
    for (const Search& s : searches) {
        for (const int requested : {0, larger}) {
            const Figures& f = results[requested][s.label];
            t.row({s.label, QString::number(f.pages), cell(summarize(f.warm), 1), cell(summarize(f.cold), 1),
                   num(f.rssKb / 1024.0)});
        }
        const Figures& a = results[0][s.label];
        const Figures& b = results[larger][s.label];
        const double warm = summarize(b.warm).median / summarize(a.warm).median;
        const double cold = summarize(b.cold).median / summarize(a.cold).median;
        summaryLine(QStringLiteral("Page cache %1 pages, %2, warm / cold").arg(larger).arg(s.label),
                    num(summarize(b.warm).median) + QStringLiteral(" / ") + num(summarize(b.cold).median) +
                        QStringLiteral(" ms"),
                    num(summarize(a.warm).median) + QStringLiteral(" / ") + num(summarize(a.cold).median) +
                        QStringLiteral(" ms (default cache)"),
                    QString::number(warm, 'f', 2) + QStringLiteral("× / ") + QString::number(cold, 'f', 2) +
                        QStringLiteral("×"),
                    QStringLiteral("reported"), true);
    }
    t.print();
    out(QStringLiteral("The first unique lookup after the cache was emptied, milliseconds: after the start on a cold "
                       "file, and after a refresh (both connections closed and opened again, as the refresh timer "
                       "does every minute while the number field is empty) with the file in the system's cache."));
    out();
    Table first({QStringLiteral("Cache, pages"), QStringLiteral("After the start, cold file"),
                 QStringLiteral("After a refresh, warm file")});
    for (const Figures* f : {&base, &big})
        first.row({QString::number(f->pages), cell(summarize(f->firstCold), 1), cell(summarize(f->afterRefresh), 1)});
    first.print();
    summaryLine(QStringLiteral("Page cache %1 pages, first unique lookup after a refresh").arg(larger),
                num(summarize(big.afterRefresh).median) + QStringLiteral(" ms"),
                num(summarize(base.afterRefresh).median) + QStringLiteral(" ms (default cache)"),
                ratio(summarize(big.afterRefresh).median, summarize(base.afterRefresh).median),
                QStringLiteral("reported"), true);
    return 0;
}
