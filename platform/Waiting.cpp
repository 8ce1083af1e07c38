#include "platform/Waiting.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

// The busy cursor comes only for a wait one notices, not for every short one.
constexpr qint64 kCursorAfterMs = 150;

bool onEventLoopThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

// One lock for everything the waiting thread and the worker share: whether
// the work is done and which loop to end.
struct Wait::Done::State {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    QEventLoop* loop = nullptr; // the running loop, while one runs
    QElapsedTimer since;
};

void Wait::Done::operator()() const
{
    std::lock_guard<std::mutex> lock(s_->m);
    s_->done = true;
    if (s_->loop)
        QMetaObject::invokeMethod(s_->loop, "quit", Qt::QueuedConnection);
    s_->cv.notify_all();
}

Wait::Wait() : s_(std::make_shared<Done::State>()), answering_(onEventLoopThread())
{
    s_->since.start();
    if (answering_)
        waitBegins();
}

Wait::~Wait()
{
    if (answering_) {
        if (cursor_)
            QGuiApplication::restoreOverrideCursor();
        waitEnds();
    }
}

Wait::Done Wait::done() const
{
    Done d;
    d.s_ = s_;
    return d;
}

bool Wait::finished() const
{
    std::lock_guard<std::mutex> lock(s_->m);
    return s_->done;
}

bool Wait::until(int ms)
{
    if (!answering_) {
        std::unique_lock<std::mutex> lock(s_->m);
        s_->cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return s_->done; });
        return s_->done;
    }
    if (!cursor_ && s_->since.elapsed() >= kCursorAfterMs &&
        qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        cursor_ = true;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    {
        std::lock_guard<std::mutex> lock(s_->m);
        if (s_->done)
            return true;
        s_->loop = &loop;
    }
    // Where the windows' layer holds the user's input itself, the loop takes
    // every event, so that input made now is seen now (and a click on a
    // control greyed out meanwhile can be told); elsewhere the toolkit keeps
    // it for after.
    const auto flags = inputHeld() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    const bool quitting = loop.exec(flags) < 0;
    std::unique_lock<std::mutex> lock(s_->m);
    s_->loop = nullptr;
    // An application that is quitting ends every loop at once: the rest of
    // the wait blocks instead of spinning.
    if (quitting)
        s_->cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return s_->done; });
    return s_->done;
}

} // namespace platform
