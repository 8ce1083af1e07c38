// The stock figure of one part (TdmMain::GetOnStock: the income, output and
// reserve sums) timed over every part with a minimum stock, on the database
// given: microseconds per call, median of 7 runs of 20 passes.
//
//   bench_figures <enterprise.gdb>

#include "data/TdmMain.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: bench_figures <enterprise.gdb>\n", stderr);
        return 2;
    }
    // Settings and alias records of a folder of its own, not the user's.
    platform::setExePathForTests(QDir::tempPath() + QStringLiteral("/bench_figures/Orvado"));
    platform::DialogRecorder boxes;
    data::TdmMain dm;
    dm.inside().ibdAE.setDatabaseName(QString::fromLocal8Bit(argv[1]));
    dm.inside().ibdAE.connect();

    fb::Query& q = dm.inside().ibqGetMINStock;
    q.open();
    std::vector<qint32> ids;
    const int cId = q.columnIndex(QStringLiteral("ID"));
    for (int r = 0; r < q.recordCount(); ++r)
        ids.push_back(q.fieldAt(r, cId).asInteger());
    if (ids.empty()) {
        std::fputs("no part with a minimum stock\n", stderr);
        return 1;
    }
    for (qint32 id : ids)
        dm.GetOnStock(id); // warm-up

    constexpr int passes = 20;
    std::vector<double> us;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        for (int p = 0; p < passes; ++p)
            for (qint32 id : ids)
                dm.GetOnStock(id);
        us.push_back(double(t.nsecsElapsed()) / 1000.0 / double(passes * ids.size()));
    }
    std::sort(us.begin(), us.end());
    std::printf("GetOnStock over %zu parts: %.1f us per call (%.1f-%.1f)\n", ids.size(), us[3], us.front(),
                us.back());
    return 0;
}
