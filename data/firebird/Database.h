#pragma once

#include <QObject>
#include <QString>

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

    QString alias_;
    QString name_;
    ConnectParams params_;
    Firebird::IAttachment* att_ = nullptr;
    std::unique_ptr<Transaction> tra_;
    std::function<void()> afterConnect_;
    std::vector<Query*> queries_;
};

} // namespace fb
