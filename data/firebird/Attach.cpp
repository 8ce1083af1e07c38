#include "data/firebird/Attach.h"

#include "data/firebird/Client.h"
#include "data/firebird/Sockets.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace fb {

using namespace Firebird;

namespace {

struct Attempt {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    bool abandoned = false;
    IAttachment* attachment = nullptr;
    std::exception_ptr failure;
};

// One attach at a time; one given up frees it at once.
std::mutex g_laneMutex;
std::condition_variable g_laneFree;
bool g_laneBusy = false;

struct Straggler {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
    std::vector<sockets::Socket> before; // the sockets there were when it began
    bool attach = false;
    std::function<void()> cut;
};

std::mutex g_stragglersMutex;

// At the very end of a process that did not end them itself (a test, a
// tool), what is left is cut and waited for a moment; a thread still inside
// the client library then is let run out with the process.
struct Stragglers : std::vector<Straggler> {
    ~Stragglers();
};
Stragglers g_stragglers;

void reapLocked()
{
    for (auto it = g_stragglers.begin(); it != g_stragglers.end();) {
        if (it->finished->load()) {
            it->thread.join();
            it = g_stragglers.erase(it);
        } else {
            ++it;
        }
    }
}

void keep(Straggler s)
{
    std::lock_guard<std::mutex> lock(g_stragglersMutex);
    reapLocked();
    g_stragglers.push_back(std::move(s));
}

Stragglers::~Stragglers()
{
    endStragglers(2000);
    for (Straggler& s : *this)
        if (s.thread.joinable())
            s.thread.detach();
}

} // namespace

Attached attachWithin(QByteArray name, QByteArray dpb, int boundMs, int serverPort)
{
    {
        std::unique_lock<std::mutex> lock(g_laneMutex);
        g_laneFree.wait(lock, [] { return !g_laneBusy; });
        g_laneBusy = true;
    }
    struct FreeLane {
        ~FreeLane()
        {
            {
                std::lock_guard<std::mutex> lock(g_laneMutex);
                g_laneBusy = false;
            }
            g_laneFree.notify_all();
        }
    } freeLane;

    const std::vector<sockets::Socket> before = sockets::tcpSockets();
    auto attempt = std::make_shared<Attempt>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([attempt, finished, name, dpb] {
        IAttachment* a = nullptr;
        std::exception_ptr failure;
        try {
            fb::call([&](ThrowStatusWrapper& st) {
                a = provider()->attachDatabase(&st, name.constData(), static_cast<unsigned>(dpb.size()),
                                               reinterpret_cast<const unsigned char*>(dpb.constData()));
            });
        } catch (...) {
            failure = std::current_exception();
        }
        bool givenUp = false;
        {
            std::lock_guard<std::mutex> lock(attempt->m);
            givenUp = attempt->abandoned;
            attempt->attachment = a;
            attempt->failure = failure;
            attempt->done = true;
        }
        attempt->cv.notify_all();
        // Nobody waits for it any more: the late handle is let go of.
        if (givenUp && a) {
            try {
                fb::call([&](ThrowStatusWrapper& st) { a->detach(&st); });
            } catch (const Error&) {
                a->release();
            }
        }
        *finished = true;
    });

    std::unique_lock<std::mutex> lock(attempt->m);
    if (attempt->cv.wait_for(lock, std::chrono::milliseconds(boundMs), [&] { return attempt->done; })) {
        lock.unlock();
        thread.join();
        if (attempt->failure)
            std::rethrow_exception(attempt->failure);
        Attached out{attempt->attachment, {}};
        for (const sockets::Socket& s : sockets::since(before)) {
            int port = 0;
            const QString peer = sockets::peerServer(s.fd, &port);
            if (!peer.isEmpty() && (serverPort <= 0 || port == serverPort)) {
                out.server = peer;
                break;
            }
        }
        return out;
    }
    attempt->abandoned = true;
    lock.unlock();
    for (const sockets::Socket& s : sockets::since(before))
        sockets::shutDown(s);
    keep({std::move(thread), finished, before, true, {}});
    const int seconds = (boundMs + 999) / 1000;
    throw Error(QStringLiteral("attach: no answer within %1 s").arg(seconds), {Error::kAttachGivenUp},
                {QString::number(seconds)});
}

void keepUntilEnd(std::thread thread, std::shared_ptr<std::atomic<bool>> finished, std::function<void()> cut)
{
    keep({std::move(thread), std::move(finished), {}, false, std::move(cut)});
}

bool endStragglers(int ms)
{
    std::lock_guard<std::mutex> lock(g_stragglersMutex);
    // What an attach given up has opened since is cut again: the server it
    // waits for may never answer.
    for (const Straggler& s : g_stragglers) {
        if (s.finished->load())
            continue;
        if (s.cut)
            s.cut();
        if (s.attach)
            for (const sockets::Socket& socket : sockets::since(s.before))
                sockets::shutDown(socket);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        reapLocked();
        if (g_stragglers.empty())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace fb
