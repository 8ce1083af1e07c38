// Many desks on one server: desks, each its own process with the program's
// data module and widget-free lookup, look makers' numbers up on the large
// enterprise database served by a private Firebird 3 server on loopback,
// while another client commits a document line every 100 ms and a
// monitoring connection samples the database's transaction markers every
// second.
//
// - One desk alone: the lookup's median and 95th percentile, the reference.
// - Ten desks, a lookup every 5 s each: every lookup answered, no error,
//   median and 95th percentile against one desk's.
// - The load raised in steps until the 95th percentile reaches twice one
//   desk's: the lookups per second one server of this machine carries.
// - Throughout: next transaction against oldest active and oldest snapshot.
// - The connection watch's looks at the monitoring tables (AttachmentLook, in
//   a probe connected as ServerWatch connects one): one look at a time with
//   idle desks open, its time and the server's processor time it costs, for
//   more and more attachments; a probe's attach, first look and detach; and
//   the ten desks once more, with the same numbers at the same moments, while
//   ten probes, one per desk, look at their desks every 2 s: the densest the
//   watch makes, ten desks waiting at once on calls just over 4 s long.
//
// The writer's lines go to a copy of the enterprise file, so the file the
// other benchmarks read stays as it was made.
//
//   bench_load <enterprise.gdb> <price.gdb>
//   bench_load --desk <index> <desks> <mean gap ms> <duration ms> <seed> <enterprise name> <price name> <numbers file>
//     (one desk; started by the benchmark itself)
//
// BENCH_LOAD_SCALE=0.2 makes every phase a fifth as long, for a quick try.

#include "bench/Bench.h"

#include "data/Settings.h"
#include "data/TdmMain.h"
#include "data/firebird/ServerWatch.h"
#include "lookup/PartLookup.h"
#include "platform/Prompts.h"
#include "tests/support/PrivateServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include <unistd.h>

using namespace bench;

