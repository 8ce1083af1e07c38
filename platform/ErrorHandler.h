#pragma once

#include <functional>

class QString;

namespace platform {

// The default error handler: every handler, timer tick and menu command runs
// inside it. A failure ends the handler at the failing step, its text is shown
// in an error box, and the program goes on with the next event; no exception
// ever crosses a Qt frame. True when the body ran to its end.
bool guarded(const std::function<void()>& body);

// The text the error box shows for the exception being handled.
QString currentFailureText();

// A slot that runs f inside the default error handler.
template <class F>
auto guard(F f)
{
    return [f]() { guarded(f); };
}

} // namespace platform
