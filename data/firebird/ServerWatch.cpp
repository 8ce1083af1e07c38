#include "data/firebird/ServerWatch.h"

#include "data/firebird/Client.h"
#include "data/firebird/Database.h"
#include "platform/Cp1251.h"

#include <atomic>
#include <thread>

namespace fb {

using namespace Firebird;

// What a probe's thread leaves for the watch; the thread may outlive both.
struct ServerWatch::Probe {
    enum State { Running, Answered, Silent };
    std::atomic<int> state{Running};
};

namespace {

// An attach that failed with one of these got no answer from the server;
// any other failure (a refused login, a missing file) is an answer.
bool unanswered(const Error& e)
{
    return e.connectionLost() || e.hasCode(isc_connect_reject) || e.hasCode(isc_net_connect_err) ||
           e.hasCode(isc_net_connect_listen_err) || e.hasCode(isc_net_event_connect_timeout);
}

} // namespace

ServerWatch::ServerWatch(Database& db) : db_(db), remote_(db.remote())
{
    running_.start();
    nextProbeAt_ = db.watchTimes().quietMs;
}

ServerWatch::~ServerWatch() = default;

void ServerWatch::check()
{
    if (!remote_ || cut_ || !db_.connected())
        return;
    const WatchTimes& t = db_.watchTimes();
    if (!probe_) {
        if (running_.elapsed() < nextProbeAt_)
            return;
        probe_ = std::make_shared<Probe>();
        probing_.start();
        const QByteArray name = platform::toCp1251(db_.databaseName());
        const QByteArray dpb = db_.buildDpb(0, t.probeTimeout);
        std::thread([probe = probe_, name, dpb] {
            int result = Probe::Answered;
            try {
                IAttachment* a = nullptr;
                fb::call([&](ThrowStatusWrapper& st) {
                    a = provider()->attachDatabase(&st, name.constData(), static_cast<unsigned>(dpb.size()),
                                                   reinterpret_cast<const unsigned char*>(dpb.constData()));
                });
                try {
                    fb::call([&](ThrowStatusWrapper& st) { a->detach(&st); });
                } catch (const Error&) {
                    a->release();
                }
            } catch (const Error& e) {
                if (unanswered(e))
                    result = Probe::Silent;
            }
            probe->state = result;
        }).detach();
        return;
    }
    const int state = probe_->state.load();
    // A probe that outlives its own connect timeout is stuck as well.
    const bool stuck = state == Probe::Running && probing_.elapsed() > t.probeTimeout * 1000 + 2000;
    if (state == Probe::Silent || stuck) {
        cut_ = true;
        db_.cutSilent();
    } else if (state == Probe::Answered) {
        probe_.reset();
        nextProbeAt_ = running_.elapsed() + t.probeEveryMs;
    }
}

} // namespace fb
