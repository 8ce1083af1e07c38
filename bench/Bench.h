#pragma once

// What every benchmark executable shares: the clock, the statistics of
// repeated runs, memory figures, the folder that stands in for the
// executable's folder, and the markdown the results are written in.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace data {
class TdmMain;
}
namespace platform {
class DialogRecorder;
}

namespace bench {

// Monotonic clock in milliseconds; the same clock in every process, so a
// child process's moments compare with its parent's.
double nowMs();

// Runs counted per figure (BENCH_RUNS, default 7); one warm-up run comes
// before them and is not counted.
int runCount();

struct Stats {
    double median = 0;
    double min = 0;
    double max = 0;
    int n = 0;
};
Stats summarize(std::vector<double> values);

// Times body() once: wall-clock milliseconds. The process's CPU time of the
// same call is kept for lastCpuMs().
double timeMs(const std::function<void()>& body);
double lastCpuMs();

// "12.3"
QString num(double v, int decimals = 1);
// "12.3 (11.9–13.0)": median with the range of the runs.
QString cell(const Stats& s, int decimals = 1);
// "1.04×"
QString ratio(double value, double floor);

// Resident memory of this process, in KiB.
qint64 rssKb();
qint64 peakRssKb();
// Starts a new peak measurement (the peak becomes the current size). False
// where the system does not allow it.
bool resetPeakRss();
// Gives freed heap back to the system, so the resident size before a
// measurement is what is really in use.
void trimHeap();

// Stops the benchmark with a message on stderr.
[[noreturn]] void die(const QString& message);
void note(const QString& message); // progress, on stderr

// A temporary folder that stands in for the executable's folder (settings
// file, history file) and for the per-user config folder (alias records).
class ProgramFolder {
public:
    ProgramFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // Writes Orvado.INI there naming both database files.
    void writeSettings(const QString& enterprise, const QString& price);

private:
    QTemporaryDir dir_;
};

// Runs the data module's start as the program does, on the settings written
// into the program folder; stops the benchmark when a database did not
// connect or a message box came up.
void startDataModule(data::TdmMain& dm, const platform::DialogRecorder& boxes);

// A line of the summary table that heads the results file. The script
// gathers these from every benchmark's output.
void summaryLine(const QString& figure, const QString& value, const QString& reference, const QString& ratioText,
                 const QString& target, bool met);

// The markdown of one result table.
class Table {
public:
    explicit Table(QStringList header) : header_(std::move(header)) {}
    void row(QStringList cells) { rows_ << cells; }
    void print() const;

private:
    QStringList header_;
    QList<QStringList> rows_;
};

void out(const QString& markdownLine = {});

// History lines as searches leave them ("09.12.2025 15:46:01 W 712/73"),
// and a history file of that many of them in CR LF form.
QString sampleHistoryLine(qint64 i);
void writeSampleHistory(const QString& path, qint64 lines);

} // namespace bench
