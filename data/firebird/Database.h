#pragma once

#include <QObject>
#include <QString>

#include "data/firebird/Error.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace Firebird {
class IAttachment;
class ThrowStatusWrapper;
}

namespace fb {

class Transaction;
class Query;

// What the connection does with an active transaction when it closes.
enum class CloseAction { Rollback, Commit };

// Which transaction parameters a connection's default transaction starts with.
enum class Access { ReadWrite, ReadOnly };

struct ConnectParams {
    QString charset = QStringLiteral("WIN1251");
    QString userName = QStringLiteral("SYSDBA");
    QString password;
    QString role;
    int dialect = 1;
    QString config; // isc_dpb_config text, e.g. "Providers = Engine12"; empty: none
    int forcedWrites = -1; // 0/1 sets the file's forced-writes flag for good (bulk loads); -1: leave it
    // Pages in the database's page cache; 0: the engine's default. Sent as
    // the per-database setting DefaultDbCachePages, which the embedded
    // Firebird 3 honours where it ignores isc_dpb_num_buffers; a server
    // ignores it. The cache belongs to the database, not to the attachment:
    // only the attachment that opens the file sets it.
    int pageBuffers = 0;
    // Seconds an attach waits for a server that does not answer; 0: the
    // client library's own (180 s).
    int connectTimeout = 0;
};

// How the watch of a call tells a slow server from a silent one and from a
// dead connection. A remote call still running after `quietMs` gets a probe:
// an attach of its own to the server's address, bounded by `probeAttachMs`
// (a probe the server does not answer in time: silent). Through it the watch
// looks at what the server says of this connection's attachment, first after
// `lookGapMs`, then at gaps that double up to `lookEveryMaxMs`; a look not
// answered within `lookAnswerMs` means silent too. Two looks in a row that
// show the attachment working on nothing (no active request) with its page
// counters not moving: dead. While the program closes, a call not done after
// `closingMs` is cut without looking.
struct WatchTimes {
    int quietMs = 2000;
    int probeAttachMs = 3000;
    int lookGapMs = 2000;
    int lookEveryMaxMs = 8000;
    int lookAnswerMs = 3000;
    int closingMs = 1500;
};

class Line;

// A name with a server part ("host:/path", "host/port:path", "[::1]:/path",
// "[::1]/port:path", "inet://…") is served over the network; a bare path (a
// single letter before the colon is a drive) is opened in this process.
bool isRemoteName(const QString& name);

// A remote name split into its server part ("host", "host/3051", "[::1]/3051")
// and the path on the server; nothing for a bare path or a URL.
struct ServerName {
    QString server;
    QString path;
    int port = 0; // 0: the default one, or a service name
};
std::optional<ServerName> splitServerName(const QString& name);

// One connection to a database, with its default transaction. The database
// name goes to the client library unchanged: a bare path is opened by the
// embedded engine, "host:/path" reaches a server.
class Database : public QObject {
    Q_OBJECT
public:
    Database(QString alias, CloseAction closeAction, Access access, QObject* parent = nullptr);
    ~Database() override;

    const QString& alias() const { return alias_; }
    const QString& databaseName() const { return name_; }
    void setDatabaseName(const QString& name) { name_ = name; }
    ConnectParams& params() { return params_; }
    const ConnectParams& params() const { return params_; }

    // The error of a statement sent on a connection that is not open.
    Error notOpen() const;

    // Whether the connection goes to a server over the network.
    bool remote() const;

    void connect();
    void disconnect();
    bool connected() const { return att_.load() != nullptr; }

    // Gives the connection a thread of its own for its calls into the client
    // library. Without one, calls run on the thread that makes them.
    void useLine();
    // Whether the caller is on the connection's thread (or it has none): a
    // job run from here runs at once.
    bool onItsThread() const;
    // Runs job on the connection's thread (at once when there is none, or
    // when already on it) and waits for it; on the thread of the event loop
    // the windows keep answering meanwhile. A server that stops answering is
    // found out by the watch, which cuts the connection: the job then fails
    // with an error saying the server does not answer. The job's failure is
    // thrown here.
    void perform(const std::function<void()>& job);
    // One call into the client library on this connection, through perform.
    void call(const std::function<void(Firebird::ThrowStatusWrapper&)>& body);
    void setWatchTimes(const WatchTimes& t) { watchTimes_ = t; }
    const WatchTimes& watchTimes() const { return watchTimes_; }

