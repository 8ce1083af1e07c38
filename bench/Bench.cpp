#include "bench/Bench.h"

#include "data/TdmMain.h"
#include "platform/Dialogs.h"

#include "data/Settings.h"
#include "platform/Desktop.h"
#include "platform/IniFile.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <malloc.h>

namespace bench {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

int runCount()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("BENCH_RUNS", &ok);
    return ok && n > 0 ? n : 7;
}

Stats summarize(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.n = int(v.size());
    s.min = v.front();
    s.max = v.back();
    const size_t mid = v.size() / 2;
    s.median = v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
    return s;
}

namespace {

double g_lastCpuMs = 0;

double cpuNowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

} // namespace

double timeMs(const std::function<void()>& body)
{
    const double c0 = cpuNowMs();
    const double t0 = nowMs();
    body();
    const double wall = nowMs() - t0;
    g_lastCpuMs = cpuNowMs() - c0;
    return wall;
}

double lastCpuMs()
{
    return g_lastCpuMs;
}

QString num(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

QString cell(const Stats& s, int decimals)
{
    return QStringLiteral("%1 (%2–%3)").arg(num(s.median, decimals), num(s.min, decimals), num(s.max, decimals));
}

QString ratio(double value, double floor)
{
    if (floor <= 0)
        return QStringLiteral("—");
    return QString::number(value / floor, 'f', 2) + QStringLiteral("×");
}

namespace {

qint64 statusField(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray want = QByteArray(key) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(want))
            return line.mid(want.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

qint64 rssKb()
{
    return statusField("VmRSS");
}

qint64 peakRssKb()
{
    return statusField("VmHWM");
}

bool resetPeakRss()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

void trimHeap()
{
    malloc_trim(0);
}

void die(const QString& message)
{
    std::fprintf(stderr, "bench: %s\n", message.toLocal8Bit().constData());
    std::fflush(stdout);
    std::exit(1);
}

void note(const QString& message)
{
    std::fprintf(stderr, "  %s\n", message.toLocal8Bit().constData());
}

ProgramFolder::ProgramFolder()
{
    if (!dir_.isValid())
        die(QStringLiteral("no temporary folder"));
    platform::setExePathForTests(dir_.filePath(QStringLiteral("Orvado")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
}

void ProgramFolder::writeSettings(const QString& enterprise, const QString& price)
{
    platform::IniFile ini(data::settingsPath());
    ini.writeString(data::kSectionPaths, QStringLiteral("AEDir"), enterprise);
    ini.writeString(data::kSectionPaths, QStringLiteral("VaderIzar"), price);
}

void summaryLine(const QString& figure, const QString& value, const QString& reference, const QString& ratioText,
                 const QString& target, bool met)
{
    out(QStringLiteral("SUMMARY | %1 | %2 | %3 | %4 | %5 | %6 |")
            .arg(figure, value, reference, ratioText, target, met ? QStringLiteral("yes") : QStringLiteral("**no**")));
}

void Table::print() const
{
    out(QStringLiteral("| ") + header_.join(QStringLiteral(" | ")) + QStringLiteral(" |"));
    QStringList rule;
    for (qsizetype i = 0; i < header_.size(); ++i)
        rule << QStringLiteral("---");
    out(QStringLiteral("|") + rule.join(QStringLiteral("|")) + QStringLiteral("|"));
    for (const QStringList& r : rows_)
        out(QStringLiteral("| ") + r.join(QStringLiteral(" | ")) + QStringLiteral(" |"));
    out();
}

void out(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString sampleHistoryLine(qint64 i)
{
    static const char* const numbers[] = {"W 712/73",  "0 986 452 041", "GDB1330",    "VKMA 01250",
                                          "OC 90",     "K015578XS",     "26300-35503"};
    const QDateTime when = QDateTime(QDate(2021, 1, 1), QTime(9, 0)).addSecs(i * 37);
    return when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss ")) + QString::fromLatin1(numbers[i % 7]);
}

void writeSampleHistory(const QString& path, qint64 lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        die(QStringLiteral("cannot write %1").arg(path));
    QByteArray chunk;
    for (qint64 i = 0; i < lines; ++i) {
        chunk += sampleHistoryLine(i).toLatin1();
        chunk += "\r\n";
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    if (f.write(chunk) != chunk.size() || !f.flush())
        die(QStringLiteral("cannot write %1").arg(path));
}

void startDataModule(data::TdmMain& dm, const platform::DialogRecorder& boxes)
{
    if (!dm.DataModuleCreate(platform::desktopPrompts()) || !dm.inside().ibdAE.connected() || !boxes.boxes.isEmpty())
        die(QStringLiteral("the data module did not connect: %1").arg(boxes.texts().join(QStringLiteral("; "))));
}

} // namespace bench
