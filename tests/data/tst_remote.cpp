// Both databases behind a real Firebird server on loopback: a server name
// reaches it unchanged, a lost server is reported and survived, and the
// connections come back once it is up again.

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "data/TdmMain.h"
#include "data/firebird/Error.h"
#include "platform/AliasStore.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestDatabases.h"

#include <QtTest>

#include <memory>

using platform::BoxKind;
using platform::DialogRecorder;

namespace {

// Lost connection, and a network request that cannot complete.
constexpr intptr_t kConnectionLost = 335544726;
constexpr intptr_t kNetworkError = 335544721;

QString scalar(fb::Database& db, const QString& select)
{
    fb::Query q(db, QStringLiteral("probe"), {select},
                {fb::ColumnDef{QStringLiteral("V"), fb::ColumnType::Text, 0, {}, {}, false, false}});
    q.open();
    return q.field(QStringLiteral("V")).asString();
}

// The server's number for this process's attachment: a new one after a reconnect.
qint32 attachmentOf(fb::Database& db)
{
    fb::Query q(db, QStringLiteral("probe"), {QStringLiteral("select current_connection as ID from rdb$database")},
                {fb::ColumnDef{QStringLiteral("ID"), fb::ColumnType::Integer, 0, {}, {}, false, true}});
    q.open();
    return q.field(QStringLiteral("ID")).asInteger();
}

QString findPart(data::TdmMain& dm, const QString& number)
{
    dm.inside().ibqGetPartID.close();
    dm.inside().ibqGetPartID.setParam(QStringLiteral("Num"), QStringLiteral("%") + number + QStringLiteral("%"));
    dm.inside().ibqGetPartID.open();
    if (dm.inside().ibqGetPartID.isEmpty())
        return {};
    dm.inside().ibqGetPartID.last();
    return dm.inside().ibqGetPartID.field(QStringLiteral("NAME")).asString();
}

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void serverNameHandedOverUnchanged();
    void lostServerIsReportedAndSurvived();
    void onlyALostConnectionIsConnectedAgain();
    void refusalsAndQueryErrorsAreNoLostConnection();
    void aReadRunsAgainOnceTheServerIsBack();

private:
    std::unique_ptr<data::TdmMain> startDataModule(DialogRecorder& rec);
    // A connection of the test's own to a database on the server.
    std::unique_ptr<fb::Database> connection(const QString& name);
    // What an administrator does: the server ends that attachment.
    void endAttachment(const QString& database, qint32 id);
    // Rows of the price database's currency table named so, with their rates.
    QStringList currencyRows(const QString& name);

    testsupport::PrivateServer server_;
    std::unique_ptr<testdb::TestDatabases> dbs_;
    QString aeName_, priceName_;
};

void TestRemote::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    dbs_ = std::make_unique<testdb::TestDatabases>();
    dbs_->addPart({.manufactureCode = QStringLiteral("W712/75"), .name = QStringLiteral("Фильтр масляный")});
    dbs_->addCurrency({QStringLiteral("EUR"), 98.5});
    // The files go to the server: this process lets go of them.
    dbs_->disconnectAll();
    PRIVATE_SERVER_START(server_);
    aeName_ = server_.databaseName(dbs_->enterprisePath());
    priceName_ = server_.databaseName(dbs_->pricePath());
    dbs_->writeSettings(aeName_, priceName_);
}

void TestRemote::cleanupTestCase()
{
    server_.kill();
    dbs_.reset();
}

std::unique_ptr<data::TdmMain> TestRemote::startDataModule(DialogRecorder& rec)
{
    auto dm = std::make_unique<data::TdmMain>();
    if (!dm->DataModuleCreate(platform::desktopPrompts()))
        return nullptr;
    if (!rec.boxes.isEmpty() || !rec.fileRequests.isEmpty()) {
        // Say why: the start-up message hides the client library's text.
        for (fb::Database* db : {&dm->inside().ibdAE, &dm->inside().dbMain}) {
            try {
                db->connect();
            } catch (const fb::Error& e) {
                rec.boxes.append({BoxKind::Error, e.text(), {}});
            }
        }
        return nullptr;
    }
    return dm;
}

