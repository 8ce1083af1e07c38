#include "platform/Commands.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <vector>

namespace platform {

namespace {

struct Deferred {
    QPointer<QObject> context;
    bool hasContext = false;
    std::function<void()> body;
};

// A command that runs on the event loop's thread, and the commands that came
// while it waited.
struct Frame {
    const void* key = nullptr;
    std::vector<Deferred> deferred;
};

std::vector<Frame*> g_frames;   // innermost last
std::atomic<int> g_waits{0};
std::vector<Deferred> g_orphans; // came during a wait no command of ours runs
WaitListener* g_listener = nullptr;

bool onEventLoopThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool alive(const Deferred& d)
{
    return !d.hasContext || d.context;
}

void runDeferred(std::vector<Deferred>& list)
{
    // Each one is a command of its own: it may wait, and what comes during
    // that wait follows it.
    for (Deferred& d : list)
        if (alive(d))
            runCommand(Arrival::Defer, nullptr, d.context, std::move(d.body));
    list.clear();
}

} // namespace

bool runCommand(Arrival arrival, const void* key, QObject* context, std::function<void()> body)
{
    if (!onEventLoopThread()) {
        body();
        return true;
    }
    if (g_waits.load() > 0) {
        if (arrival == Arrival::Skip)
            return false;
        Deferred d{context, context != nullptr, std::move(body)};
        // Nothing starts during a wait, so the innermost command is the one
        // that waits.
        if (g_frames.empty())
            g_orphans.push_back(std::move(d));
        else
            g_frames.back()->deferred.push_back(std::move(d));
        return false;
    }
    if (arrival == Arrival::Skip && key &&
        std::any_of(g_frames.begin(), g_frames.end(), [key](const Frame* f) { return f->key == key; }))
        return false;
    Frame frame;
    frame.key = key;
    g_frames.push_back(&frame);
    struct Pop {
        ~Pop() { g_frames.pop_back(); }
    };
    {
        Pop pop;
        body();
    }
    runDeferred(frame.deferred);
    return true;
}

int waitsRunning()
{
    return g_waits.load();
}

void waitBegins()
{
    if (g_waits.fetch_add(1) == 0 && g_listener)
        g_listener->waitBegan();
}

void waitEnds()
{
    if (g_waits.fetch_sub(1) != 1)
        return;
    if (g_listener)
        g_listener->waitsEnded();
    if (g_orphans.empty())
        return;
    // Nobody's end to run them at: the event loop runs them next, each still
    // through the gate.
    auto orphans = std::make_shared<std::vector<Deferred>>(std::move(g_orphans));
    g_orphans.clear();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [orphans] { runDeferred(*orphans); }, Qt::QueuedConnection);
}

void setWaitListener(WaitListener* listener)
{
    g_listener = listener;
}

bool inputHeld()
{
    return g_listener != nullptr;
}

} // namespace platform
