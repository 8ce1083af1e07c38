#include "data/TdmMain.h"

#include "data/Sentences.h"
#include "platform/AliasStore.h"

namespace data {

const QString kAeOpenFailed = QStringLiteral(
    "Ошибка открытия базы Автопредприятия\rПроверьте правильность пути к файлу AEnter.gdb в файле Orvado.INI");
const QString kPriceOpenFailed = QStringLiteral(
    "Ошибка открытия базы Tovrin Прайс-лист\rПроверьте правильность пути к файлу Orvado.gdb в файле Orvado.INI");

namespace {

const QString kPassword = QStringLiteral("kavuntelo");
constexpr int kConnectTimeout = 8; // seconds

} // namespace

TdmMain::TdmMain(QObject* parent) : QObject(parent)
{
    for (fb::Database* db : {&ibdAE, &dbMain}) {
        db->params().password = kPassword;
        // An attach to a server that does not answer gives up in time; the
        // calls run on a thread of the connection's own, so the windows keep
        // answering whatever the server does.
        db->params().connectTimeout = kConnectTimeout;
        db->useLine();
        // The alias record of an earlier run may name another user, character
        // set, role or dialect; the database name comes from the settings file.
        if (auto rec = platform::readAlias(db->alias())) {
            if (!rec->databaseName.isEmpty())
                db->setDatabaseName(rec->databaseName);
            if (!rec->userName.isEmpty())
                db->params().userName = rec->userName;
            if (!rec->lcCtype.isEmpty())
                db->params().charset = rec->lcCtype;
            if (!rec->sqlRoleName.isEmpty())
                db->params().role = rec->sqlRoleName;
            bool ok = false;
            int dialect = rec->sqlDialect.toInt(&ok);
            if (ok)
                db->params().dialect = dialect;
        }
        db->setAfterConnect([this, db]() {
            // The record only carries the parameters over to the next start:
            // a profile folder that cannot be written must not cost the
            // connection its currency table, nor raise an error at every refresh.
            try {
                storeAlias(*db);
            } catch (const platform::Failure& f) {
                qWarning("%s", qPrintable(f.text()));
            }
            if (db == &dbMain)
                dbMainAfterConnect();
        });
        db->setRecovery([this](fb::Query& q, bool ran) { return recover(q, ran); });
    }
}

TdmMain::~TdmMain()
{
    // The enterprise connection normally closed with the main window; the
    // price database closes last, committing its transaction.
    for (fb::Database* db : {&ibdAE, &dbMain}) {
        try {
            db->disconnect();
        } catch (const fb::Error&) {
        }
    }
}

void TdmMain::on(fb::Database& db, const std::function<void()>& job)
{
    // Within a job on that thread already (a batch, a recovery) the work
    // runs as it is: its failure is said once, by the outermost call.
    if (db.onItsThread()) {
        job();
        return;
    }
    try {
        db.perform(job);
    } catch (const fb::Error& e) {
        throw toldOf(e, db.databaseName(), &db == &ibdAE ? Whose::Enterprise : Whose::Price);
    }
}

void TdmMain::enterpriseBatch(const std::function<void()>& steps)
{
    on(ibdAE, steps);
}

void TdmMain::storeAlias(fb::Database& db)
{
    platform::AliasRecord rec{db.databaseName(), db.params().userName, db.params().charset, db.params().role,
                              QString::number(db.params().dialect)};
    platform::storeAlias(db.alias(), rec);
}

void TdmMain::dbMainAfterConnect()
{
    // After a reconnect the table still holds its rows and any edit in
    // progress; it is read again only when it was closed.
    if (!taCurrency.isOpen())
        taCurrency.open();
}

bool TdmMain::recover(fb::Query& statement, bool ran)
{
    bool& busy = &statement.database() == &ibdAE ? recoveringAE_ : recoveringMain_;
    if (busy)
        return false;
    busy = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{busy};
    try {
        statement.database().reconnect();
    } catch (const fb::Error& e) {
        // The statement's own error stands only while the server is out of
        // reach; a reason of another kind (a refused login, a database shut
        // down, a missing file) is what the user is to be told.
        if (!ran || !e.unreachable())
            throw;
        return false;
    }
    return !ran || rerunnable(statement);
}

bool TdmMain::rerunnable(const fb::Query& statement) const
{
    if (&statement.database() == &ibdAE)
        return true; // the enterprise database is only read
    return &statement == &taCurrency.select || &statement == &spGetEuroRate;
}

} // namespace data
