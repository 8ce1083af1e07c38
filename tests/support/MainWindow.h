#pragma once

#include "lookup/TfmMain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace testsupport {

// The main window's timers held still: the tests tick them themselves. The
// refresh stays armed (its tick comes a day later), as a search leaves it.
inline void holdTimers(lookup::TfmMain& w)
{
    for (QTimer* t : {&w.Timer1, &w.Timer2, &w.Timer3})
        t->stop();
    w.UpdateTimer.setInterval(24 * 3600 * 1000);
    w.UpdateTimer.start();
}

// Where a search is typed: on the page "Поиск", as a counter looks numbers
// up, or on whichever page the window shows (on "Цены" only exact prices).
enum class From { SearchPage, PageShown };

// A number looked up as the salesperson does it: typed into the number
// field, then the search button pressed.
inline void search(lookup::TfmMain& w, const QString& text, From from = From::SearchPage)
{
    if (from == From::SearchPage)
        w.pcTabs->setCurrentWidget(w.tsFindNum);
    w.edNumber->setText(text);
    QTest::mouseClick(w.bbSearch, Qt::LeftButton);
}

} // namespace testsupport
