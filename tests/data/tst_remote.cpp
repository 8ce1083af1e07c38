// Both databases behind a real Firebird server on loopback: a server name
// reaches it unchanged, a lost server is reported and survived, and the
// connections come back once it is up again.

#include "app/ErrorHandler.h"
#include "app/Markup.h"
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

QString findPart(data::TdmMain& dm, const QString& number)
{
    dm.ibqGetPartID.close();
    dm.ibqGetPartID.setParam(QStringLiteral("Num"), QStringLiteral("%") + number + QStringLiteral("%"));
    dm.ibqGetPartID.open();
    if (dm.ibqGetPartID.isEmpty())
        return {};
    dm.ibqGetPartID.last();
    return dm.ibqGetPartID.field(QStringLiteral("NAME")).asString();
}

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void serverNameHandedOverUnchanged();
    void lostServerIsReportedAndSurvived();

private:
    std::unique_ptr<data::TdmMain> startDataModule(DialogRecorder& rec);

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
    platform::IniFile ini(app::settingsPath());
    ini.writeString(app::kSectionPaths, QStringLiteral("AEDir"), aeName_);
    ini.writeString(app::kSectionPaths, QStringLiteral("VaderIzar"), priceName_);
}

void TestRemote::cleanupTestCase()
{
    server_.kill();
    dbs_.reset();
}

std::unique_ptr<data::TdmMain> TestRemote::startDataModule(DialogRecorder& rec)
{
    auto dm = std::make_unique<data::TdmMain>();
    if (!dm->DataModuleCreate())
        return nullptr;
    if (!rec.boxes.isEmpty() || !rec.fileRequests.isEmpty()) {
        // Say why: the start-up message hides the client library's text.
        for (fb::Database* db : {&dm->ibdAE, &dm->dbMain}) {
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
    QCOMPARE(dm->ibdAE.databaseName(), aeName_);
    QCOMPARE(dm->dbMain.databaseName(), priceName_);
    QVERIFY(dm->ibdAE.connected());
    QVERIFY(dm->dbMain.connected());
    QCOMPARE(platform::readAlias(QStringLiteral("AE"))->databaseName, aeName_);

    const QString protocol = QStringLiteral(
        "select trim(mon$remote_protocol) as V from mon$attachments where mon$attachment_id = current_connection");
    QCOMPARE(scalar(dm->ibdAE, protocol), QStringLiteral("TCPv4"));
    QCOMPARE(scalar(dm->dbMain, protocol), QStringLiteral("TCPv4"));
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QVERIFY(dm->taCurrency.isOpen());
    QCOMPARE(dm->taCurrency.rowCount(), 1);
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
        app::guarded([&] { dm->refreshConnections(); });
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY(!rec.texts(BoxKind::Error).first().isEmpty());
    }
    QVERIFY(!dm->ibdAE.connected());
    QVERIFY(!dm->dbMain.connected());
    QVERIFY(!dm->ibqGetPartID.isOpen());
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
    QVERIFY(dm->taCurrency.isOpen());

    // ...and after a loss the server came back from, the refresh drops the
    // dead handles (reporting each) and then connects both again.
    server_.kill();
    QVERIFY2(server_.start(&error), qPrintable(error));
    int reports = 0;
    for (int refresh = 0; refresh < 3; ++refresh) {
        rec.clear();
        app::guarded([&] { dm->refreshConnections(); });
        if (rec.boxes.isEmpty())
            break;
        ++reports;
    }
    QVERIFY(reports <= 2);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QVERIFY(dm->ibdAE.connected());
    QVERIFY(dm->dbMain.connected());
    QCOMPARE(findPart(*dm, QStringLiteral("W712")), QStringLiteral("Фильтр масляный"));
    QCOMPARE(dm->taCurrency.rowCount(), 1);
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