void TestRemote::serverNameHandedOverUnchanged()
{
    DialogRecorder rec;
    auto dm = startDataModule(rec);
    QVERIFY2(dm, qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(dm->inside().ibdAE.databaseName(), aeName_);
    QCOMPARE(dm->inside().dbMain.databaseName(), priceName_);
    QVERIFY(dm->inside().ibdAE.connected());
    QVERIFY(dm->inside().dbMain.connected());
    QCOMPARE(platform::readAlias(QStringLiteral("AE"))->databaseName, aeName_);

    const QString protocol = QStringLiteral(
        "select trim(mon$remote_protocol) as V from mon$attachments where mon$attachment_id = current_connection");
    QCOMPARE(scalar(dm->inside().ibdAE, protocol), QStringLiteral("TCPv4"));
    QCOMPARE(scalar(dm->inside().dbMain, protocol), QStringLiteral("TCPv4"));
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QVERIFY(dm->inside().taCurrency.isOpen());
    QCOMPARE(dm->inside().taCurrency.rowCount(), 1);
}

void TestRemote::lostServerIsReportedAndSurvived()
{
    DialogRecorder rec;
    auto dm = startDataModule(rec);
    QVERIFY2(dm, qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));

    server_.kill();
    try {
        findPart(*dm, QStringLiteral("W712"));
        QFAIL("a query went through a dead server");
    } catch (const fb::Error& e) {
        QVERIFY2(e.hasCode(kConnectionLost) || e.hasCode(kNetworkError), qPrintable(e.text()));
        QVERIFY(!e.text().isEmpty());
    }

    // Each refresh while the server is down ends in an error box with the
    // client library's text, and the program goes on; the dead handles are
    // dropped on the way.
    for (int refresh = 0; refresh < 3; ++refresh) {
        rec.clear();
        platform::guarded([&] { dm->refreshConnections(); });
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY(!rec.texts(BoxKind::Error).first().isEmpty());
    }
    QVERIFY(!dm->inside().ibdAE.connected());
    QVERIFY(!dm->inside().dbMain.connected());
    QVERIFY(!dm->inside().ibqGetPartID.isOpen());
    QVERIFY_THROWS_EXCEPTION(fb::Error, dm->connectEnterprise());
    QVERIFY_THROWS_EXCEPTION(fb::Error, dm->connectPrice());
    // A query on a closed connection says so.
    QVERIFY_THROWS_EXCEPTION(fb::Error, findPart(*dm, QStringLiteral("W712")));

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    // The reconnect ticks connect again on the same name...
    QVERIFY(dm->connectEnterprise());
    QVERIFY(dm->connectPrice());
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QVERIFY(dm->inside().taCurrency.isOpen());

    // ...and after a loss the server came back from, the refresh drops the
    // dead handles (reporting each) and then connects both again.
    server_.kill();
    QVERIFY2(server_.start(&error), qPrintable(error));
    int reports = 0;
    for (int refresh = 0; refresh < 3; ++refresh) {
        rec.clear();
        platform::guarded([&] { dm->refreshConnections(); });
        if (rec.boxes.isEmpty())
            break;
        ++reports;
    }
    QVERIFY(reports <= 2);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QVERIFY(dm->inside().ibdAE.connected());
    QVERIFY(dm->inside().dbMain.connected());
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QCOMPARE(dm->inside().taCurrency.rowCount(), 1);
}

std::unique_ptr<fb::Database> TestRemote::connection(const QString& name)
{
    auto db = std::make_unique<fb::Database>(QStringLiteral("TEST"), fb::CloseAction::Commit, fb::Access::ReadWrite);
    db->setDatabaseName(name);
    db->params().password = QStringLiteral("kavuntelo");
    db->connect();
    return db;
}

