#include "platform/QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<bool> g_asked{false};

void onSignal(int)
{
    // Only what a signal handler may do: a flag and a byte down the pipe.
    g_asked.store(true);
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
}

bool listen()
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char drain[16];
        while (::read(g_pipe[0], drain, sizeof drain) > 0) {
        }
        // Every loop ends, a modal window's too; no window is asked to
        // close, since nobody is there to answer a question.
        QCoreApplication::exit(0);
    });
    return true;
}

} // namespace

void quitOnSignals()
{
    if (g_pipe[0] < 0 && !listen())
        return;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &sa, nullptr);
}

bool quitAsked()
{
    return g_asked.load();
}

} // namespace platform
