// Start-up: from process start to the main window painted, with both
// embedded databases, with a 1,000,000-line history file and with none. The
// benchmark starts itself again as the program: the child runs the program's
// own start sequence (app::run) in a folder of its own and says, on the
// shared monotonic clock, when the main window's first paint is done.
//
//   bench_startup <enterprise.gdb> <price.gdb>
//   bench_startup --child <folder>          (what the benchmark starts)

#include "bench/Bench.h"

#include "app/Application.h"
#include "lookup/TfmMain.h"
#include "platform/Desktop.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <cstdio>

using namespace bench;

namespace {

// Watches for the first paint of the main window; once that paint is over,
// reports the moment and ends the program the ordinary way.
class ShownProbe : public QObject {
public:
    explicit ShownProbe(double entered) : entered_(entered) {}

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (!seen_ && e->type() == QEvent::Paint && o->isWidgetType() &&
            qobject_cast<lookup::TfmMain*>(static_cast<QWidget*>(o)->window())) {
            seen_ = true;
            QTimer::singleShot(0, qApp, [this] {
                std::printf("ENTERED %.3f SHOWN %.3f\n", entered_, nowMs());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    double entered_;
    bool seen_ = false;
};

int child(int argc, char** argv)
{
    const double entered = nowMs();
    if (!app::displayAvailable())
        return 3;
    QApplication application(argc, argv);
    platform::setExePathForTests(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/Orvado"));
    ShownProbe probe(entered);
    application.installEventFilter(&probe);
    return app::run();
}

struct Launch {
    double total = 0;   // process start to window painted
    double toMain = 0;  // process start to main() entered
};

Launch launch(const QString& folder)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double t0 = nowMs();
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), folder});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        die(QStringLiteral("the program did not show its window within a minute"));
    }
    const QList<QByteArray> words = p.readAllStandardOutput().trimmed().split(' ');
    if (p.exitCode() != 0 || words.size() != 4 || words[0] != "ENTERED")
        die(QStringLiteral("the program ended with %1 before showing its window").arg(p.exitCode()));
    return {words[3].toDouble() - t0, words[1].toDouble() - t0};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 3)
        die(QStringLiteral("usage: bench_startup <enterprise.gdb> <price.gdb>"));
    ProgramFolder folder; // also the child's config folder (the environment is inherited)
    folder.writeSettings(args[1], args[2]);
    const QString history = folder.file(QStringLiteral("SearchedNum.log"));
    const int runs = runCount();

    struct Config {
        QString label;
        qint64 lines;
        Stats total, toMain;
        std::vector<double> totals, toMains;
    };
    std::vector<Config> configs = {{QStringLiteral("1,000,000-line history"), 1000000, {}, {}, {}, {}},
                                   {QStringLiteral("no history file (reference)"), 0, {}, {}, {}, {}}};
    // The history waits under another name while the reference runs, so both
    // meet a warm file cache and the same folder.
    const QString away = history + QStringLiteral(".away");
    QFile::remove(history);
    QFile::remove(away);
    writeSampleHistory(away, configs.front().lines);
    note(QStringLiteral("start-up: %1 and %2, alternating").arg(configs[0].label, configs[1].label));
    for (int i = 0; i <= runs; ++i) {
        // Alternating which goes first, so that neither always follows the other.
        for (int k = 0; k < 2; ++k) {
            Config& c = configs[size_t((i + k) % 2)];
            const bool ok = c.lines > 0 ? QFile::rename(away, history) : !QFile::exists(history);
            if (!ok)
                die(QStringLiteral("cannot lay out the history file for: %1").arg(c.label));
            // The program adds no line at start, so every run meets the same file.
            const Launch l = launch(folder.path());
            if (c.lines > 0 && !QFile::rename(history, away))
                die(QStringLiteral("cannot move the history file away"));
            if (i == 0)
                continue;
            c.totals.push_back(l.total);
            c.toMains.push_back(l.toMain);
        }
    }
    for (Config& c : configs) {
        c.total = summarize(c.totals);
        c.toMain = summarize(c.toMains);
    }
    const Config& big = configs.front();
    const Config& none = configs.back();
    constexpr double kTarget = 1.2;
    const double growth = big.total.median / none.total.median;
    const bool met = growth <= kTarget;
    const QString target = QStringLiteral("≤ 1.2× no history");

    out(QStringLiteral("## Start-up"));
    out();
    out(QStringLiteral("From process start (just before the benchmark starts the process) to the end of the main "
                       "window's first paint, milliseconds, %1 runs of each after one warm-up, the two alternating. "
                       "The process runs the program's own start sequence (`app::run`: data module, both embedded "
                       "databases connected, main window with the history loaded, order window) offscreen, with "
                       "the large enterprise database and the price database. The start only takes note of the "
                       "history file; its lines are read when the first search saves.")
            .arg(runs));
    out();
    Table t({QStringLiteral("History"), QStringLiteral("To window painted, ms"), QStringLiteral("Of that, to `main()`, ms"),
             QStringLiteral("Ratio"), QStringLiteral("Target")});
    for (const Config& c : configs)
        t.row({c.label, cell(c.total), cell(c.toMain), ratio(c.total.median, none.total.median),
               c.lines ? target : QString()});
    t.print();
    out(QStringLiteral("The start with a 1,000,000-line history takes %1 the start without one (target: at most %2×).")
            .arg(ratio(big.total.median, none.total.median), num(kTarget, 1)));
    out();
    summaryLine(QStringLiteral("Start-up, 1,000,000-line history"), num(big.total.median, 0) + QStringLiteral(" ms"),
                num(none.total.median, 0) + QStringLiteral(" ms (no history)"), ratio(big.total.median, none.total.median),
                target, met);
    return 0;
}
