// Start-up and the two connections, through the embedded engine: the
// settings file, the file dialogs, the start-up messages, the alias records,
// the connection and transaction parameters, and the refresh.

#include "data/Settings.h"
#include "data/TdmMain.h"
#include "data/firebird/Error.h"
#include "platform/AliasStore.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/TestDatabases.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

using platform::BoxKind;
using platform::DialogRecorder;
using testdb::Db;
using testdb::TestDatabases;

namespace {

const QString kAeTitle = QStringLiteral("Укажите путь к файлу AEnter.gdb");
const QString kAeFilter = QStringLiteral("AEnter.gdb (Автопредприятие)|AEnter.gdb");
const QString kAeCancel = QStringLiteral("База данных AutoSoft Автопредприятия не найдена");
const QString kPriceTitle = QStringLiteral("Укажите путь к файлу Orvado.gdb");
const QString kPriceFilter = QStringLiteral("Orvado.gdb (Tovrin Zevaveraz)|Orvado.gdb");
const QString kPriceCancel = QStringLiteral("База данных Tovrin Zevaveraz не найдена");

// One value of an ad-hoc select on a connection, as text.
QString scalar(fb::Database& db, const QString& select)
{
    fb::Query q(db, QStringLiteral("probe"), {select},
                {fb::ColumnDef{QStringLiteral("V"), fb::ColumnType::Text, 0, {}, {}, false, false}});
    q.open();
    return q.field(QStringLiteral("V")).asString();
}

QString iniValue(const QString& key)
{
    return platform::IniFile(data::settingsPath()).readString(data::kSectionPaths, key, QStringLiteral("<none>"));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

void scrambleMarkup()
{
    data::markup() = data::MarkupFactors{7.0f, 7.0f, 7.0f};
}

} // namespace

class TestConnections : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultsFindBothFilesWithoutSettingsFile();
    void settingsPathsAndFactorsIgnoreCase();
    void markupFactorParsing_data();
    void markupFactorParsing();

    void enterpriseNameThatNamesNoFileAsks_data();
    void enterpriseNameThatNamesNoFileAsks();
    void bothMissingAskInOrderAndCancelEnds();
    void pickedFilesAreStoredAndUsed();
    void typedNameOfMissingFileIsAccepted();
    void remoteNameIsNotCheckedAsFile();
    void unwritableSettingsFileStopsStartButKeepsNames();

    void startupConnectFailuresAndRetries();

    void aliasRecordsStoredAndReadBack();
    void connectionParametersReachTheServer();
    void enterpriseTransactionIsReadOnly();
    void priceTransactionCommittedOnClose();
    void refreshReopensBoth();
    void refreshStopsAtFailingStep();

private:
    QString oldCwd_;
};

void TestConnections::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    oldCwd_ = QDir::currentPath();
}

void TestConnections::init()
{
    scrambleMarkup();
}

void TestConnections::cleanup()
{
    QDir::setCurrent(oldCwd_);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestConnections::defaultsFindBothFilesWithoutSettingsFile()
{
    TestDatabases dbs;
    DialogRecorder rec;
    // "AENTER.GDB" is found in the current folder, "ORVADO.GDB" beside the executable.
    QDir::setCurrent(dbs.dir());
    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));

    QVERIFY(rec.fileRequests.isEmpty());
    QVERIFY(rec.boxes.isEmpty());
    QCOMPARE(dm.inside().ibdAE.databaseName(), QStringLiteral("AENTER.GDB"));
    QCOMPARE(dm.inside().dbMain.databaseName(), dbs.pricePath());
    QVERIFY(!QFileInfo::exists(data::settingsPath()));
    QCOMPARE(data::markup().other, 1.0f);
    QCOMPARE(data::markup().opt, 1.0f);
    QCOMPARE(data::markup().rozn, 1.0f);
    QVERIFY(dm.inside().ibdAE.connected());
    QVERIFY(dm.inside().dbMain.connected());
    QVERIFY(dm.inside().taCurrency.isOpen());
}