namespace {

// A counter's pace: a lookup every 5 s at each of ten desks.
constexpr int kDesks = 10;
constexpr double kDeskGapMs = 5000;
constexpr double kWriterEveryMs = 100;
constexpr double kMonitorEveryMs = 1000;
// Phase lengths; the whole run stays under about ten minutes.
constexpr double kAloneMs = 90000;
constexpr double kTenDesksMs = 120000;
// A step lasts long enough for about 80 lookups, within these bounds.
constexpr double kStepLookups = 80;
constexpr double kStepShortestMs = 30000;
constexpr double kStepLongestMs = 60000;
// One desk alone looks up every 2 s on average (never sooner than 1 s after
// the last): one lookup at a time, never behind, and enough of them for a
// 95th percentile.
constexpr double kAloneGapMs = 2000;
// In the raised steps no desk is asked for a lookup more often than every
// 2.5 s on average, so the load the step offers is not bounded by desks that
// are still busy with their previous lookup.
constexpr double kShortestDeskGapMs = 2500;
// A gap between next transaction and oldest active or oldest snapshot under
// 10 s of the writer's commits is keeping up.
constexpr double kKeepUpGap = 100;
// The watch's looks alone: this many, one after another, with this many idle
// desks open; the server's processor time over them less what it spends as
// long without them (the writer and the monitor go on throughout).
constexpr int kLooksAlone = 1000;
const std::vector<int> kIdleDesks{0, 10, 30};
constexpr int kProbeAttaches = 40;
constexpr double kIdleWindowMs = 3000;
// The densest looks the watch makes: every desk waiting at once, each on
// calls of a little over 4 s one after another, so that its probe looks at
// 2 s and 4 s of every call: a look every 2 s a desk.
constexpr double kLookEveryMs = 2000;

void sleepUntil(double ms)
{
    const double left = ms - nowMs();
    if (left > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(qint64(left * 1000)));
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    // Nearest rank.
    const size_t rank = size_t(std::ceil(p / 100.0 * double(v.size())));
    return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

QString rate(double perSecond)
{
    return num(perSecond, perSecond < 10 ? 2 : 1);
}

// ---------------------------------------------------------------- one desk

// What the data module would ask or tell the person at the desk; a desk of
// this benchmark must meet none of it.
class Told : public platform::Prompts {
public:
    void message(const QString& text) override { texts << text; }
    void error(const QString& text) override { texts << text; }
    std::optional<QString> openFileName(const platform::FileDialogSpec&) override { return std::nullopt; }
    QStringList texts;
};

void say(const QByteArray& line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// A desk: the data module started as the program starts it, one lookup to
// prepare its statements, then READY; after GO <t0> it looks a random maker's
// number up at its moments from t0 on, one "L" line per lookup.
int runDesk(const QStringList& a)
{
    const int index = a[0].toInt(), desks = a[1].toInt();
    const double gap = a[2].toDouble(), duration = a[3].toDouble();
    std::mt19937_64 rng(a[4].toULongLong());
    ProgramFolder folder;
    folder.writeSettings(a[5], a[6]);
    QFile f(a[7]);
    if (!f.open(QIODevice::ReadOnly))
        die(QStringLiteral("cannot read %1").arg(a[7]));
    const QStringList numbers = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (numbers.isEmpty())
        die(QStringLiteral("no numbers in %1").arg(a[7]));

    Told told;
    data::TdmMain dm;
    if (!dm.DataModuleCreate(told) || !dm.inside().ibdAE.connected() || !told.texts.isEmpty())
        die(QStringLiteral("desk %1 did not start: %2").arg(index).arg(told.texts.join(QStringLiteral("; "))));
    lookup::PartLookup lookup(dm, data::markup());
    std::uniform_int_distribution<qsizetype> pick(0, numbers.size() - 1);
    std::uniform_real_distribution<double> unit(0, 1);

    // One search as the main window runs it; "" when the part was found,
    // else why not.
    auto search = [&](const QString& text, int* found) -> QString {
        try {
            // Typed on the page "Поиск", where a counter looks numbers up
            // (a lookup with one match leaves the desk on the prices page).
            lookup.setNumber(text);
            lookup.setPage(lookup::Page::Search);
            if (!lookup.beginSearch(text))
                return QStringLiteral("blank number");
            dm.enterpriseBatch([&] { lookup.finishSearch(text, false); });
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
        const lookup::PartList& parts = lookup.view().parts;
        *found = parts.count();
        for (int r = 0; r < parts.count(); ++r)
            if (parts.rows->at(size_t(r)).manufactureCode == text)
                return {};
        return QStringLiteral("the part was not among the %1 found").arg(parts.count());
    };

    int found = 0;
    if (const QString why = search(numbers[pick(rng)], &found); !why.isEmpty())
        die(QStringLiteral("desk %1, first lookup: %2").arg(index).arg(why));
    // The server's id of the desk's enterprise attachment, for a probe to look at.
    say("READY " + QByteArray::number(dm.inside().ibdAE.attachmentId()));
    char line[128] = {};
    if (!std::fgets(line, sizeof line, stdin) || std::strncmp(line, "GO ", 3) != 0)
        die(QStringLiteral("desk %1: no start").arg(index));
    const double t0 = std::strtod(line + 3, nullptr);
    const double end = t0 + duration;

    // The desks' first lookups are spread over the first gap; after that each
    // desk's gaps vary by half either way around the mean, as customers come.
    double at = t0 + (index + unit(rng)) * gap / desks;
    // Every customer who came within the phase is served, late when the desk
    // was still busy: a lookup due before the end is made even after it.
    for (; at < end; at += gap * (0.5 + unit(rng))) {
        sleepUntil(at);
        const QString text = numbers[pick(rng)];
        const double start = nowMs();
        found = 0;
        const QString why = search(text, &found);
        const double done = nowMs();
        say(QStringLiteral("L %1 %2 %3 %4 %5")
                .arg(num(at, 3), num(start, 3), num(done, 3))
                .arg(found)
                .arg(why.isEmpty() ? QStringLiteral("ok") : QStringLiteral("ERR ") + why.simplified())
                .toUtf8());
    }
    // The attachment stays a little past the phase's end: a probe may still look at it.
    sleepUntil(end + 1000);
    return 0;
}

// ---------------------------------------------------------- the benchmark

struct Lookup {
    double scheduled = 0, start = 0, done = 0;
    bool ok = false;
    QString error;
    double ms() const { return done - scheduled; } // from the moment the desk was to look up
    double ownMs() const { return done - start; }  // the lookup alone
};

struct Sample {
    double at = 0;
    double oldest = 0, active = 0, snapshot = 0, next = 0;
};

struct Commit {
    double at = 0, ms = 0;
    bool ok = false;
};

// Connects a client of the benchmark's own (writer, monitor) to the server
// with the program's parameters.
std::unique_ptr<fb::Database> client(const QString& alias, const QString& name, const fb::ConnectParams& params,
                                     fb::CloseAction close, fb::Access access)
{
    auto db = std::make_unique<fb::Database>(alias, close, access);
    db->setDatabaseName(name);
    db->params() = params;
    db->connect();
    return db;
}

fb::ColumnDef number(const char* name)
{
    return fb::ColumnDef{QString::fromLatin1(name), fb::ColumnType::Double, 0, {}, {}, false, true};
}

// The other client of the shop: a sale of one line, committed, every 100 ms.
class Writer {
public:
    Writer(const QString& name, const fb::ConnectParams& params)
        : db_(client(QStringLiteral("WRITER"), name, params, fb::CloseAction::Commit, fb::Access::ReadWrite))
    {
        fb::Query ids(*db_, QStringLiteral("ids"),
                      {QStringLiteral("select (select max(ID) from DOCHEADER) as HEAD, (select max(ID) from DOCPARTS) "
                                      "as LINE, (select max(ID) from PART) as PART from RDB$DATABASE")},
                      {number("HEAD"), number("LINE"), number("PART")});
        ids.open();
        head_ = qint32(ids.field(QStringLiteral("HEAD")).asDouble());
        line_ = qint32(ids.field(QStringLiteral("LINE")).asDouble());
        parts_ = qint32(ids.field(QStringLiteral("PART")).asDouble());
        ids.close();
        db_->transaction().commit();
        thread_ = std::thread([this] { run(); });
    }
    ~Writer() { stop(); }

    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    std::vector<Commit> commits()
    {
        std::lock_guard<std::mutex> lock(m_);
        return commits_;
    }
    QStringList errors()
    {
        std::lock_guard<std::mutex> lock(m_);
        return errors_;
    }

private:
    void run()
    {
        fb::Query head(*db_, QStringLiteral("head"),
                       {QStringLiteral("insert into DOCHEADER (ID, NUMBER, DIRECTION, DATEIN) values (:ID, :ID, -1, "
                                       "'NOW')")});
        fb::Query line(*db_, QStringLiteral("line"),
                       {QStringLiteral("insert into DOCPARTS (ID, IDDOCHEAD, IDPART, SKLAD, DATEIN, COUNTS, DIRECTION, "
                                       "RESERVE, CURRENCYSHORT, SUMMCURRENCY, PRICE, SUMM)"),
                        QStringLiteral("values (:ID, :HEAD, :PART, 'E', 'NOW', :COUNTS, -1, 0, 'RUB', :PRICE, :PRICE, "
                                       ":SUMM)")});
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> unit(0, 1);
        double at = nowMs();
        while (!stop_) {
            sleepUntil(at);
            // Busy parts get most of the lines, as in the generated file.
            const double x = unit(rng);
            const qint32 part = std::min(parts_, 1 + qint32(x * x * x * parts_));
            const double counts = 1 + std::floor(unit(rng) * 3);
            const double price = std::round((50 + 9000 * unit(rng)) * 100) / 100;
            const double start = nowMs();
            bool ok = true;
            try {
                head.setParam(QStringLiteral("ID"), qint32(head_ + 1));
                head.execute();
                line.setParam(QStringLiteral("ID"), qint32(line_ + 1));
                line.setParam(QStringLiteral("HEAD"), qint32(head_ + 1));
                line.setParam(QStringLiteral("PART"), part);
                line.setParam(QStringLiteral("COUNTS"), counts);
                line.setParam(QStringLiteral("PRICE"), price);
                line.setParam(QStringLiteral("SUMM"), price * counts);
                line.execute();
                db_->transaction().commit();
                ++head_;
                ++line_;
            } catch (const std::exception& e) {
                ok = false;
                std::lock_guard<std::mutex> lock(m_);
                errors_ << QString::fromUtf8(e.what()).simplified();
                try {
                    db_->transaction().rollback();
                } catch (const std::exception&) {
                }
            }
            {
                std::lock_guard<std::mutex> lock(m_);
                commits_.push_back({start, nowMs() - start, ok});
            }
            at += kWriterEveryMs;
            // After a stall the writer goes on at its pace, without a burst.
            at = std::max(at, nowMs());
        }
    }

    std::unique_ptr<fb::Database> db_;
    qint32 head_ = 0, line_ = 0, parts_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::vector<Commit> commits_;
    QStringList errors_;
};

// Samples the transaction markers of the database every second. The
// monitoring tables hold still for the length of a transaction, so each
// sample is a transaction of its own (read-only read-committed, as the
// program's).
class Monitor {
public:
    Monitor(const QString& name, const fb::ConnectParams& params)
        : db_(client(QStringLiteral("MONITOR"), name, params, fb::CloseAction::Rollback, fb::Access::ReadOnly))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~Monitor() { stop(); }
    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    std::vector<Sample> samples()
    {
        std::lock_guard<std::mutex> lock(m_);
        return samples_;
    }
    QStringList errors()
    {
        std::lock_guard<std::mutex> lock(m_);
        return errors_;
    }

private:
    void run()
    {
        fb::Query q(*db_, QStringLiteral("markers"),
                    {QStringLiteral("select cast(MON$OLDEST_TRANSACTION as double precision) as OIT,"),
                     QStringLiteral("cast(MON$OLDEST_ACTIVE as double precision) as OAT,"),
                     QStringLiteral("cast(MON$OLDEST_SNAPSHOT as double precision) as OST,"),
                     QStringLiteral("cast(MON$NEXT_TRANSACTION as double precision) as NXT from MON$DATABASE")},
                    {number("OIT"), number("OAT"), number("OST"), number("NXT")});
        double at = nowMs();
        while (!stop_) {
            sleepUntil(at);
            try {
                q.open();
                Sample s;
                s.at = nowMs();
                s.oldest = q.field(QStringLiteral("OIT")).asDouble();
                s.active = q.field(QStringLiteral("OAT")).asDouble();
                s.snapshot = q.field(QStringLiteral("OST")).asDouble();
                s.next = q.field(QStringLiteral("NXT")).asDouble();
                q.close();
                db_->transaction().commit();
                std::lock_guard<std::mutex> lock(m_);
                samples_.push_back(s);
            } catch (const std::exception& e) {
                std::lock_guard<std::mutex> lock(m_);
                errors_ << QString::fromUtf8(e.what()).simplified();
            }
            at = std::max(at + kMonitorEveryMs, nowMs());
        }
    }

    std::unique_ptr<fb::Database> db_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::vector<Sample> samples_;
    QStringList errors_;
};

// BENCH_LOAD_SCALE shortens (or lengthens) every phase, for a quick try.
double durationScale()
{
    bool ok = false;
    const double f = qEnvironmentVariable("BENCH_LOAD_SCALE").toDouble(&ok);
    return ok && f > 0 ? f : 1.0;
}

// Busy and total processor time of the whole machine so far, in ticks.
std::pair<double, double> machineCpu()
{
    QFile f(QStringLiteral("/proc/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return {0, 0};
    const QList<QByteArray> v = f.readLine().simplified().split(' ');
    double busy = 0, total = 0;
    // cpu user nice system idle iowait irq softirq steal
    for (int i = 1; i < v.size() && i <= 8; ++i) {
        total += v[i].toDouble();
        if (i != 4 && i != 5)
            busy += v[i].toDouble();
    }
    return {busy, total};
}

// Processor time a process has used so far, in ms.
double processCpuMs(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray s = f.readAll();
    // Fields after the command name, which is in brackets: utime and stime
    // are the 12th and 13th of them.
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

struct Phase {
    Phase(QString l, int n, double gap, double duration)
        : label(std::move(l)), desks(n), gapMs(gap), durationMs(duration * durationScale())
    {
    }
    QString label;
    int desks = 0;
    double gapMs = 0;      // each desk's mean gap
    double durationMs = 0;
    quint64 seedBase = 0;  // desk i draws from seedBase + 1 + i; 0: seeds not used before
    double t0 = 0, t1 = 0; // the measured window
    std::vector<Lookup> lookups;
    double serverCpu = 0;  // ms over the window
    double desksCpu = 0;   // ms over the window, all desks
    double ownCpu = 0;     // ms over the window, this process (writer, monitor, probes)
    double machineBusy = 0; // share of all the machine's processors busy over the window, by anyone
    qint64 attaches = -1;  // attachments made to the enterprise database within the window; -1: not known

    double offered() const { return desks * 1000.0 / gapMs; }
    int errors() const
    {
        return int(std::count_if(lookups.begin(), lookups.end(), [](const Lookup& l) { return !l.ok; }));
    }
    std::vector<double> times() const
    {
        std::vector<double> v;
        for (const Lookup& l : lookups)
            v.push_back(l.ms());
        return v;
    }
    double median() const { return summarize(times()).median; }
    double p95() const { return percentile(times(), 95); }
    double answeredPerSecond() const
    {
        return double(lookups.size() - size_t(errors())) * 1000.0 / (t1 - t0);
    }
    double serverCpuPerLookup() const { return lookups.empty() ? 0 : serverCpu / double(lookups.size()); }
};

struct Setup {
    QString exe, entName, priceName, numbersFile;
    QString probeName; // the enterprise database at the server's numeric address, as a probe names it
    fb::ConnectParams params;
    qint64 serverPid = 0;
    quint64 seed = 1;
};

// The server's id of the newest attachment to the enterprise database: that
// of a connection made for the purpose. The ids count up by one an attach,
// so two of them tell how many attachments were made between.
qint64 newestAttachment(const Setup& s)
{
    return client(QStringLiteral("COUNT"), s.entName, s.params, fb::CloseAction::Rollback, fb::Access::ReadOnly)
        ->attachmentId();
}

// Desk processes, started and ready, each having made its first lookup.
struct Desks {
    QString label;
    std::vector<std::unique_ptr<QProcess>> procs;
    std::vector<QByteArray> output;
    std::vector<qint64> attachments; // each desk's enterprise attachment, as the server numbers it
};

Desks startDesks(const QString& label, int n, double gapMs, double durationMs, quint64 seedBase, const Setup& s)
{
    Desks d;
    d.label = label;
    for (int i = 0; i < n; ++i) {
        auto proc = std::make_unique<QProcess>();
        proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc->start(s.exe, {QStringLiteral("--desk"), QString::number(i), QString::number(n), num(gapMs, 0),
                            num(durationMs, 0), QString::number(seedBase + 1 + quint64(i)), s.entName,
                            s.priceName, s.numbersFile});
        d.procs.push_back(std::move(proc));
    }
    d.output.resize(d.procs.size());
    for (size_t i = 0; i < d.procs.size(); ++i) {
        const double deadline = nowMs() + 120000;
        qsizetype ready = -1;
        while ((ready = d.output[i].indexOf("READY ")) < 0 || d.output[i].indexOf('\n', ready) < 0) {
            if (nowMs() > deadline || d.procs[i]->state() == QProcess::NotRunning)
                die(QStringLiteral("desk %1 of %2 did not get ready").arg(i).arg(label));
            d.procs[i]->waitForReadyRead(1000);
            d.output[i] += d.procs[i]->readAllStandardOutput();
        }
        const qsizetype end = d.output[i].indexOf('\n', ready);
        d.attachments.push_back(d.output[i].mid(ready + 6, end - ready - 6).toLongLong());
    }
    return d;
}

// Lets every desk go at one moment: from t0 on each looks up at its moments.
void letGo(Desks& d, double t0)
{
    const QByteArray go = "GO " + num(t0, 3).toLatin1() + "\n";
    // Without an event loop a process's input goes out only when waited for.
    for (auto& p : d.procs) {
        p->write(go);
        p->waitForBytesWritten(1000);
    }
}

// Waits for the desks to end and gathers their lookups, in the order they were due.
std::vector<Lookup> finish(Desks& d)
{
    std::vector<Lookup> lookups;
    for (size_t i = 0; i < d.procs.size(); ++i) {
        if (!d.procs[i]->waitForFinished(180000) || d.procs[i]->exitCode() != 0)
            die(QStringLiteral("desk %1 of %2 did not end well").arg(i).arg(d.label));
        d.output[i] += d.procs[i]->readAllStandardOutput();
        for (const QByteArray& raw : d.output[i].split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (!line.startsWith(QLatin1String("L ")))
                continue;
            const QStringList f = line.split(QLatin1Char(' '));
            Lookup l;
            l.scheduled = f[1].toDouble();
            l.start = f[2].toDouble();
            l.done = f[3].toDouble();
            l.ok = f[5] == QLatin1String("ok");
            if (!l.ok)
                l.error = line.section(QLatin1Char(' '), 6);
            lookups.push_back(l);
        }
    }
    std::sort(lookups.begin(), lookups.end(), [](const Lookup& a, const Lookup& b) { return a.scheduled < b.scheduled; });
    return lookups;
}

// What else runs beside the desks of a phase: told when the desks are ready
// (their attachments), and when the window opens and closes.
struct Beside {
    std::function<void(const std::vector<qint64>&)> ready;
    std::function<void(double t0, double t1)> go;
};

// Starts the desks, waits until each has made its first lookup, lets them
// all go at one moment, and gathers their lookups.
void runPhase(Phase& p, Setup& s, const Beside& beside = {})
{
    note(QStringLiteral("load: %1 (%2 desks, a lookup every %3 s each, %4 s)")
             .arg(p.label)
             .arg(p.desks)
             .arg(num(p.gapMs / 1000, 2), num(p.durationMs / 1000, 0)));
    if (p.seedBase == 0) {
        p.seedBase = s.seed;
        s.seed += quint64(p.desks);
    }
    Desks desks = startDesks(p.label, p.desks, p.gapMs, p.durationMs, p.seedBase, s);
    if (beside.ready)
        beside.ready(desks.attachments);
    const qint64 newest0 = newestAttachment(s);
    p.t0 = nowMs() + 300;
    p.t1 = p.t0 + p.durationMs;
    letGo(desks, p.t0);
    if (beside.go)
        beside.go(p.t0, p.t1);
    sleepUntil(p.t0);
    auto desksCpu = [&] {
        double ms = 0;
        for (auto& d : desks.procs)
            ms += processCpuMs(d->processId());
        return ms;
    };
    const double cpu0 = processCpuMs(s.serverPid), desks0 = desksCpu(), own0 = processCpuMs(getpid());
    const auto machine0 = machineCpu();
    sleepUntil(p.t1);
    p.serverCpu = processCpuMs(s.serverPid) - cpu0;
    p.desksCpu = desksCpu() - desks0;
    p.ownCpu = processCpuMs(getpid()) - own0;
    const auto machine1 = machineCpu();
    if (machine1.second > machine0.second)
        p.machineBusy = (machine1.first - machine0.first) / (machine1.second - machine0.second);
    const qint64 newest1 = newestAttachment(s);
    if (newest0 > 0 && newest1 > newest0)
        p.attaches = newest1 - newest0 - 1;
    p.lookups = finish(desks);
    note(QStringLiteral("  %1 lookups, %2 failed, median %3 ms, p95 %4 ms, server CPU %5 ms a lookup, %6 attachments made")
             .arg(p.lookups.size())
             .arg(p.errors())
             .arg(num(p.median(), 1), num(p.p95(), 1), num(p.serverCpuPerLookup(), 1))
             .arg(p.attaches));
}

// ------------------------------------------------------ the watch's looks

// A probe as the connection watch attaches one: the program's parameters in
// dialect 3, to the server's numeric address, its attach bounded as the
// watch bounds it.
std::unique_ptr<fb::Database> probe(const Setup& s)
{
    fb::ConnectParams params = s.params;
    params.dialect = 3;
    params.pageBuffers = 0;
    params.forcedWrites = -1;
    params.connectTimeout = std::max(1, (fb::WatchTimes{}.probeAttachMs + 999) / 1000);
    return client(QStringLiteral("PROBE"), s.probeName, params, fb::CloseAction::Rollback, fb::Access::ReadOnly);
}

struct LookTime {
    double due = 0, start = 0, done = 0;
    bool ok = false, found = false;
    QString error;
    double ms() const { return done - start; }
};

// How many looks the watch makes in a call of that length: the probe asked
// for after the quiet time, a look at once, then gaps of 2 s doubling up to
// 8 s (the probe's attach and the looks' own time left out).
int watchLooksIn(double callMs)
{
    const fb::WatchTimes t;
    int looks = 0;
    double gap = 0;
    for (double at = t.quietMs; at < callMs; at += gap) {
        gap = looks == 0 ? t.lookGapMs : std::min(gap * 2, double(t.lookEveryMaxMs));
        ++looks;
    }
    return looks;
}

// The server's processor time a second while nothing but the writer and the
// monitor run (idle desks' attachments open).
double serverIdleCpuPerMs(const Setup& s)
{
    const double t0 = nowMs(), cpu0 = processCpuMs(s.serverPid);
    sleepUntil(t0 + kIdleWindowMs);
    return (processCpuMs(s.serverPid) - cpu0) / (nowMs() - t0);
}

struct LooksAlone {
    int desks = 0;
    int attachments = 0, statements = 0; // what the snapshot holds of the database
    std::vector<double> ms;
    int missed = 0;        // looks that did not find the attachment
    double windowMs = 0;   // over all the looks
    double cpuMs = 0;      // the server's, over the looks
    double idleCpuMs = 0;  // the server's over as long without looks
    double perLook() const { return ms.empty() ? 0 : (cpuMs - idleCpuMs) / double(ms.size()); }
};

// Looks one after another at one attachment through a probe of its own; the
// first look (its statement prepared) is not counted.
LooksAlone looksAlone(int desks, qint64 target, const Setup& s)
{
    LooksAlone r;
    r.desks = desks;
    auto db = probe(s);
    {
        fb::Query q(*db, QStringLiteral("counts"),
                    {QStringLiteral("select cast((select count(*) from MON$ATTACHMENTS) as double precision) as A,"),
                     QStringLiteral("cast((select count(*) from MON$STATEMENTS) as double precision) as S "
                                    "from RDB$DATABASE")},
                    {number("A"), number("S")});
        q.open();
        r.attachments = int(q.field(QStringLiteral("A")).asDouble());
        r.statements = int(q.field(QStringLiteral("S")).asDouble());
        q.close();
        db->transaction().commit();
    }
    fb::AttachmentLook look(*db);
    if (!look.at(target ? target : db->attachmentId()).found)
        die(QStringLiteral("a look found no attachment %1").arg(target));
    const double idleBefore = serverIdleCpuPerMs(s);
    const double t0 = nowMs(), cpu0 = processCpuMs(s.serverPid);
    for (int i = 0; i < kLooksAlone; ++i) {
        const double start = nowMs();
        const fb::ServerWatch::Look l = look.at(target ? target : db->attachmentId());
        r.ms.push_back(nowMs() - start);
        r.missed += l.found ? 0 : 1;
    }
    r.cpuMs = processCpuMs(s.serverPid) - cpu0;
    r.windowMs = nowMs() - t0;
    const double idleAfter = serverIdleCpuPerMs(s);
    r.idleCpuMs = (idleBefore + idleAfter) / 2 * r.windowMs;
    note(QStringLiteral("looks alone, %1 idle desks: %2 attachments, %3 statements, median %4 ms, p95 %5 ms, "
                        "server CPU %6 ms a look (%7 ms over %8 ms, idle %9 ms)")
             .arg(desks)
             .arg(r.attachments)
             .arg(r.statements)
             .arg(num(summarize(r.ms).median, 2), num(percentile(r.ms, 95), 2), num(r.perLook(), 2),
                  num(r.cpuMs, 0), num(r.windowMs, 0), num(r.idleCpuMs, 0)));
    return r;
}

struct ProbeAttaches {
    std::vector<double> ms; // attach, first look, detach
    double cpuMs = 0, idleCpuMs = 0, windowMs = 0;
    double perProbe() const { return ms.empty() ? 0 : (cpuMs - idleCpuMs) / double(ms.size()); }
};

// What a long wait costs however short: a probe attached, its first look
// (the statement prepared with it) and its detach, one after another.
ProbeAttaches probeAttaches(qint64 target, const Setup& s)
{
    ProbeAttaches r;
    const double idleBefore = serverIdleCpuPerMs(s);
    const double t0 = nowMs(), cpu0 = processCpuMs(s.serverPid);
    for (int i = 0; i < kProbeAttaches; ++i) {
        const double start = nowMs();
        {
            auto db = probe(s);
            fb::AttachmentLook look(*db);
            if (!look.at(target).found)
                die(QStringLiteral("a probe's look found no attachment %1").arg(target));
            db->disconnect();
        }
        r.ms.push_back(nowMs() - start);
    }
    r.cpuMs = processCpuMs(s.serverPid) - cpu0;
    r.windowMs = nowMs() - t0;
    const double idleAfter = serverIdleCpuPerMs(s);
    r.idleCpuMs = (idleBefore + idleAfter) / 2 * r.windowMs;
    note(QStringLiteral("probe attach, look, detach: median %1 ms, p95 %2 ms, server CPU %3 ms each")
             .arg(num(summarize(r.ms).median, 1), num(percentile(r.ms, 95), 1), num(r.perProbe(), 1)));
    return r;
}

// Probes beside the desks, one per desk, each looking at its desk's
// attachment every 2 s (counted from the answer of the look before, as the
// watch counts), their first looks spread over the first gap.
class Prober {
public:
    explicit Prober(const Setup& s) : s_(s) {}
    ~Prober() { finish(); }

    void attach(const std::vector<qint64>& targets)
    {
        targets_ = targets;
        for (size_t i = 0; i < targets.size(); ++i)
            probes_.push_back(probe(s_));
    }
    void start(double t0, double t1)
    {
        looks_.resize(probes_.size());
        for (size_t i = 0; i < probes_.size(); ++i)
            threads_.emplace_back([this, i, t0, t1] {
                run(i, t0 + kLookEveryMs * double(i) / double(probes_.size()), t1);
            });
    }
    void finish()
    {
        for (std::thread& t : threads_)
            t.join();
        threads_.clear();
        probes_.clear(); // their detaches
    }
    std::vector<LookTime> looks() const
    {
        std::vector<LookTime> all;
        for (const auto& v : looks_)
            all.insert(all.end(), v.begin(), v.end());
        return all;
    }

private:
    void run(size_t i, double at, double end)
    {
        // The statement is prepared by the first look, as in every probe the watch attaches.
        fb::AttachmentLook look(*probes_[i]);
        while (at < end) {
            sleepUntil(at);
            LookTime l;
            l.due = at;
            l.start = nowMs();
            try {
                l.found = look.at(targets_[i]).found;
                l.ok = true;
            } catch (const std::exception& e) {
                l.error = QString::fromUtf8(e.what()).simplified();
            }
            l.done = nowMs();
            looks_[i].push_back(l);
            at = l.done + kLookEveryMs;
        }
    }

    const Setup& s_;
    std::vector<qint64> targets_;
    std::vector<std::unique_ptr<fb::Database>> probes_;
    std::vector<std::thread> threads_;
    std::vector<std::vector<LookTime>> looks_; // each probe's, written by its thread only
};

struct Gaps {
    double active = 0, snapshot = 0; // the largest next − oldest active / snapshot
    double nextFrom = 0, nextTo = 0;
    double oldestFrom = 0, oldestTo = 0;
    int samples = 0;
};

Gaps gapsIn(const std::vector<Sample>& samples, double from, double to)
{
    Gaps g;
    for (const Sample& s : samples) {
        if (s.at < from || s.at > to)
            continue;
        if (g.samples++ == 0) {
            g.nextFrom = s.next;
            g.oldestFrom = s.active;
        }
        g.active = std::max(g.active, s.next - s.active);
        g.snapshot = std::max(g.snapshot, s.next - s.snapshot);
        g.nextTo = s.next;
        g.oldestTo = s.active;
    }
    return g;
}

int runBenchmark(const QStringList& args)
{
    if (args.size() != 3)
        die(QStringLiteral("usage: bench_load <enterprise.gdb> <price.gdb>"));
    auto heading = [] {
        out(QStringLiteral("## Load: ten desks on one server"));
        out();
    };
    if (const QString why = testsupport::PrivateServer::unavailableReason(); !why.isEmpty()) {
        heading();
        out(QStringLiteral("Not measured: no Firebird server can run here (%1).").arg(why));
        return 0;
    }
    const double begun = nowMs();
    ProgramFolder folder;
    // Beside the source file: the copy is as large, and that disk holds it.
    QTemporaryDir work(QFileInfo(args[1]).absolutePath() + QStringLiteral("/load-XXXXXX"));
    if (!work.isValid())
        die(QStringLiteral("no folder for the copies beside %1").arg(args[1]));
    const QString ent = work.filePath(QStringLiteral("AENTER.GDB"));
    const QString price = work.filePath(QStringLiteral("ORVADO.GDB"));
    if (!QFile::copy(args[1], ent) || !QFile::copy(args[2], price))
        die(QStringLiteral("cannot copy the databases into %1").arg(work.path()));
    const double fileMiB = double(QFileInfo(ent).size()) / 1048576.0;

    testsupport::PrivateServer server;
    QString error;
    if (!server.start(&error))
        die(QStringLiteral("no private Firebird server: ") + error);
    Setup s;
    s.exe = QCoreApplication::applicationFilePath();
    s.entName = server.databaseName(ent);
    s.priceName = server.databaseName(price);
    s.serverPid = server.pid();

    // The program's own connection parameters.
    fb::ConnectParams params;
    {
        data::TdmMain dm;
        params = dm.inside().ibdAE.params();
    }
    s.params = params;

    // Makers' numbers to look up: every hundredth part's, read through the server.
    int numberCount = 0;
    {
        auto db = client(QStringLiteral("NUMBERS"), s.entName, params, fb::CloseAction::Rollback, fb::Access::ReadOnly);
        // A probe goes to the address the connection reached, as the watch sends it.
        const std::optional<fb::ServerName> where = fb::splitServerName(s.entName);
        if (!where || db->serverAddress().isEmpty())
            die(QStringLiteral("no server address for %1").arg(s.entName));
        s.probeName = db->serverAddress() + QLatin1Char(':') + where->path;
        fb::Query q(*db, QStringLiteral("numbers"),
                    {QStringLiteral("select MANUFACTURECODE from PART where mod(ID, 100) = 37 order by ID")},
                    {fb::ColumnDef{QStringLiteral("MANUFACTURECODE"), fb::ColumnType::Text, 50, {}, {}, false, true}});
        q.open();
        QByteArray list;
        for (int r = 0; r < q.recordCount(); ++r)
            if (const QString n = q.fieldAt(r, 0).asString(); !lookup::blankNumber(n))
                list += n.toUtf8() + '\n';
        numberCount = q.recordCount();
        q.close();
        s.numbersFile = work.filePath(QStringLiteral("numbers.txt"));
        QFile f(s.numbersFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(list) != list.size())
            die(QStringLiteral("cannot write ") + s.numbersFile);
    }
    if (numberCount == 0)
        die(QStringLiteral("no makers' numbers in %1").arg(args[1]));

    auto monitor = std::make_unique<Monitor>(s.entName, params);
    auto writer = std::make_unique<Writer>(s.entName, params);
    const QString loadBefore = [] {
        QFile f(QStringLiteral("/proc/loadavg"));
        f.open(QIODevice::ReadOnly);
        return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
    }();

    // The watch's looks alone, with more and more idle desks' attachments
    // open; the idle desks draw seeds of their own, so the phases' desks draw
    // what they always did.
    std::vector<LooksAlone> looks;
    ProbeAttaches attaches;
    for (int n : kIdleDesks) {
        Desks idle = startDesks(QStringLiteral("%1 idle desks").arg(n), n, kDeskGapMs, 0, 1000, s);
        looks.push_back(looksAlone(n, n > 0 ? idle.attachments[0] : 0, s));
        if (n == kDesks)
            attaches = probeAttaches(idle.attachments[0], s);
        // Told to go with nothing due, they end.
        letGo(idle, nowMs());
        finish(idle);
    }

    Phase alone{QStringLiteral("one desk alone"), 1, kAloneGapMs, kAloneMs};
    runPhase(alone, s);
    Phase ten{QStringLiteral("ten desks"), kDesks, kDeskGapMs, kTenDesksMs};
    runPhase(ten, s);
    // The same ten desks once more, the same numbers at the same moments,
    // with a probe per desk looking at its desk every 2 s.
    Phase probed{QStringLiteral("ten desks, a probe per desk looking every 2 s"), kDesks, kDeskGapMs, kTenDesksMs};
    probed.seedBase = ten.seedBase;
    std::vector<LookTime> probedLooks;
    {
        Prober prober(s);
        runPhase(probed, s,
                 Beside{[&](const std::vector<qint64>& ids) { prober.attach(ids); },
                        [&](double t0, double t1) { prober.start(t0, t1); }});
        prober.finish();
        probedLooks = prober.looks();
    }
    // And the ten desks without the probes once more: how much two runs of
    // the same phase differ on this machine.
    Phase again{QStringLiteral("ten desks again"), kDesks, kDeskGapMs, kTenDesksMs};
    again.seedBase = ten.seedBase;
    runPhase(again, s);
    const double aloneP95 = alone.p95();
    const double limit = 2 * aloneP95;

    // The load raised (or, when ten desks already reach the limit, lowered)
    // step by step, in lookups per second over all desks, until the 95th
    // percentile crosses twice one desk's.
    std::vector<Phase> steps;
    const bool tenReached = ten.p95() >= limit;
    const std::vector<double> ladder =
        tenReached ? std::vector<double>{1.5, 1.0, 0.5} : std::vector<double>{3, 4, 5, 6, 8, 10, 12, 16};
    for (double r : ladder) {
        const int desks = std::max(kDesks, int(std::ceil(r * kShortestDeskGapMs / 1000.0)));
        const double ms = std::clamp(kStepLookups / r * 1000.0, kStepShortestMs, kStepLongestMs);
        Phase p{QStringLiteral("step %1/s").arg(rate(r)), desks, desks * 1000.0 / r, ms};
        runPhase(p, s);
        steps.push_back(std::move(p));
        const bool reached = steps.back().p95() >= limit;
        if (reached != tenReached)
            break;
    }
    writer->stop();
    monitor->stop();
    const std::vector<Commit> commits = writer->commits();
    const std::vector<Sample> samples = monitor->samples();
    const QStringList otherErrors = writer->errors() + monitor->errors();
    // Their connections close while the server still answers.
    writer.reset();
    monitor.reset();
    const QString loadAfter = [] {
        QFile f(QStringLiteral("/proc/loadavg"));
        f.open(QIODevice::ReadOnly);
        return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
    }();
    server.stop();

    // Every measured phase in order of load, the ten desks among the steps.
    std::vector<const Phase*> byLoad{&ten};
    for (const Phase& p : steps)
        byLoad.push_back(&p);
    std::sort(byLoad.begin(), byLoad.end(), [](const Phase* a, const Phase* b) { return a->offered() < b->offered(); });
    // The crossing: the last phase below the limit and the first at or above it.
    const Phase *below = nullptr, *above = nullptr;
    for (const Phase* p : byLoad) {
        if (p->p95() < limit)
            below = p;
        else if (!above)
            above = p;
    }
    double carried = 0; // by straight-line interpolation between the two
    if (below && above && above->p95() > below->p95())
        carried = below->answeredPerSecond() + (limit - below->p95()) * (above->answeredPerSecond() -
                                                                          below->answeredPerSecond()) /
                                                   (above->p95() - below->p95());

    std::vector<double> commitMs;
    int commitErrors = 0;
    for (const Commit& c : commits) {
        commitMs.push_back(c.ms);
        commitErrors += c.ok ? 0 : 1;
    }

    // ------------------------------------------------------------ report
    heading();
    out(QStringLiteral(
            "`bench_load`: desks looking makers' numbers up on the large enterprise database (a copy of it, %1 MiB), "
            "served by a private Firebird 3 server (SuperServer, its default configuration: 2,048 pages of page cache) "
            "on loopback. Each desk is a process of its own with the program's data module (`TdmMain`, started from "
            "a settings file naming both databases on the server, as a shop's desk is) and the lookup without widgets "
            "(`PartLookup`), run as the main window runs it: `beginSearch`, then `finishSearch` on the enterprise "
            "connection's own thread. The numbers looked up are drawn at random from %2 real makers' numbers of the "
            "file (every hundredth part's), typed whole as a counter types them. Each desk makes one lookup before "
            "the measurement (its statements get prepared), then looks up at moments of its own: the desks' first "
            "lookups spread over the first gap, each later one a gap of the desk's mean ± half (uniformly) after the "
            "one before. The time of a lookup runs from the moment it was due to the end of `finishSearch`, so a desk "
            "still busy with its previous lookup adds that wait; every lookup due within the phase is made, late "
            "when its desk was busy, as a counter serves every customer who came. Meanwhile another client commits a sale (a "
            "`DOCHEADER` and a `DOCPARTS` line for a random part, busy parts more often) every %3 ms in a "
            "transaction of its own, and a monitoring connection reads `MON$DATABASE` every second in a read-only "
            "read-committed transaction of its own. The desks, the writer and the server share this machine's "
            "%4 CPUs.")
            .arg(num(fileMiB, 0))
            .arg(numberCount)
            .arg(num(kWriterEveryMs, 0))
            .arg(std::thread::hardware_concurrency()));
    out();
    Table t({QStringLiteral("Load"), QStringLiteral("Desks"), QStringLiteral("Lookup every (s, each desk)"),
             QStringLiteral("Offered, lookups/s"), QStringLiteral("Seconds"), QStringLiteral("Lookups"),
             QStringLiteral("Answered"), QStringLiteral("Errors"), QStringLiteral("Median, ms"),
             QStringLiteral("p95, ms"), QStringLiteral("p95 / one desk's"), QStringLiteral("Lookup alone, median ms"),
             QStringLiteral("Answered/s"), QStringLiteral("Server CPU a lookup, ms"),
             QStringLiteral("Machine's CPUs: server / desks / writer and monitor / other work")});
    auto row = [&](const Phase& p) {
        std::vector<double> own;
        for (const Lookup& l : p.lookups)
            own.push_back(l.ownMs());
        t.row({p.label, QString::number(p.desks), num(p.gapMs / 1000, 2), rate(p.offered()),
               num(p.durationMs / 1000, 0), QString::number(p.lookups.size()),
               QString::number(int(p.lookups.size()) - p.errors()),
               QString::number(p.errors()), num(p.median(), 1), num(p.p95(), 1), ratio(p.p95(), aloneP95),
               num(summarize(own).median, 1), rate(p.answeredPerSecond()), num(p.serverCpuPerLookup(), 0),
               [&] {
                   const double all = p.durationMs * std::thread::hardware_concurrency() / 100;
                   const double other = 100 * p.machineBusy - (p.serverCpu + p.desksCpu + p.ownCpu) / all;
                   return QStringLiteral("%1 / %2 / %3 / %4 %")
                       .arg(num(p.serverCpu / all, 0), num(p.desksCpu / all, 0), num(p.ownCpu / all, 0),
                            num(std::max(0.0, other), 0));
               }()});
    };
    row(alone);
    for (const Phase* p : byLoad) {
        row(*p);
        if (p == &ten) {
            row(probed);
            row(again);
        }
    }
    t.print();

    QStringList errorTexts;
    for (const Phase* p : std::vector<const Phase*>{&alone, &ten, &probed, &again})
        for (const Lookup& l : p->lookups)
            if (!l.ok)
                errorTexts << l.error;
    for (const Phase& p : steps)
        for (const Lookup& l : p.lookups)
            if (!l.ok)
                errorTexts << l.error;
    errorTexts.removeDuplicates();
    if (!errorTexts.isEmpty())
        out(QStringLiteral("Errors met: %1.").arg(errorTexts.mid(0, 5).join(QStringLiteral("; "))) + "\n");

    const bool tenClean = ten.errors() == 0 && !ten.lookups.empty();
    QString stepping = QStringLiteral(
                           "*Server CPU a lookup*: the server process's processor time over the phase (the writer's "
                           "and the monitor's share included, and the probes' where they ran) by the lookups made. "
                           "*Machine's CPUs*: the share of all the machine's processors the server process, the desk "
                           "processes, the benchmark's own process (writer and monitor, and the probes where they "
                           "ran) and everything else on the machine used over the phase; the rest was idle. The steps: %1 lookups a second over all "
                           "desks, each step long enough for about %2 lookups (%3–%4 s), with at least %5 desks and "
                           "more where needed so that no desk is asked more often than every %6 s on average; the "
                           "steps stopped at the first whose 95th percentile crossed twice one desk's (%7 ms).")
                           .arg([&] {
                               QStringList r;
                               for (const Phase& p : steps)
                                   r << rate(p.offered());
                               return r.join(QStringLiteral(", "));
                           }())
                           .arg(num(kStepLookups, 0), num(kStepShortestMs / 1000, 0), num(kStepLongestMs / 1000, 0))
                           .arg(kDesks)
                           .arg(num(kShortestDeskGapMs / 1000, 1), num(limit, 1));
    out(stepping);
    out();
    QString carriedText;
    if (carried > 0)
        carriedText = QStringLiteral("%1 lookups a second (between %2 and %3 answered a second, by a straight line "
                                     "between those two loads' 95th percentiles)")
                          .arg(rate(carried), rate(below->answeredPerSecond()), rate(above->answeredPerSecond()));
    else if (!above)
        carriedText = QStringLiteral("more than %1 lookups a second (the highest step stayed under the limit)")
                          .arg(rate(byLoad.back()->answeredPerSecond()));
    else
        carriedText = QStringLiteral("under %1 lookups a second (the lowest load measured already reached the limit)")
                          .arg(rate(above->answeredPerSecond()));
    out(QStringLiteral("One desk alone: median %1 ms, 95th percentile %2 ms. Ten desks, a lookup every 5 s each "
                       "(2 lookups a second): %3 lookups, %4 answered with the part found, %5 errors; median %6 ms "
                       "(%7 one desk's), 95th percentile %8 ms (%9 one desk's). The 95th percentile reaches twice one "
                       "desk's at %10: what one server of this machine carries of this lookup, whose part list and "
                       "cross list each read the whole part table (no index serves `LIKE '%…%'`, and this schema has "
                       "none on `NUMBER`).")
            .arg(num(alone.median(), 1), num(aloneP95, 1))
            .arg(ten.lookups.size())
            .arg(int(ten.lookups.size()) - ten.errors())
            .arg(ten.errors())
            .arg(num(ten.median(), 1), ratio(ten.median(), alone.median()), num(ten.p95(), 1),
                 ratio(ten.p95(), aloneP95), carriedText));
    out();

    // Transaction markers, per phase and over the whole run.
    Table m({QStringLiteral("Phase"), QStringLiteral("Samples"), QStringLiteral("Next transaction, from → to"),
             QStringLiteral("Oldest active, from → to"), QStringLiteral("Largest next − oldest active"),
             QStringLiteral("Largest next − oldest snapshot")});
    auto markers = [&](const QString& label, double from, double to) {
        const Gaps g = gapsIn(samples, from, to);
        m.row({label, QString::number(g.samples), num(g.nextFrom, 0) + QStringLiteral(" → ") + num(g.nextTo, 0),
               num(g.oldestFrom, 0) + QStringLiteral(" → ") + num(g.oldestTo, 0), num(g.active, 0),
               num(g.snapshot, 0)});
        return g;
    };
    markers(alone.label, alone.t0, alone.t1);
    markers(ten.label, ten.t0, ten.t1);
    markers(probed.label, probed.t0, probed.t1);
    markers(again.label, again.t0, again.t1);
    for (const Phase& p : steps)
        markers(p.label, p.t0, p.t1);
    const Gaps all = markers(QStringLiteral("whole run, desks starting included"), 0, 1e300);
    out(QStringLiteral("The accounting database's transaction markers, from `MON$DATABASE` once a second:"));
    out();
    m.print();
    const bool keptUp = all.samples > 0 && all.active <= kKeepUpGap && all.snapshot <= kKeepUpGap;
    out(QStringLiteral("Over the run the next transaction went from %1 to %2 (the writer's %3 commits, %4 failed, "
                       "median %5 ms, 95th percentile %6 ms; the monitor's samples; the probes' looks; each desk's start), and the "
                       "oldest active and oldest snapshot followed it: the largest gap was %7 and %8 transactions, "
                       "what the writer commits in about %9 s. The desks' enterprise transactions (read-only, read "
                       "committed) stay open from each desk's first statement to its end and hold neither marker "
                       "back; an open transaction that did would have left its marker where it was while the next "
                       "transaction moved on.")
            .arg(num(all.nextFrom, 0), num(all.nextTo, 0))
            .arg(commits.size())
            .arg(commitErrors)
            .arg(num(summarize(commitMs).median, 1), num(percentile(commitMs, 95), 1), num(all.active, 0),
                 num(all.snapshot, 0), num(std::max(all.active, all.snapshot) * kWriterEveryMs / 1000, 1)));
    out();
    // ------------------------------------------------ the watch's looks
    out(QStringLiteral(
            "The connection watch's looks. A call of a desk still waiting after %1 s gets a probe: one attachment "
            "of its own per long wait, with the program's parameters in dialect 3, to the server's numeric address; "
            "through it the watch looks at the desk's attachment (`AttachmentLook::at`: one row of "
            "`MON$ATTACHMENTS` with its active statements in `MON$STATEMENTS` and its page counters in "
            "`MON$IO_STATS`, in a transaction of its own), at once, then %2 s, %3 s and every %4 s after the answer "
            "of the look before. A look makes the server take a snapshot of every attachment of the database, its "
            "statements included. *Alone*: probes connected as the watch connects one, to the same server, while "
            "the writer and the monitor went on, %5 looks one after another at one attachment (a desk's, or with no "
            "desk the probe's own), after one that prepared the statement, with idle desks open (started, their "
            "first lookup made, their statements prepared, waiting); *server CPU a look*: the server process's "
            "processor time over the looks less what it used as long without them (measured over %6 s before and "
            "after), by the looks.")
            .arg(num(fb::WatchTimes{}.quietMs / 1000.0, 0), num(fb::WatchTimes{}.lookGapMs / 1000.0, 0),
                 num(fb::WatchTimes{}.lookGapMs * 2 / 1000.0, 0), num(fb::WatchTimes{}.lookEveryMaxMs / 1000.0, 0))
            .arg(kLooksAlone)
            .arg(num(kIdleWindowMs / 1000, 0)));
    out();
    Table la({QStringLiteral("Open on the database"), QStringLiteral("Attachments in the snapshot"),
              QStringLiteral("Statements in the snapshot"), QStringLiteral("Looks"), QStringLiteral("Median, ms"),
              QStringLiteral("p95, ms"), QStringLiteral("Server CPU a look, ms"),
              QStringLiteral("Attachment not found")});
    for (const LooksAlone& l : looks)
        la.row({l.desks == 0 ? QStringLiteral("writer, monitor, probe") : QStringLiteral("and %1 idle desks").arg(l.desks),
                QString::number(l.attachments), QString::number(l.statements), QString::number(l.ms.size()),
                num(summarize(l.ms).median, 2), num(percentile(l.ms, 95), 2), num(l.perLook(), 2),
                QString::number(l.missed)});
    la.print();
    const LooksAlone* atTen = nullptr;
    for (const LooksAlone& l : looks)
        if (l.desks == kDesks)
            atTen = &l;
    const LooksAlone& fewest = looks.front();
    const LooksAlone& most = looks.back();
    const double perDesk = most.desks > fewest.desks ? (most.perLook() - fewest.perLook()) / (most.desks - fewest.desks) : 0;
    out(QStringLiteral("From %1 to %2 idle desks a look's server CPU went from %3 to %4 ms: about %5 ms more for every "
                       "further desk (its attachment and its %6 prepared statements). A probe's attach, its first look "
                       "(the statement prepared) and its detach, what every long wait costs however short, one after "
                       "another with %7 idle desks: median %8 ms, 95th percentile %9 ms, %10 ms of server CPU each "
                       "(%11 of them).")
            .arg(fewest.desks)
            .arg(most.desks)
            .arg(num(fewest.perLook(), 2), num(most.perLook(), 2), num(perDesk, 3))
            .arg(most.desks > fewest.desks ? num(double(most.statements - fewest.statements) / (most.desks - fewest.desks), 0)
                                           : QStringLiteral("?"))
            .arg(kDesks)
            .arg(num(summarize(attaches.ms).median, 1), num(percentile(attaches.ms, 95), 1), num(attaches.perProbe(), 1))
            .arg(attaches.ms.size()));
    out();

    // Under load: the ten desks, and the same again with the probes beside.
    std::vector<double> lookMs;
    int lookErrors = 0, lookMissed = 0;
    QStringList lookErrorTexts;
    for (const LookTime& l : probedLooks) {
        if (!l.ok) {
            ++lookErrors;
            lookErrorTexts << l.error;
        } else {
            lookMs.push_back(l.ms());
            lookMissed += l.found ? 0 : 1;
        }
    }
    lookErrorTexts.removeDuplicates();
    const double lookRate = probed.t1 > probed.t0 ? double(probedLooks.size()) * 1000.0 / (probed.t1 - probed.t0) : 0;
    auto ownWatch = [](const Phase& p) {
        int over = 0, looks = 0;
        for (const Lookup& l : p.lookups) {
            over += l.ownMs() > fb::WatchTimes{}.quietMs ? 1 : 0;
            looks += watchLooksIn(l.ownMs());
        }
        return std::pair<int, int>(over, looks);
    };
    out(QStringLiteral(
            "*Under load*: the ten-desk phase run twice more right after it, each desk drawing the same numbers at "
            "the same moments. In the first, %1 probes, one per desk, looked at their desks' attachments every %2 s "
            "(from the answer of the look before; their first looks spread over the first gap), %3 looks a second in "
            "all: the densest the watch makes, every desk waiting at once on calls of a little over 4 s one after "
            "another, so that each call is looked at at 2 s and 4 s (a single long wait is looked at less and less "
            "often). The second ran without them again: how much two runs of the same phase differ on this machine. "
            "The desks' own watches run in all three, as in the program: a lookup still running after %4 s "
            "attaches a probe of its own; *attachments made* counts every attachment to the database within the "
            "phase (the server numbers them one by one), *the desks' own looks* is what the watch's schedule gives "
            "for each lookup's length.")
            .arg(kDesks)
            .arg(num(kLookEveryMs / 1000, 0), rate(double(kDesks) * 1000.0 / kLookEveryMs))
            .arg(num(fb::WatchTimes{}.quietMs / 1000.0, 0)));
    out();
    Table ul({QStringLiteral("Phase"), QStringLiteral("Lookups"), QStringLiteral("Errors"),
              QStringLiteral("Median, ms"), QStringLiteral("p95, ms"), QStringLiteral("p95 / ten desks'"),
              QStringLiteral("Server CPU a lookup, ms"), QStringLiteral("Lookups over 2 s"),
              QStringLiteral("Attachments made"), QStringLiteral("The desks' own looks, about"),
              QStringLiteral("Probes' looks"), QStringLiteral("Look median, ms"), QStringLiteral("Look p95, ms"),
              QStringLiteral("Look errors")});
    for (const Phase* p : {&ten, &probed, &again}) {
        const auto [over, own] = ownWatch(*p);
        const bool beside = p == &probed;
        ul.row({p->label, QString::number(p->lookups.size()), QString::number(p->errors()), num(p->median(), 1),
                num(p->p95(), 1), ratio(p->p95(), ten.p95()), num(p->serverCpuPerLookup(), 0), QString::number(over),
                p->attaches < 0 ? QStringLiteral("?") : QString::number(p->attaches), QString::number(own),
                beside ? QString::number(probedLooks.size()) : QStringLiteral("—"),
                beside ? num(summarize(lookMs).median, 1) : QStringLiteral("—"),
                beside ? num(percentile(lookMs, 95), 1) : QStringLiteral("—"),
                beside ? QString::number(lookErrors) : QStringLiteral("—")});
    }
    ul.print();
    if (!lookErrorTexts.isEmpty())
        out(QStringLiteral("Look errors met: %1.").arg(lookErrorTexts.mid(0, 5).join(QStringLiteral("; "))) + "\n");
    const bool probedClean =
        probed.errors() == 0 && !probed.lookups.empty() && lookErrors == 0 && lookMissed == 0 && !probedLooks.empty();
    const double worstCpu = atTen ? double(kDesks) * 1000.0 / kLookEveryMs * atTen->perLook() : 0;
    // Calls of a little over 4 s one after another: a probe attached for each.
    const double attachRate = double(kDesks) * 1000.0 / (2 * kLookEveryMs);
    out(QStringLiteral("With the probes beside them the ten desks' lookups took a median of %1 ms and a 95th "
                       "percentile of %2 ms, against %3 and %4 ms in the ten desks before (%5 and %6) and %7 and %8 ms "
                       "in the ten desks after (%9 and %10); the two runs without probes differ by %11 and %12. %13 "
                       "lookup errors, %14 look errors, %15 looks that did not find the desk's attachment. The probes' "
                       "%16 looks took a median of %17 ms and a 95th percentile of %18 ms under this load (%19 looks a "
                       "second were made). At %20 looks a second with ten desks open the looks alone would cost the "
                       "server %21 ms of processor time a second (%22 of one CPU), and a probe attached for every "
                       "one of those calls (%23 a second) another %24 ms a second; one lookup of this phase costs it "
                       "%25 ms.")
            .arg(num(probed.median(), 1), num(probed.p95(), 1), num(ten.median(), 1), num(ten.p95(), 1),
                 ratio(probed.median(), ten.median()), ratio(probed.p95(), ten.p95()), num(again.median(), 1),
                 num(again.p95(), 1), ratio(probed.median(), again.median()))
            .arg(ratio(probed.p95(), again.p95()), ratio(again.median(), ten.median()), ratio(again.p95(), ten.p95()))
            .arg(probed.errors())
            .arg(lookErrors)
            .arg(lookMissed)
            .arg(probedLooks.size())
            .arg(num(summarize(lookMs).median, 1), num(percentile(lookMs, 95), 1), rate(lookRate),
                 rate(double(kDesks) * 1000.0 / kLookEveryMs), num(worstCpu, 1),
                 num(worstCpu / 10, 2) + QStringLiteral(" %"), rate(attachRate),
                 num(attachRate * attaches.perProbe(), 1), num(ten.serverCpuPerLookup(), 0)));
    out();
    if (!otherErrors.isEmpty())
        out(QStringLiteral("Writer and monitor errors: %1.").arg(otherErrors.mid(0, 5).join(QStringLiteral("; "))) +
            "\n");
    out(QStringLiteral("The whole benchmark took %1 s. Load average (1, 5, 15 min) at the first phase: %2; after the "
                       "last: %3.")
            .arg(num((nowMs() - begun) / 1000, 0), loadBefore, loadAfter));
    out();

    summaryLine(QStringLiteral("Load, one desk alone, lookup p95"), num(aloneP95, 1) + QStringLiteral(" ms"),
                QStringLiteral("median %1 ms").arg(num(alone.median(), 1)), QStringLiteral("—"),
                QStringLiteral("reported"), alone.errors() == 0 && !alone.lookups.empty());
    summaryLine(QStringLiteral("Load, 10 desks × a lookup every 5 s, writer every 100 ms, lookup p95"),
                num(ten.p95(), 1) + QStringLiteral(" ms"), num(aloneP95, 1) + QStringLiteral(" ms (one desk alone)"),
                ratio(ten.p95(), aloneP95), QStringLiteral("every lookup answered, no error"), tenClean);
    summaryLine(QStringLiteral("Load, 10 desks with a probe per desk looking every 2 s (%1 looks/s), lookup p95")
                    .arg(rate(double(kDesks) * 1000.0 / kLookEveryMs)),
                num(probed.p95(), 1) + QStringLiteral(" ms"),
                num(ten.p95(), 1) + QStringLiteral(" ms (10 desks, same lookups, no probes beside)"),
                ratio(probed.p95(), ten.p95()), QStringLiteral("every lookup and look answered, no error"),
                probedClean);
    summaryLine(QStringLiteral("Load, lookups/s one server carries (p95 = 2× one desk's)"),
                carried > 0 ? rate(carried) + QStringLiteral("/s") : carriedText, QStringLiteral("2 /s (10 desks)"),
                carried > 0 ? ratio(carried, ten.offered()) : QStringLiteral("—"), QStringLiteral("reported"),
                true);
    summaryLine(QStringLiteral("Load, largest next − oldest active / oldest snapshot"),
                num(all.active, 0) + QStringLiteral(" / ") + num(all.snapshot, 0),
                QStringLiteral("next advanced by %1").arg(num(all.nextTo - all.nextFrom, 0)), QStringLiteral("—"),
                QStringLiteral("≤ %1 (keep up)").arg(num(kKeepUpGap, 0)), keptUp);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() == 10 && args[1] == QLatin1String("--desk"))
        return runDesk(args.mid(2));
    return runBenchmark(args);
}
