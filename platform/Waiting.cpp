#include "platform/Waiting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

std::atomic<int> g_running{0};

// The busy cursor comes only for a wait one notices, not for every short one.
constexpr qint64 kCursorAfterMs = 150;

bool onEventLoopThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

struct Wait::State {
    std::mutex m;
    std::condition_variable cv;
    bool woken = false;
    QEventLoop* loop = nullptr; // the running loop, while one runs
    bool answering = onEventLoopThread();
    bool cursor = false;
    QElapsedTimer since;
};

Wait::Wait() : s_(new State)
{
    s_->since.start();
    if (s_->answering)
        ++g_running;
}

Wait::~Wait()
{
    if (s_->answering) {
        --g_running;
        if (s_->cursor)
            QGuiApplication::restoreOverrideCursor();
    }
    delete s_;
}

void Wait::until(const std::function<bool()>& done, int ms)
{
    if (!s_->answering) {
        std::unique_lock<std::mutex> lock(s_->m);
        s_->cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return s_->woken || done(); });
        s_->woken = false;
        return;
    }
    if (!s_->cursor && s_->since.elapsed() >= kCursorAfterMs &&
        qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        s_->cursor = true;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    {
        std::lock_guard<std::mutex> lock(s_->m);
        s_->loop = &loop;
        // A wake-up that came before the loop existed is not lost.
        if (s_->woken) {
            s_->woken = false;
            s_->loop = nullptr;
            return;
        }
    }
    const bool quitting = !done() && loop.exec(QEventLoop::ExcludeUserInputEvents) < 0;
    std::unique_lock<std::mutex> lock(s_->m);
    s_->loop = nullptr;
    // An application that is quitting ends every loop at once: the rest of
    // the wait blocks instead of spinning.
    if (quitting)
        s_->cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return s_->woken || done(); });
    s_->woken = false;
}

void Wait::wakeUp()
{
    std::lock_guard<std::mutex> lock(s_->m);
    s_->woken = true;
    if (s_->loop)
        QMetaObject::invokeMethod(s_->loop, "quit", Qt::QueuedConnection);
    s_->cv.notify_all();
}

int waitsRunning()
{
    return g_running.load();
}

} // namespace platform
