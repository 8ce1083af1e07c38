#pragma once

#include "platform/Commands.h"

#include <memory>

namespace platform {

// A wait for work that runs on another thread. On the thread of the
// application's event loop the wait lets the windows repaint, move and
// answer the accessibility bus, while the user's input is held for after it
// and no other command of the program runs (platform/Commands.h); after a
// moment the cursor shows that the desk is busy. On any other thread it just
// blocks.
class Wait {
public:
    Wait();
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

    // Ends the wait: the work is done. Copies may be kept and called from any
    // thread, before, during or after the wait, also once the Wait is gone.
    class Done {
    public:
        void operator()() const;

    private:
        friend class Wait;
        struct State;
        std::shared_ptr<State> s_;
    };
    Done done() const;

    // Returns once the work is done (true), or about `ms` later (false).
    // Call again to go on waiting.
    bool until(int ms);
    bool finished() const;

private:
    std::shared_ptr<Done::State> s_;
    bool answering_;
    bool cursor_ = false;
};

} // namespace platform
