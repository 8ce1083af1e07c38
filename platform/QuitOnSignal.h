#pragma once

namespace platform {

// The end of the desk's session (SIGTERM, SIGHUP) and Ctrl+C (SIGINT) end
// the program's event loop, so that it closes as when its main window is
// closed: the connections closed in time, nothing it keeps lost. The
// Firebird client library catches SIGINT and SIGTERM once it is in use and
// only shuts its own connections down, which left the window up with nothing
// behind it: these handlers are put in after the library's. Call it from the
// event loop's thread, after the first connect.
void quitOnSignals();

} // namespace platform