void TestRemote::endAttachment(const QString& database, qint32 id)
{
    auto admin = connection(database);
    admin->executeImmediate(QStringLiteral("delete from mon$attachments where mon$attachment_id = %1").arg(id));
    admin->transaction().commit();
}

QStringList TestRemote::currencyRows(const QString& name)
{
    auto db = connection(priceName_);
    fb::Query q(*db, QStringLiteral("rows"),
                {QStringLiteral("select CUNAME, CURATE from CURRENCY where CUNAME = :N")},
                {fb::ColumnDef{QStringLiteral("CUNAME"), fb::ColumnType::Text, 10, {}, {}, false, true},
                 fb::ColumnDef{QStringLiteral("CURATE"), fb::ColumnType::Double, 0, {}, {}, false, true}});
    q.setParam(QStringLiteral("N"), name);
    q.open();
    QStringList out;
    for (int r = 0; r < q.recordCount(); ++r)
        out << QStringLiteral("%1=%2").arg(q.fieldAt(r, 0).asString()).arg(q.fieldAt(r, 1).asDouble());
    return out;
}

// A query error and a lock conflict are reported as they are, on the same
// attachment. An attachment the server ended is replaced: a read gets its
// rows without a word, a currency change is reported and stored by the next
// post, once.
void TestRemote::onlyALostConnectionIsConnectedAgain()
{
    DialogRecorder rec;
    auto dm = startDataModule(rec);
    QVERIFY2(dm, qPrintable(rec.texts().join(QLatin1Char('\n'))));
    const qint32 ae = attachmentOf(dm->inside().ibdAE);
    const qint32 price = attachmentOf(dm->inside().dbMain);

    fb::Query bad(dm->inside().ibdAE, QStringLiteral("bad"), {QStringLiteral("select NOPE from PART")},
                  {fb::ColumnDef{QStringLiteral("NOPE"), fb::ColumnType::Integer, 0, {}, {}, false, true}});
    try {
        bad.open();
        QFAIL("a missing column went through");
    } catch (const fb::Error& e) {
        QVERIFY(!e.connectionLost());
    }
    QVERIFY(!dm->inside().ibdAE.lost());
    QCOMPARE(attachmentOf(dm->inside().ibdAE), ae);

    auto other = connection(priceName_);
    other->executeImmediate(QStringLiteral("update CURRENCY set CURATE = 1 where CUNAME = 'EUR'"));
    auto& t = dm->inside().taCurrency;
    t.edit(0);
    t.setValue(data::CurrencyTable::kRate, fb::Value{77.0});
    try {
        t.post();
        QFAIL("a locked row was stored");
    } catch (const fb::Error& e) {
        QVERIFY2(!e.connectionLost(), qPrintable(e.text()));
    }
    QCOMPARE(t.state(), data::CurrencyTable::State::Edit);
    QCOMPARE(attachmentOf(dm->inside().dbMain), price);
    other->transaction().rollback();
    other.reset();

    endAttachment(aeName_, ae);
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QVERIFY(attachmentOf(dm->inside().ibdAE) != ae);

    endAttachment(priceName_, price);
    try {
        t.post();
        QFAIL("a post through an ended attachment was reported stored");
    } catch (const fb::Error& e) {
        QVERIFY2(e.connectionLost(), qPrintable(e.text()));
    }
    QCOMPARE(t.state(), data::CurrencyTable::State::Edit);
    QCOMPARE(std::get<double>(t.value(0, data::CurrencyTable::kRate)), 77.0);
    QCOMPARE(currencyRows(QStringLiteral("EUR")), QStringList{QStringLiteral("EUR=98.5")});
    t.post();
    QCOMPARE(t.state(), data::CurrencyTable::State::Browse);
    QCOMPARE(currencyRows(QStringLiteral("EUR")), QStringList{QStringLiteral("EUR=77")});
    QVERIFY(attachmentOf(dm->inside().dbMain) != price);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));

    t.edit(0);
    t.setValue(data::CurrencyTable::kRate, fb::Value{98.5});
    t.post();

    // Both ended while idle: the refresh closes and opens both without a word.
    endAttachment(aeName_, attachmentOf(dm->inside().ibdAE));
    endAttachment(priceName_, attachmentOf(dm->inside().dbMain));
    platform::guarded([&] { dm->refreshConnections(); });
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QCOMPARE(dm->inside().taCurrency.rowCount(), 1);
}

