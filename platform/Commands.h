#pragma once

#include <functional>

class QObject;

namespace platform {

// One command at a time. A command is whatever the program does in answer to
// one event: a handler of a control or a menu, a timer tick, a queued call,
// an accessibility action (it presses the control), a grid editor handing its
// text to the model. While a command waits for a server (a platform::Wait on
// the event loop's thread), no other command runs inside that wait:
//
//  - a handler, a queued call or a model change arriving meanwhile runs after
//    the command that waits has ended (after any box it opens then), in the
//    order they came;
//  - a timer tick skips its turn; the timer comes again. A tick also skips
//    while a tick of the same timer still runs (its error box is open).
//
// The windows' own modal loops are no waits: commands run in them as usual.
// Every entry from the event loop into the program's code passes here, through
// the error boundary (platform::guarded, platform::ticked).
enum class Arrival { Defer, Skip };

// Runs body now, later (Defer, while a wait runs: body is kept until the
// command that waits has ended, and dropped if context is gone by then), or
// not at all (Skip). True when body ran now. Event loop's thread only; on any
// other thread body runs at once.
bool runCommand(Arrival arrival, const void* key, QObject* context, std::function<void()> body);

// How many waits for a server run on the event loop's thread.
int waitsRunning();

// Called by platform::Wait on the event loop's thread.
void waitBegins();
void waitEnds();

// The windows' layer hears of the waits (it holds the user's input while one
// runs); one listener.
class WaitListener {
public:
    virtual ~WaitListener() = default;
    virtual void waitBegan() = 0;
    virtual void waitsEnded() = 0;
};
void setWaitListener(WaitListener* listener);
// True when a listener holds the user's input during waits: the wait's loop
// may then take every event.
bool inputHeld();

} // namespace platform
