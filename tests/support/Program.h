#pragma once

#include "app/Application.h"
#include "tests/support/MainWindow.h"

#include <memory>

namespace testsupport {

// The program as it starts (app::start: the data module from the settings
// file, the main window, the hidden order window), its timers held and its
// main window shown. Nothing when a database file dialog was cancelled.
inline std::unique_ptr<app::Program> startProgram()
{
    std::unique_ptr<app::Program> p = app::start();
    if (p) {
        holdTimers(*p->main);
        p->main->show();
    }
    return p;
}

} // namespace testsupport
