#pragma once

// The main window as the lookup benchmarks drive it.

#include "bench/Bench.h"

#include "lookup/TfmMain.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTabWidget>

namespace bench {

// Timers stopped, so no refresh falls into a measurement; shown and painted.
inline void prepareWindow(lookup::TfmMain& w)
{
    for (QTimer* t : {&w.Timer1, &w.Timer2, &w.Timer3, &w.UpdateTimer})
        t->stop();
    w.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// One search as the salesperson makes it on the page "Поиск": milliseconds
// from sbSearchClick until everything it changed is painted. Stops the
// benchmark when the search shows a message.
inline double timedSearch(lookup::TfmMain& w, const QString& text, const platform::DialogRecorder& boxes)
{
    w.pcTabs->setCurrentWidget(w.tsFindNum);
    w.edNumber->setText(text);
    QCoreApplication::processEvents();
    const double ms = timeMs([&] {
        w.sbSearchClick();
        QCoreApplication::processEvents();
    });
    w.UpdateTimer.stop(); // the search switched it on again
    if (!boxes.boxes.isEmpty())
        die(QStringLiteral("the search reported: %1").arg(boxes.texts().join(QStringLiteral("; "))));
    return ms;
}

} // namespace bench