void TestConnections::settingsPathsAndFactorsIgnoreCase()
{
    TestDatabases dbs;
    DialogRecorder rec;
    const QByteArray ini = "; kept by hand\r\n[PATHS]\r\naedir=" + dbs.enterprisePath().toLocal8Bit() +
                           "\r\nVADERIZAR=" + dbs.pricePath().toLocal8Bit() +
                           "\r\n[charges]\r\notherrate=2,5\r\nOPTRATE=3,25\r\nRoznRate=0,5\r\n";
    writeFile(data::settingsPath(), ini);

    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    QVERIFY(rec.fileRequests.isEmpty());
    QCOMPARE(dm.inside().ibdAE.databaseName(), dbs.enterprisePath());
    QCOMPARE(dm.inside().dbMain.databaseName(), dbs.pricePath());
    QCOMPARE(data::markup().other, 2.5f);
    QCOMPARE(data::markup().opt, 3.25f);
    QCOMPARE(data::markup().rozn, 0.5f);
    // Reading changes nothing in the file.
    QFile f(data::settingsPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), ini);
}

void TestConnections::markupFactorParsing_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    const double one1 = 1.10000002384185791015625;
    QTest::newRow("ru comma") << "ru_RU" << "1,1" << one1;
    QTest::newRow("ru point is no number") << "ru_RU" << "1.15" << 1.0;
    QTest::newRow("ru letters") << "ru_RU" << "abc" << 1.0;
    QTest::newRow("ru empty") << "ru_RU" << "" << 1.0;
    QTest::newRow("ru negative") << "ru_RU" << "-1" << -1.0;
    QTest::newRow("ru zero") << "ru_RU" << "0" << 0.0;
    QTest::newRow("en point") << "en_US" << "1.15" << static_cast<double>(1.15f);
    QTest::newRow("en comma is no number") << "en_US" << "1,1" << 1.0;
}

void TestConnections::markupFactorParsing()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    QLocale::setDefault(QLocale(locale));
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    platform::IniFile(data::settingsPath()).writeString(data::kSectionCharges, QStringLiteral("RoznRate"), text);

    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    QCOMPARE(static_cast<double>(data::markup().rozn), expected);
    QCOMPARE(data::markup().other, 1.0f);
    QCOMPARE(data::markup().opt, 1.0f);
}

void TestConnections::enterpriseNameThatNamesNoFileAsks_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty value") << "";
    QTest::newRow("missing file") << "nothere/AENTER.GDB";
    QTest::newRow("a folder") << "folder";
}

void TestConnections::enterpriseNameThatNamesNoFileAsks()
{
    QFETCH(QString, name);
    TestDatabases dbs;
    DialogRecorder rec;
    QDir(dbs.dir()).mkdir(QStringLiteral("folder"));
    QDir::setCurrent(dbs.dir());
    dbs.writeSettings();
    platform::IniFile(data::settingsPath()).writeString(data::kSectionPaths, QStringLiteral("AEDir"), name);

    data::TdmMain dm;
    QVERIFY(!dm.DataModuleCreate(platform::desktopPrompts())); // the recorder cancels
    QCOMPARE(rec.fileRequests.size(), 1);
    QCOMPARE(rec.fileRequests[0].title, kAeTitle);
    QCOMPARE(rec.fileRequests[0].filter, kAeFilter);
    QCOMPARE(rec.texts(BoxKind::Plain), QStringList{kAeCancel});
    QCOMPARE(rec.boxes[0].title, platform::appTitle());
    QVERIFY(!dm.inside().ibdAE.connected());
    QVERIFY(!dm.inside().dbMain.connected());
    QCOMPARE(iniValue(QStringLiteral("AEDir")), name);
}

