#pragma once

#include <memory>

namespace data {
class TdmMain;
}
namespace lookup {
class TfmMain;
}
namespace order {
class TfmOrder;
}

namespace app {

// False when there is no display to show windows on and no other Qt
// platform was asked for; Qt would abort without saying what to do.
bool displayAvailable();

// What the start sequence makes: the data module, the main window and the
// hidden order window it owns. Members go in reverse order: the main window
// (whose destruction closes the enterprise database) before the data module.
struct Program {
    Program();
    ~Program();
    std::unique_ptr<data::TdmMain> dm;
    std::unique_ptr<lookup::TfmMain> main;
    order::TfmOrder* order = nullptr;
};

// The start sequence up to the message loop: the application title, the
// data module, the main window, the hidden order window. Nothing when the
// user cancelled a database file dialog: the process is to end (exit code 0).
std::unique_ptr<Program> start();

// The whole start sequence: start(), then the main window shown and the
// message loop. Returns the process's exit code.
int run();

} // namespace app
