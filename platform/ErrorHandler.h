#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QString;

namespace platform {

// The default error handler, and the gate that keeps one command at a time
// (platform/Commands.h): every handler, queued call, menu command and model
// change runs inside guarded, every timer tick inside ticked. A failure ends
// the command at the failing step, its text is shown in an error box, and the
// program goes on with the next event; no exception ever crosses a Qt frame.
//
// While another command waits for a server, body is kept and runs after that
// command has ended: it must own what it captures (no references to locals).
// True when body ran now, to its end.
bool guarded(std::function<void()> body);

// A timer tick: skipped while a command waits for a server, or while a tick
// with the same key still runs (its error box is open); the timer comes
// again. Never kept for later, so body may capture by reference. True when
// the tick ran to its end.
bool ticked(const void* key, const std::function<void()>& body);

// The text the error box shows for the exception being handled.
QString currentFailureText();

// guarded, for a command that belongs to context: kept for later, it is
// dropped when context is gone by then.
bool guardedFor(QObject* context, std::function<void()> body);

// A slot that runs f inside guarded, for context.
template <class F>
auto guard(QObject* context, F f)
{
    return [ctx = QPointer<QObject>(context), had = context != nullptr, f]() {
        if (!had || ctx)
            guardedFor(ctx.data(), f);
    };
}

} // namespace platform