void TestConnections::bothMissingAskInOrderAndCancelEnds()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings(dbs.path(QStringLiteral("gone1.gdb")), dbs.path(QStringLiteral("gone2.gdb")));
    rec.fileAnswers.push_back(dbs.enterprisePath());
    rec.fileAnswers.push_back(std::nullopt);

    data::TdmMain dm;
    QVERIFY(!dm.DataModuleCreate(platform::desktopPrompts()));
    QCOMPARE(rec.fileRequests.size(), 2);
    QCOMPARE(rec.fileRequests[0].title, kAeTitle);
    QCOMPARE(rec.fileRequests[1].title, kPriceTitle);
    QCOMPARE(rec.fileRequests[1].filter, kPriceFilter);
    QCOMPARE(rec.texts(), QStringList{kPriceCancel});
    // The first pick is already stored; nothing was connected.
    QCOMPARE(iniValue(QStringLiteral("AEDir")), dbs.enterprisePath());
    QCOMPARE(iniValue(QStringLiteral("VaderIzar")), dbs.path(QStringLiteral("gone2.gdb")));
    QVERIFY(!dm.inside().ibdAE.connected());
    QVERIFY(!dm.inside().dbMain.connected());
}

void TestConnections::pickedFilesAreStoredAndUsed()
{
    TestDatabases dbs;
    DialogRecorder rec;
    QTemporaryDir empty;
    QDir::setCurrent(empty.path()); // no AENTER.GDB here
    platform::IniFile(data::settingsPath())
        .writeString(data::kSectionPaths, QStringLiteral("VaderIzar"), dbs.path(QStringLiteral("gone.gdb")));
    rec.fileAnswers.push_back(dbs.enterprisePath());
    rec.fileAnswers.push_back(dbs.pricePath());

    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    QCOMPARE(rec.fileRequests.size(), 2);
    QCOMPARE(rec.fileRequests[1].directory, dbs.dir()); // the second dialog opens where the first pick was
    QVERIFY(rec.boxes.isEmpty());
    QCOMPARE(iniValue(QStringLiteral("AEDir")), dbs.enterprisePath());
    QCOMPARE(iniValue(QStringLiteral("VaderIzar")), dbs.pricePath());
    QCOMPARE(dm.inside().ibdAE.databaseName(), dbs.enterprisePath());
    QVERIFY(dm.inside().ibdAE.connected());
    QVERIFY(dm.inside().dbMain.connected());
}

void TestConnections::typedNameOfMissingFileIsAccepted()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    platform::IniFile(data::settingsPath()).writeString(data::kSectionPaths, QStringLiteral("AEDir"), QString());
    const QString typed = dbs.path(QStringLiteral("typed.gdb"));
    rec.fileAnswers.push_back(typed);

    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    QCOMPARE(iniValue(QStringLiteral("AEDir")), typed);
    QCOMPARE(dm.inside().ibdAE.databaseName(), typed);
    QCOMPARE(rec.texts(BoxKind::Plain), QStringList{data::kAeOpenFailed});
    QVERIFY(!dm.inside().ibdAE.connected());
    QVERIFY(dm.inside().dbMain.connected());
}

void TestConnections::remoteNameIsNotCheckedAsFile()
{
    QVERIFY(fb::isRemoteName(QStringLiteral("localhost:/db/AENTER.GDB")));
    QVERIFY(fb::isRemoteName(QStringLiteral("srv/3051:C:\\db\\AENTER.GDB")));
    QVERIFY(fb::isRemoteName(QStringLiteral("inet://srv/db")));
    QVERIFY(!fb::isRemoteName(QStringLiteral("C:\\db\\AENTER.GDB")));
    QVERIFY(!fb::isRemoteName(QStringLiteral("/db/a:b.gdb")));
    QVERIFY(!fb::isRemoteName(QStringLiteral("AENTER.GDB")));
    // A server named by its IPv6 address is remote too, and watched alike.
    QVERIFY(fb::isRemoteName(QStringLiteral("[::1]:/db/AENTER.GDB")));
    QVERIFY(fb::isRemoteName(QStringLiteral("[fe80::1%eth0]/3051:/db/AENTER.GDB")));
    QVERIFY(!fb::isRemoteName(QStringLiteral("[::1]")));
    QVERIFY(!fb::isRemoteName(QStringLiteral("srv/:/db")));
    // The server part and the path, as the probe of a long call takes them.
    const auto v6 = fb::splitServerName(QStringLiteral("[::1]/3051:/db/a:b.gdb"));
    QVERIFY(v6);
    QCOMPARE(v6->server, QStringLiteral("[::1]/3051"));
    QCOMPARE(v6->path, QStringLiteral("/db/a:b.gdb"));
    QCOMPARE(v6->port, 3051);
    const auto win = fb::splitServerName(QStringLiteral("srv:C:\\db\\AENTER.GDB"));
    QVERIFY(win);
    QCOMPARE(win->server, QStringLiteral("srv"));
    QCOMPARE(win->path, QStringLiteral("C:\\db\\AENTER.GDB"));
    QCOMPARE(win->port, 0);
    QCOMPARE(fb::splitServerName(QStringLiteral("srv/gds_db:/db"))->port, 0);

    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    // Port 1 on loopback: nobody listens, the connect is refused at once.
    platform::IniFile(data::settingsPath())
        .writeString(data::kSectionPaths, QStringLiteral("AEDir"), QStringLiteral("127.0.0.1/1:/nowhere/AENTER.GDB"));
    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    QVERIFY(rec.fileRequests.isEmpty());
    QCOMPARE(rec.texts(), QStringList{data::kAeOpenFailed});
}

