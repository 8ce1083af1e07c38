#pragma once

class QWidget;

namespace platform {

// Puts a window in the middle of the desktop, as every window of the program
// opens, rather than over its opener.
void placeWindow(QWidget* w);

} // namespace platform
