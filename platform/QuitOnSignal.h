#pragma once

namespace platform {

// The end of the desk's session (SIGTERM, SIGHUP) and Ctrl+C (SIGINT) end
// the program's event loop, so that it closes as when its main window is
// closed: the connections closed in time, nothing it keeps lost. Call it
// from the event loop's thread as soon as the application exists (a signal
// during the start ends the start), and again after the first connect: the
// Firebird client library puts its own handler in at its first attach,
// which shuts its connections down and leaves the window up with nothing
// behind it (it does call the handler it found, so a signal in between
// still ends the program).
void quitOnSignals();

// A signal came: what is left of the start is skipped.
bool quitAsked();

} // namespace platform