void TestConnections::unwritableSettingsFileStopsStartButKeepsNames()
{
    TestDatabases dbs;
    DialogRecorder rec;
    QTemporaryDir empty;
    QDir::setCurrent(empty.path());
    // A folder where the settings file should be: it reads as missing and
    // cannot be written, even by root.
    QVERIFY(QDir().mkpath(data::settingsPath()));
    rec.fileAnswers.push_back(dbs.enterprisePath());

    data::TdmMain dm;
    try {
        dm.DataModuleCreate(platform::desktopPrompts());
        QFAIL("the failed write was not reported");
    } catch (const platform::Failure& f) {
        QCOMPARE(f.text(), QStringLiteral("Unable to write to ") + data::settingsPath());
    }
    QCOMPARE(dm.inside().ibdAE.databaseName(), dbs.enterprisePath());
    QCOMPARE(dm.inside().dbMain.databaseName(), dbs.pricePath());
    QCOMPARE(rec.fileRequests.size(), 1);
    QVERIFY(!dm.inside().ibdAE.connected());
    QVERIFY(!dm.inside().dbMain.connected());
    // The reconnect ticks connect both later.
    QVERIFY(dm.connectEnterprise());
    QVERIFY(dm.connectPrice());
    QVERIFY(dm.inside().taCurrency.isOpen());
}

void TestConnections::startupConnectFailuresAndRetries()
{
    TestDatabases dbs;
    DialogRecorder rec;
    const QString ae = dbs.path(QStringLiteral("broken-ae.gdb"));
    const QString price = dbs.path(QStringLiteral("broken-price.gdb"));
    writeFile(ae, "not a database");
    writeFile(price, "not a database either");
    dbs.writeSettings(ae, price);

    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts())); // the start goes on
    QCOMPARE(rec.texts(BoxKind::Plain), (QStringList{data::kAeOpenFailed, data::kPriceOpenFailed}));
    QVERIFY(data::kAeOpenFailed.contains(QLatin1Char('\r')));
    QVERIFY(!dm.inside().ibdAE.connected());
    QVERIFY(!dm.inside().dbMain.connected());

    // A tick while the file is still bad fails with the client library's
    // text, and the next one tries again.
    for (int tick = 0; tick < 2; ++tick) {
        try {
            dm.connectEnterprise();
            QFAIL("connected to a broken file");
        } catch (const fb::Error& e) {
            QVERIFY2(!e.text().isEmpty() && e.text() != data::kAeOpenFailed, qPrintable(e.text()));
        }
    }
    QVERIFY_THROWS_EXCEPTION(fb::Error, dm.connectPrice());

    dbs.disconnectAll();
    QFile::remove(ae);
    QFile::remove(price);
    QVERIFY(QFile::copy(dbs.enterprisePath(), ae));
    QVERIFY(QFile::copy(dbs.pricePath(), price));
    QVERIFY(dm.connectEnterprise());
    QVERIFY(dm.connectPrice());
    QVERIFY(dm.inside().taCurrency.isOpen());
    QVERIFY(dm.connectEnterprise()); // connected: nothing more happens
}

