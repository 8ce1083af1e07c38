#pragma once

#include <QObject>
#include <QString>

#include "data/firebird/Error.h"

#include <functional>
#include <memory>
#include <vector>

namespace Firebird {
class IAttachment;
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
};

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

    void connect();
    void disconnect();
    bool connected() const { return att_ != nullptr; }

    // Replaces a lost attachment by a new one with the same parameters: the
    // old one's line is cut, its transaction and statements let go of (the
    // server ends them on its own); the queries keep the rows they hold and
    // prepare again at their next run; the after-connect action runs. When
    // the new attach fails its error is thrown and nothing has changed.
    void reconnect();

    // True once a call on this attachment failed because the connection is
    // gone; a connect, reconnect or disconnect clears it.
    bool lost() const { return lost_; }
    void noteFailure(const Error& e);

    // Asked by a statement that met a lost connection (ran: true) or is about
    // to be sent on one (ran: false): true when the connection is there again
    // and the statement is to run (again). Without it a lost connection is
    // only reported.
    using Recovery = std::function<bool(Query& statement, bool ran)>;
    void setRecovery(Recovery r) { recovery_ = std::move(r); }
    const Recovery& recovery() const { return recovery_; }

    Transaction& transaction() { return *tra_; }
    Firebird::IAttachment* attachment() const { return att_; }

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

signals:
    void connectedChanged(bool connected);

private:
    // The attach parameters; with a page size, those of a new database too.
    QByteArray buildDpb(int createPageSize) const;
    Firebird::IAttachment* attach() const;
    // Closes a lost attachment's line at once, so that nothing said to it
    // after can wait for an answer (a server that ended an attachment may
    // never answer a rollback on it).
    void cut();

    QString alias_;
    QString name_;
    ConnectParams params_;
    Firebird::IAttachment* att_ = nullptr;
    std::unique_ptr<Transaction> tra_;
    std::function<void()> afterConnect_;
    Recovery recovery_;
    std::vector<Query*> queries_;
    bool lost_ = false;
};

} // namespace fb
