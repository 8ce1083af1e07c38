#pragma once

#include <functional>

namespace platform {

// A wait for work that runs on another thread. On the thread of the
// application's event loop the wait lets the windows repaint, move and
// answer the accessibility bus, and timers tick, while the user's keys and
// clicks are kept for after it; after a moment the cursor shows that the
// desk is busy. On any other thread it just blocks.
class Wait {
public:
    Wait();
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

    // Returns once done() is true, or about `ms` later. Call again to go on
    // waiting; done() is asked again after every wake-up.
    void until(const std::function<bool()>& done, int ms);
    // Ends the wait early; may be called from any thread, also before the
    // wait has begun or after it has ended.
    void wakeUp();

private:
    struct State;
    State* s_;
};

// How many waits are running on the event loop's thread: while one is, a
// timer tick that would start database work of its own skips its turn.
int waitsRunning();

} // namespace platform