void TestConnections::aliasRecordsStoredAndReadBack()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        for (fb::Database* db : {&dm.inside().ibdAE, &dm.inside().dbMain}) {
            auto r = platform::readAlias(db->alias());
            QVERIFY2(r, qPrintable(db->alias()));
            QCOMPARE(r->databaseName, db->databaseName());
            QCOMPARE(r->userName, QStringLiteral("SYSDBA"));
            QCOMPARE(r->lcCtype, QStringLiteral("WIN1251"));
            QCOMPARE(r->sqlRoleName, QString());
            QCOMPARE(r->sqlDialect, QStringLiteral("1"));
        }
        QCOMPARE(dm.inside().ibdAE.alias(), QStringLiteral("AE"));
        QVERIFY(dm.inside().dbMain.alias() != dm.inside().ibdAE.alias());
    }
    QFile store(platform::aliasStorePath());
    QVERIFY(store.open(QIODevice::ReadOnly));
    QVERIFY(!store.readAll().contains("kavuntelo")); // the password is never stored

    // A user name stored by an earlier run is used; the database name comes
    // from the settings file all the same.
    platform::storeAlias(QStringLiteral("AE"), {QStringLiteral("/elsewhere/AENTER.GDB"), QStringLiteral("CLERK"),
                                                QStringLiteral("WIN1251"), QString(), QStringLiteral("1")});
    data::TdmMain dm;
    QCOMPARE(dm.inside().ibdAE.databaseName(), QStringLiteral("/elsewhere/AENTER.GDB"));
    QCOMPARE(dm.inside().ibdAE.params().userName, QStringLiteral("CLERK"));
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    QCOMPARE(dm.inside().ibdAE.databaseName(), dbs.enterprisePath());
    QCOMPARE(scalar(dm.inside().ibdAE, QStringLiteral("select current_user as V from rdb$database")), QStringLiteral("CLERK"));
    QCOMPARE(platform::readAlias(QStringLiteral("AE"))->databaseName, dbs.enterprisePath());
}

void TestConnections::connectionParametersReachTheServer()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    const QString charset = QStringLiteral(
        "select trim(c.rdb$character_set_name) as V from mon$attachments a "
        "join rdb$character_sets c on c.rdb$character_set_id = a.mon$character_set_id "
        "where a.mon$attachment_id = current_connection");
    for (fb::Database* db : {&dm.inside().ibdAE, &dm.inside().dbMain}) {
        QCOMPARE(scalar(*db, charset), QStringLiteral("WIN1251"));
        QCOMPARE(scalar(*db, QStringLiteral("select current_user as V from rdb$database")), QStringLiteral("SYSDBA"));
        // In dialect 1 double quotes make a string, not a name.
        QCOMPARE(scalar(*db, QStringLiteral("select \"one\" as V from rdb$database")), QStringLiteral("one"));
    }
}

void TestConnections::enterpriseTransactionIsReadOnly()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    const QString params = QStringLiteral(
        "select mon$read_only || ' ' || mon$isolation_mode || ' ' || mon$lock_timeout as V "
        "from mon$transactions where mon$transaction_id = current_transaction");
    // read only / read committed with record versions / no wait
    QCOMPARE(scalar(dm.inside().ibdAE, params), QStringLiteral("1 2 0"));
    QCOMPARE(scalar(dm.inside().dbMain, params), QStringLiteral("0 2 0"));
    try {
        dm.inside().ibdAE.executeImmediate(QStringLiteral("insert into PART (ID, NAME) values (999, 'x')"));
        QFAIL("the enterprise database took a write");
    } catch (const fb::Error& e) {
        QVERIFY2(e.hasCode(335544361), qPrintable(e.text())); // read-only transaction
    }

    // Closing ends the transaction.
    const QString id = scalar(dm.inside().ibdAE, QStringLiteral("select current_transaction as V from rdb$database"));
    dm.inside().ibdAE.disconnect();
    QVERIFY(!dm.inside().ibtAE.active());
    const auto left = dbs.column(Db::Enterprise,
                                 QStringLiteral("select count(*) from mon$transactions where mon$transaction_id = ") + id);
    QCOMPARE(left.size(), size_t(1));
    QCOMPARE(fb::Field(&left[0], nullptr, 0).asInteger(), 0);
}