// What the server answers to a wrong password, a missing file, a conversion
// that fails and a bad statement: each is reported as it is, none counts as
// a lost connection.
void TestRemote::refusalsAndQueryErrorsAreNoLostConnection()
{
    auto expectNotLost = [](const char* what, const std::function<void()>& f) {
        try {
            f();
            QFAIL(qPrintable(QStringLiteral("%1 went through").arg(QLatin1String(what))));
        } catch (const fb::Error& e) {
            QVERIFY2(!e.text().isEmpty() && !e.connectionLost(), qPrintable(e.text()));
        }
    };
    expectNotLost("a wrong password", [this] {
        fb::Database db(QStringLiteral("TEST"), fb::CloseAction::Rollback, fb::Access::ReadOnly);
        db.setDatabaseName(aeName_);
        db.params().password = QStringLiteral("wrong");
        db.connect();
    });
    expectNotLost("a missing file", [this] { connection(aeName_ + QStringLiteral(".missing")); });
    auto db = connection(priceName_);
    auto scalar = [&](const QString& select) {
        fb::Query q(*db, QStringLiteral("q"), {select},
                    {fb::ColumnDef{QStringLiteral("V"), fb::ColumnType::Integer, 0, {}, {}, false, true}});
        q.open();
    };
    expectNotLost("a failed conversion", [&] { scalar(QStringLiteral("select cast('x' as integer) as V from rdb$database")); });
    expectNotLost("a bad statement", [&] { scalar(QStringLiteral("selec 1 as V from rdb$database")); });
    // A remote call of the database's own that meets no server: the network
    // error lies inside the database's answer, and this connection is fine.
    // The database's answer names the network error of its own remote call,
    // and this connection is fine; a status whose first code is another's
    // never makes a connection lost, whatever codes follow it.
    expectNotLost("a remote call inside a statement", [&] {
        db->executeImmediate(QStringLiteral(
            "execute block as declare v integer; begin "
            "execute statement 'select 1 from rdb$database' on external 'localhost/1:/nowhere.gdb' "
            "as user 'SYSDBA' password 'x' into :v; end"));
    });
    QVERIFY(!fb::Error(QStringLiteral("nested"), {335544921, kNetworkError, kConnectionLost}).connectionLost());
    QVERIFY(fb::Error(QStringLiteral("own"), {kConnectionLost}).connectionLost());
    QVERIFY(!db->lost());
    scalar(QStringLiteral("select 1 as V from rdb$database"));
}

// Killed for good: a read says the connection is lost, the next one tries to
// connect once and says why it cannot, and once the server is back the one
// after that works, on the same data module.
void TestRemote::aReadRunsAgainOnceTheServerIsBack()
{
    DialogRecorder rec;
    auto dm = startDataModule(rec);
    QVERIFY2(dm, qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QString error;
    server_.kill();
    try {
        findPart(*dm, QStringLiteral("W712"));
        QFAIL("a read went through a dead server");
    } catch (const fb::Error& e) {
        QVERIFY2(e.connectionLost(), qPrintable(e.text()));
    }
    QVERIFY(dm->inside().ibdAE.lost());
    try {
        findPart(*dm, QStringLiteral("W712"));
        QFAIL("a read went through a dead server");
    } catch (const fb::Error& e) {
        QVERIFY2(e.hasCode(kNetworkError) && !e.hasCode(kConnectionLost), qPrintable(e.text()));
    }
    QVERIFY(dm->inside().ibdAE.lost());
    QVERIFY2(server_.start(&error), qPrintable(error));
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QVERIFY(!dm->inside().ibdAE.lost());
    QVERIFY(rec.boxes.isEmpty());
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
