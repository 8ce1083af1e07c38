#pragma once

#include <QElapsedTimer>

#include <array>
#include <memory>
#include <optional>

namespace fb {

class Database;
class Query;

// Watches one call on a remote connection that runs on, and tells three
// cases apart by asking the server about this connection's own attachment,
// not by whether the server answers somebody:
//  - slow: the server shows the attachment at work (an active request), or
//    its page counters moving (a long commit is no request, but it writes):
//    the call goes on, however long;
//  - dead: the server answers, but two looks in a row show the attachment
//    working on nothing with its counters still, while the desk waits for an
//    answer (the request never reached it, or its answer was lost on the
//    way): the connection is cut;
//  - silent: the server does not answer a probe of its own: the connection
//    is cut.
// The probe is one attachment per long wait, to the server's numeric
// address (no name to resolve), on a thread of its own; its looks back off.
// A local database is never cut: its engine is in this process. While the
// program closes, a call not done soon is cut without looking.
class ServerWatch {
public:
    explicit ServerWatch(Database& db);
    ~ServerWatch();
    ServerWatch(const ServerWatch&) = delete;
    ServerWatch& operator=(const ServerWatch&) = delete;

    // Called now and then while the call runs.
    void check();

    // What one look found of the attachment.
    struct Look {
        bool found = false;
        bool working = false;
        std::array<double, 4> pages{}; // reads, writes, fetches, marks
    };
    // Two looks in a row that show the connection dead.
    static bool deadBetween(const Look& before, const Look& now);

private:
    struct Probe;
    void startProbe();
    friend class AttachmentLook;

    Database& db_;
    bool remote_;
    bool decided_ = false;
    QElapsedTimer running_;  // since the call began to be watched
    std::shared_ptr<Probe> probe_;
    QElapsedTimer asked_;    // since the probe's attach, or the look asked last
    bool lookPending_ = false;
    int looksSeen_ = 0;
    qint64 nextLookAt_ = 0;  // ms on running_
    int gap_ = 0;
    std::optional<Look> last_;
};

// One look at what the server says of an attachment (its state, its active
// statements, its page counters), through a connection of one's own, in a
// transaction of its own: the monitoring tables are a snapshot taken once per
// transaction. The connection needs dialect 3.
class AttachmentLook {
public:
    explicit AttachmentLook(Database& probe);
    ~AttachmentLook();
    AttachmentLook(const AttachmentLook&) = delete;
    AttachmentLook& operator=(const AttachmentLook&) = delete;

    ServerWatch::Look at(qint64 attachmentId);

private:
    Database& db_;
    std::unique_ptr<Query> q_;
};

} // namespace fb