void TestConnections::priceTransactionCommittedOnClose()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    const QString count = QStringLiteral("select count(*) from CURRENCY where CUNAME = 'ZZZ'");
    auto rows = [&] { return fb::Field(&dbs.column(Db::Price, count).at(0), nullptr, 0).asInteger(); };
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        dm.inside().dbMain.executeImmediate(QStringLiteral("insert into CURRENCY (CUNAME, CURATE) values ('ZZZ', 2)"));
        QCOMPARE(rows(), 0); // not committed yet
        dm.refreshConnections();
        QCOMPARE(rows(), 1);
        dm.inside().dbMain.executeImmediate(QStringLiteral("insert into CURRENCY (CUNAME, CURATE) values ('ZZZ', 3)"));
    }
    // The data module's end commits too.
    QCOMPARE(rows(), 2);

    // A connection given up as lost never commits: what it held uncommitted
    // is gone with it.
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        dm.inside().dbMain.executeImmediate(QStringLiteral("insert into CURRENCY (CUNAME, CURATE) values ('ZZZ', 4)"));
        dm.inside().dbMain.markLost();
        try {
            dm.inside().dbMain.disconnect();
        } catch (const fb::Error&) {
            // A cut connection may refuse its detach; it is closed all the same.
        }
        QVERIFY(!dm.inside().dbMain.connected());
    }
    QCOMPARE(rows(), 2);
}

void TestConnections::refreshReopensBoth()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.addPart({.manufactureCode = QStringLiteral("OC90"), .name = QStringLiteral("Фильтр масляный")});
    dbs.writeSettings();
    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    dm.inside().ibqGetPartID.setParam(QStringLiteral("Num"), QStringLiteral("%OC90%"));
    dm.inside().ibqGetPartID.open();
    QCOMPARE(dm.inside().ibqGetPartID.recordCount(), 1);
    QVERIFY(dm.inside().ibtAE.active());

    dm.refreshConnections();
    QVERIFY(!dm.inside().ibqGetPartID.isOpen()); // the search list goes empty
    QVERIFY(!dm.inside().ibtAE.active());
    QVERIFY(dm.inside().ibdAE.connected());
    QVERIFY(dm.inside().dbMain.connected());
    QVERIFY(dm.inside().taCurrency.isOpen());
    dm.inside().ibqGetPartID.setParam(QStringLiteral("Num"), QStringLiteral("%OC90%"));
    dm.inside().ibqGetPartID.open();
    QCOMPARE(dm.inside().ibqGetPartID.field(QStringLiteral("NAME")).asString(), QStringLiteral("Фильтр масляный"));
}

void TestConnections::refreshStopsAtFailingStep()
{
    TestDatabases dbs;
    DialogRecorder rec;
    dbs.writeSettings();
    data::TdmMain dm;
    QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
    dbs.disconnectAll();
    const QString moved = dbs.path(QStringLiteral("moved.gdb"));
    QVERIFY(QFile::rename(dbs.enterprisePath(), moved));

    QVERIFY_THROWS_EXCEPTION(fb::Error, dm.refreshConnections());
    QVERIFY(!dm.inside().ibdAE.connected());
    QVERIFY(!dm.inside().dbMain.connected()); // the steps after the failure did not run

    // Both are to come back: the next statement on each connects it, with
    // no refresh in between.
    QVERIFY(dm.inside().ibdAE.lost() && dm.inside().dbMain.lost());
    QVERIFY(QFile::rename(moved, dbs.enterprisePath()));
    QCOMPARE(dm.partsLike(QStringLiteral("%")).size(), size_t(0));
    dm.fetchEuroRate();
    QVERIFY(dm.inside().ibdAE.connected() && dm.inside().dbMain.connected());
    dm.refreshConnections();
    QVERIFY(dm.inside().ibdAE.connected());
    QVERIFY(dm.inside().dbMain.connected());
    QVERIFY(dm.inside().taCurrency.isOpen());
}

QTEST_MAIN(TestConnections)
#include "tst_connections.moc"
