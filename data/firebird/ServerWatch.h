#pragma once

#include <QElapsedTimer>

#include <memory>

namespace fb {

class Database;

// Watches one call on a remote connection that runs on, and tells a server
// that is slow from one that does not answer. After a quiet while it probes
// the server: an attach of its own with a short connect timeout, on a thread
// of its own. A probe the server answers (even with a refusal) means the
// server is merely slow, and the call goes on; a probe that gets no answer in
// time means the server is silent, and the watch cuts the connection, so the
// call fails at once. A local database is never cut: its engine is in this
// process.
class ServerWatch {
public:
    explicit ServerWatch(Database& db);
    ~ServerWatch();
    ServerWatch(const ServerWatch&) = delete;
    ServerWatch& operator=(const ServerWatch&) = delete;

    // Called now and then while the call runs.
    void check();

private:
    struct Probe;

    Database& db_;
    bool remote_;
    bool cut_ = false;
    QElapsedTimer running_;     // since the call began to be watched
    qint64 nextProbeAt_ = 0;    // ms on running_
    std::shared_ptr<Probe> probe_;
    QElapsedTimer probing_;     // since the probe began
};

} // namespace fb