    // Replaces a lost attachment by a new one with the same parameters: the
    // old one's line is cut, its transaction and statements let go of (the
    // server ends them on its own); the queries keep the rows they hold and
    // prepare again at their next run; the after-connect action runs. When
    // the new attach fails its error is thrown and nothing has changed.
    void reconnect();

    // True once a call on this attachment failed because the connection is
    // gone, or the watch cut it; a connect, reconnect or disconnect clears it.
    bool lost() const { return lost_; }
    void noteFailure(const Error& e);
    // The connection is to come back: a closed one is connected again by the
    // next statement, as a lost one is (a refresh whose connect failed).
    void markLost() { lost_ = true; }
    // The watch cut the connection: the failing statement is reported, not
    // run again; the next command reconnects.
    bool cutByWatch() const { return cutBy_.load() != Cut::None; }
    // The watch: cuts the connection of a server that does not answer, or
    // one the server shows dead (the server answers, not on this connection).
    void cutSilent();
    void cutDead();

    // The server's id of this connection's attachment, read after every
    // attach (0: not attached, or not told).
    qint64 attachmentId() const { return attachmentId_.load(); }
    // The server the attachment reached, as a numeric address in the client
    // library's form ("192.168.1.10/3050"); empty when not known.
    QString serverAddress() const;
    // An attach or reconnect is under way: there is no call to watch.
    bool attaching() const { return attaching_.load(); }
    // The program is closing: a call that does not end soon is cut.
    void setClosing(bool on) { closing_ = on; }
    bool closing() const { return closing_.load(); }

    // Asked by a statement that met a lost connection (ran: true) or is about
    // to be sent on one (ran: false): true when the connection is there again
    // and the statement is to run (again). Without it a lost connection is
    // only reported.
    using Recovery = std::function<bool(Query& statement, bool ran)>;
    void setRecovery(Recovery r) { recovery_ = std::move(r); }
    const Recovery& recovery() const { return recovery_; }

    Transaction& transaction() { return *tra_; }
    Firebird::IAttachment* attachment() const { return att_.load(); }

    // Runs after every successful connect (the alias record, opening tables).
    void setAfterConnect(std::function<void()> f) { afterConnect_ = std::move(f); }

    // Runs a statement outside the query catalogue in the default transaction
    // (used to build test and demo databases).
    void executeImmediate(const QString& sql);

    // Creates a new database file with the given page size, dialect 1 and
    // WIN1251 as default character set; the connection is left connected.
    void create(int pageSize = 8192);

    // Queries register themselves so a disconnect closes and unprepares them.
    void attachQuery(Query* q);
    void detachQuery(Query* q);

    // The attach parameters; with a page size, those of a new database too;
    // a connect timeout of its own when given.
    QByteArray buildDpb(int createPageSize, int connectTimeout = 0) const;

private:
    enum class Cut { None, Silent, Dead };
    // The error a call cut by the watch ends with: the server does not
    // answer, or the connection to it was lost; the program reconnects by
    // itself; the cause second.
    Error cutError(Cut why, const std::exception_ptr& cause) const;
    void cutFor(Cut why);
    // connect, reconnect and disconnect, on the connection's thread.
    bool attachNow();
    bool reattachNow();
    void detachNow();
    Firebird::IAttachment* attach();
    void setAttachment(Firebird::IAttachment* a);
    // Closes a lost attachment's line at once, so that nothing said to it
    // after can wait for an answer (a server that ended an attachment may
    // never answer a rollback on it).
    void cut();

    QString alias_;
    QString name_;
    ConnectParams params_;
    // Set on the connection's thread, read on others; the watch takes a
    // reference under attMutex_ before it cuts.
    std::atomic<Firebird::IAttachment*> att_{nullptr};
    std::mutex attMutex_;
    std::unique_ptr<Transaction> tra_;
    std::function<void()> afterConnect_;
    Recovery recovery_;
    std::vector<Query*> queries_;
    std::atomic<bool> lost_{false};
    std::atomic<Cut> cutBy_{Cut::None};
    std::atomic<qint64> attachmentId_{0};
    mutable std::mutex serverMutex_;
    QString server_; // under serverMutex_
    std::atomic<bool> attaching_{false};
    std::atomic<bool> closing_{false};
    WatchTimes watchTimes_;
    std::unique_ptr<Line> line_;
};

} // namespace fb
