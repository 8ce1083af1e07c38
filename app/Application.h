#pragma once

namespace app {

// False when there is no display to show windows on and no other Qt
// platform was asked for; Qt would abort without saying what to do.
bool displayAvailable();

// The start sequence after the application object exists: the data module,
// the main window, the hidden order window, then the message loop. Returns
// the process's exit code.
int run();

} // namespace app
