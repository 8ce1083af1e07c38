#pragma once

#include <QIcon>

namespace app {

// The program's icon, the one the menu entry shows (packaging/icons), in
// every size it is drawn in; every window of the program carries it.
QIcon programIcon();

} // namespace app
