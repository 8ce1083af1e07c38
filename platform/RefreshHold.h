#pragma once

class QWidget;

namespace platform {

// A window that shows the rows of a statement or holds changes not yet
// stored marks itself so. While such a window is shown, the refresh of the
// connections waits: closing a connection would empty what the window shows
// or drop what was typed. It is the one rule for when the refresh waits.
void holdsRefresh(QWidget* window);

// Whether a window so marked is shown.
bool refreshHeld();

} // namespace platform
