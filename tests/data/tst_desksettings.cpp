// Where a desk's files lie and who it logs in as: a program in a folder of its
// own keeps everything beside it, an installed one keeps each user's files in
// the user's folders and reads the shop-wide settings file for what the
// user's lacks, including the account of each database; the embedded
// engine's lock folder; and the read-only account the README recommends,
// tried on a real server: every read works, every write is refused.

#include "data/Settings.h"
#include "data/TdmMain.h"
#include "data/firebird/Error.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/EngineLock.h"
#include "platform/IniFile.h"
#include "platform/Places.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestDatabases.h"

#include <QtTest>

#include <sys/stat.h>

using platform::DialogRecorder;

namespace {

constexpr intptr_t kNoPermission = 335544352; // isc_no_priv

// An environment variable set for a while, and put back as it was.
class EnvVar {
public:
    EnvVar(const char* name, const QString& value) : name_(name), had_(qEnvironmentVariableIsSet(name))
    {
        old_ = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }
    ~EnvVar()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

void writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// The statements of one of the README's SQL scripts, comments dropped.
QStringList statementsOf(const QString& file, const QString& password)
{
    QFile f(QStringLiteral(ORVADO_SOURCE_DIR "/packaging/accounts/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
        if (!line.trimmed().startsWith(QLatin1String("--")))
            text += line + QLatin1Char('\n');
    text.replace(QStringLiteral("CHANGE-ME"), password);
    QStringList out;
    for (const QString& s : text.split(QLatin1Char(';'))) {
        const QString st = s.trimmed();
        if (!st.isEmpty() && st.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) != 0)
            out << st;
    }
    return out;
}

} // namespace

class TestDeskSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanup() { platform::setExePathForTests({}); }

    void placesFollowWhereTheProgramLies();
    void theEngineGetsALockFolderOfTheUsersOwn();
    void theShopWideFileFillsWhatTheUsersLacks();
    void theShopWideAccountIsUsedAndNoPasswordIsWritten();
    void theReadOnlyAccountReadsEverythingAndWritesNothing();

private:
    // The installed layout under t's folder: returns the shop-wide file's path.
    QString install(testdb::TestDatabases& t);
};

void TestDeskSettings::placesFollowWhereTheProgramLies()
{
    QTemporaryDir tmp;
    const QString d = tmp.path();
    const EnvVar config("XDG_CONFIG_HOME", d + QStringLiteral("/cfg"));
    const EnvVar data("XDG_DATA_HOME", d + QStringLiteral("/share"));

    // A folder of its own, even one called bin: everything beside the
    // executable, no shop-wide file.
    for (const QString& own : {QStringLiteral("/shop/Orvado"), QStringLiteral("/build/bin/Orvado")}) {
        platform::setExePathForTests(d + own);
        const platform::Places p = platform::places();
        const QString dir = QFileInfo(d + own).absolutePath();
        QVERIFY(!p.installed);
        QCOMPARE(p.settingsFile, dir + QStringLiteral("/Orvado.INI"));
        QCOMPARE(p.historyFile, dir + QStringLiteral("/SearchedNum.log"));
        QCOMPARE(p.priceDatabase, dir + QStringLiteral("/ORVADO.GDB"));
        QCOMPARE(p.guideFolder, dir + QStringLiteral("/guide"));
        QVERIFY(p.shopSettingsFile.isEmpty());
        QCOMPARE(data::settingsPath(), p.settingsFile);
        platform::makeUserFolders();
        QVERIFY(!QFileInfo::exists(d + QStringLiteral("/cfg/Orvado")));
    }

    // Installed: the user's folders and the desk's under the root it lies in.
    platform::setExePathForTests(d + QStringLiteral("/root/usr/bin/Orvado"));
    platform::Places p = platform::places();
    QVERIFY(p.installed);
    QCOMPARE(p.root, d + QStringLiteral("/root"));
    QCOMPARE(p.settingsFile, d + QStringLiteral("/cfg/Orvado/Orvado.INI"));
    QCOMPARE(p.historyFile, d + QStringLiteral("/share/Orvado/SearchedNum.log"));
    QCOMPARE(p.shopSettingsFile, d + QStringLiteral("/root/etc/orvado/Orvado.INI"));
    QCOMPARE(p.priceDatabase, d + QStringLiteral("/root/var/lib/orvado/ORVADO.GDB"));
    QCOMPARE(p.guideFolder, d + QStringLiteral("/root/usr/share/orvado/guide"));
    QCOMPARE(data::settingsPath(), p.settingsFile);
    platform::makeUserFolders();
    QVERIFY(QFileInfo(d + QStringLiteral("/cfg/Orvado")).isDir());
    QVERIFY(QFileInfo(d + QStringLiteral("/share/Orvado")).isDir());

    // A copy saved under another name keeps its own settings file.
    platform::setExePathForTests(d + QStringLiteral("/root/usr/bin/Shop"));
    QCOMPARE(platform::places().settingsFile, d + QStringLiteral("/cfg/Orvado/Shop.INI"));

    // The machine's own: the system folders; without XDG variables, the home's.
    const EnvVar noConfig("XDG_CONFIG_HOME", QString());
    const EnvVar noData("XDG_DATA_HOME", QString());
    const EnvVar home("HOME", d + QStringLiteral("/home"));
    platform::setExePathForTests(QStringLiteral("/usr/bin/Orvado"));
    p = platform::places();
    QVERIFY(p.installed);
    QCOMPARE(p.shopSettingsFile, QStringLiteral("/etc/orvado/Orvado.INI"));
    QCOMPARE(p.priceDatabase, QStringLiteral("/var/lib/orvado/ORVADO.GDB"));
    QCOMPARE(p.guideFolder, QStringLiteral("/usr/share/orvado/guide"));
    QCOMPARE(p.settingsFile, d + QStringLiteral("/home/.config/Orvado/Orvado.INI"));
    QCOMPARE(p.historyFile, d + QStringLiteral("/home/.local/share/Orvado/SearchedNum.log"));
}

void TestDeskSettings::theEngineGetsALockFolderOfTheUsersOwn()
{
    // The engine's mode, as a firebird.conf sets it: comments do not count,
    // a later line wins, the aliases read as their modes.
    QCOMPARE(platform::serverModeIn(""), QStringLiteral("Super"));
    QCOMPARE(platform::serverModeIn("#ServerMode = Classic\n"), QStringLiteral("Super"));
    QCOMPARE(platform::serverModeIn("ServerMode = SuperClassic # shared\n"), QStringLiteral("SuperClassic"));
    QCOMPARE(platform::serverModeIn("servermode=multiprocess\r\n"), QStringLiteral("Classic"));
    QCOMPARE(platform::serverModeIn("ServerMode = Classic\nServerMode = ThreadedDedicated\n"), QStringLiteral("Super"));

    QTemporaryDir tmp;
    const QString d = tmp.path();
    const QString run = d + QStringLiteral("/run");
    QVERIFY(QDir().mkpath(run));
    const EnvVar home("HOME", d + QStringLiteral("/home"));
    const EnvVar cache("XDG_CACHE_HOME", QString());
    const EnvVar runtime("XDG_RUNTIME_DIR", run);
    const EnvVar engineRoot("FIREBIRD", QString());

    {
        // Set already: left alone.
        const EnvVar lock("FIREBIRD_LOCK", d + QStringLiteral("/mine"));
        QVERIFY(platform::prepareEngineLock().isEmpty());
        QCOMPARE(qgetenv("FIREBIRD_LOCK"), QFile::encodeName(d + QStringLiteral("/mine")));
    }
    {
        // Under the runtime folder, private; one that others could enter is
        // closed again.
        const EnvVar lock("FIREBIRD_LOCK", QString());
        QVERIFY(QDir().mkpath(run + QStringLiteral("/orvado-firebird")));
        QVERIFY(::chmod(QFile::encodeName(run + QStringLiteral("/orvado-firebird")).constData(), 0777) == 0);
        QCOMPARE(platform::prepareEngineLock(), run + QStringLiteral("/orvado-firebird"));
        QCOMPARE(qgetenv("FIREBIRD_LOCK"), QFile::encodeName(run + QStringLiteral("/orvado-firebird")));
        QCOMPARE(modeOf(run + QStringLiteral("/orvado-firebird")), 0700);
        QCOMPARE(platform::engineLockFolder(), run + QStringLiteral("/orvado-firebird"));
    }
    {
        // A link put in its place (by someone who could write there) is not
        // followed: the folder in the home serves instead.
        const EnvVar lock("FIREBIRD_LOCK", QString());
        QVERIFY(QDir(run).removeRecursively() && QDir().mkpath(run));
        QVERIFY(QDir().mkpath(d + QStringLiteral("/elsewhere")));
        QVERIFY(QFile::link(d + QStringLiteral("/elsewhere"), run + QStringLiteral("/orvado-firebird")));
        QCOMPARE(platform::prepareEngineLock(), d + QStringLiteral("/home/.cache/Orvado/firebird-lock"));
        QCOMPARE(modeOf(d + QStringLiteral("/home/.cache/Orvado/firebird-lock")), 0700);
    }
    {
        // An engine configured to share files between processes coordinates
        // them through one lock folder only: none of the user's own then.
        const EnvVar lock("FIREBIRD_LOCK", QString());
        const EnvVar classic("FIREBIRD", d + QStringLiteral("/classic"));
        writeText(d + QStringLiteral("/classic/firebird.conf"), "ServerMode = Classic\n");
        QCOMPARE(platform::engineServerMode(), QStringLiteral("Classic"));
        QVERIFY(platform::prepareEngineLock().isEmpty());
        QVERIFY(!qEnvironmentVariableIsSet("FIREBIRD_LOCK"));
        QCOMPARE(platform::engineLockFolder(), QStringLiteral("/tmp/firebird"));
    }
}

QString TestDeskSettings::install(testdb::TestDatabases& t)
{
    platform::setExePathForTests(t.path(QStringLiteral("root/usr/bin/Orvado")));
    platform::makeUserFolders();
    return platform::places().shopSettingsFile;
}

void TestDeskSettings::theShopWideFileFillsWhatTheUsersLacks()
{
    testdb::TestDatabases t;
    const EnvVar data("XDG_DATA_HOME", t.path(QStringLiteral("share")));
    const QString shop = install(t);
    const QByteArray shopText = "[Paths]\r\nAEDir=" + QFile::encodeName(t.enterprisePath()) + "\r\nVaderIzar=" +
                                QFile::encodeName(t.pricePath()) +
                                "\r\n[Charges]\r\nOtherRate=1,35\r\nOptRate=1,2\r\nRoznRate=1,5\r\n";
    writeText(shop, shopText);
    const QString user = data::settingsPath();
    // The user's file names two markups, one of them empty: both are the
    // user's, the third comes from the shop.
    writeText(user, "[Charges]\r\nRoznRate=2\r\nOtherRate=\r\n");
    const QByteArray userText = readAll(user);

    DialogRecorder rec;
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        QVERIFY(rec.boxes.isEmpty());
        QVERIFY(rec.fileRequests.isEmpty());
        QCOMPARE(dm.inside().ibdAE.databaseName(), t.enterprisePath());
        QCOMPARE(dm.inside().dbMain.databaseName(), t.pricePath());
        QVERIFY(dm.inside().ibdAE.connected());
        QVERIFY(dm.inside().dbMain.connected());
        QCOMPARE(data::markup().rozn, 2.0f);
        QCOMPARE(data::markup().opt, 1.2f);
        QCOMPARE(data::markup().other, 1.0f);
    }
    QCOMPARE(readAll(user), userText);
    QCOMPARE(readAll(shop), shopText);

    // A path the user's file names wins, even a wrong one: the dialog asks,
    // and the pick is written to the user's file, never the shop's.
    platform::IniFile(user).writeString(data::kSectionPaths, QStringLiteral("AEDir"), t.path(QStringLiteral("gone.gdb")));
    rec.fileAnswers.push_back(t.enterprisePath());
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        QCOMPARE(rec.fileRequests.size(), 1);
        QVERIFY(dm.inside().ibdAE.connected());
    }
    QCOMPARE(platform::IniFile(user).readString(data::kSectionPaths, QStringLiteral("AEDir"), {}), t.enterprisePath());
    QCOMPARE(readAll(shop), shopText);
    // Nothing the shop's file said moved into the user's.
    QCOMPARE(platform::IniFile(user).readString(data::kSectionPaths, QStringLiteral("VaderIzar"), QStringLiteral("-")),
             QStringLiteral("-"));

    // Without either file naming the price database, the desk's is the default.
    writeText(shop, "");
    rec.clear();
    rec.fileAnswers.push_back(std::nullopt);
    {
        data::TdmMain dm;
        QVERIFY(!dm.DataModuleCreate(platform::desktopPrompts()));
        QCOMPARE(dm.inside().dbMain.databaseName(), t.path(QStringLiteral("root/var/lib/orvado/ORVADO.GDB")));
        QCOMPARE(rec.texts(), QStringList{QStringLiteral("База данных Tovrin Zevaveraz не найдена")});
    }
}

void TestDeskSettings::theShopWideAccountIsUsedAndNoPasswordIsWritten()
{
    testdb::TestDatabases t;
    const EnvVar data("XDG_DATA_HOME", t.path(QStringLiteral("share")));
    const QString shop = install(t);
    const QByteArray paths = "[Paths]\nAEDir=" + QFile::encodeName(t.enterprisePath()) + "\nVaderIzar=" +
                             QFile::encodeName(t.pricePath()) + "\n";
    DialogRecorder rec;

    // Without account keys: the program's fixed account.
    writeText(shop, paths);
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        for (fb::Database* db : {&dm.inside().ibdAE, &dm.inside().dbMain}) {
            QCOMPARE(db->params().userName, QStringLiteral("SYSDBA"));
            QCOMPARE(db->params().password, QStringLiteral("kavuntelo"));
            QVERIFY(db->params().role.isEmpty());
        }
    }

    // Each database's own. The embedded engine takes any password, but
    // grants still hold: the price database's currency table opens for SYSDBA
    // only here. What the connections store after the connect holds no
    // password.
    writeText(shop, paths + "[AEAccount]\nUser=ORVADO_DESK\nPassword=Secret-Of-Shop\nRole=READER\n"
                            "[PriceAccount]\nUser=SYSDBA\nPassword=Other-Secret\n");
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        QVERIFY(dm.inside().ibdAE.connected());
        QVERIFY(dm.inside().dbMain.connected());
        QCOMPARE(dm.inside().ibdAE.params().userName, QStringLiteral("ORVADO_DESK"));
        QCOMPARE(dm.inside().ibdAE.params().password, QStringLiteral("Secret-Of-Shop"));
        QCOMPARE(dm.inside().ibdAE.params().role, QStringLiteral("READER"));
        QCOMPARE(dm.inside().dbMain.params().userName, QStringLiteral("SYSDBA"));
        QCOMPARE(dm.inside().dbMain.params().password, QStringLiteral("Other-Secret"));
    }
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    const QString config = QFileInfo(data::settingsPath()).absolutePath();
    bool looked = false;
    QDirIterator it(config, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray bytes = readAll(it.next());
        looked = looked || bytes.contains("ORVADO_DESK");
        QVERIFY2(!bytes.contains("Secret") && !bytes.contains("kavuntelo"), qPrintable(it.filePath()));
    }
    QVERIFY2(looked, "the alias record names the account's user");
    // The user's own settings file may not name an account: only the
    // administrator's file, which the desk users cannot change.
    writeText(data::settingsPath(), "[AEAccount]\nUser=MALLORY\nPassword=x\n");
    writeText(shop, paths);
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        QVERIFY(dm.inside().ibdAE.params().userName != QStringLiteral("MALLORY"));
        QCOMPARE(dm.inside().ibdAE.params().password, QStringLiteral("kavuntelo"));
    }
}

void TestDeskSettings::theReadOnlyAccountReadsEverythingAndWritesNothing()
{
    testdb::TestDatabases t;
    const EnvVar data("XDG_DATA_HOME", t.path(QStringLiteral("share")));
    t.addWarehouse({QStringLiteral("A"), QStringLiteral("Основной склад")});
    const qint32 id = t.addPart({.manufactureCode = QStringLiteral("W712/75"), .number = QStringLiteral("1109AE"),
                                 .name = QStringLiteral("Фильтр масляный"), .priceR = 410.0, .minStock = 5.0});
    t.addPart({.manufactureCode = QStringLiteral("OC 90"), .number = QStringLiteral("1109AE"),
               .name = QStringLiteral("Фильтр масляный Knecht")});
    t.addLine(testdb::income(id, 3, 250.0, QDateTime(QDate(2026, 11, 2), QTime(10, 0))));
    t.addLine(testdb::output(id, 1, 410.0, QDateTime(QDate(2026, 11, 5), QTime(12, 0))));
    t.addCurrency({QStringLiteral("EUR"), 98.5});
    t.disconnectAll();

    testsupport::PrivateServer server;
    PRIVATE_SERVER_START(server);
    const QString ae = server.databaseName(t.enterprisePath());
    const QString price = server.databaseName(t.pricePath());
    const QString password = QStringLiteral("Desk-Pw-2026");

    // What the README has the administrator run, as SYSDBA.
    for (const auto& [name, script] : {std::pair{ae, QStringLiteral("enterprise-reader.sql")},
                                       std::pair{price, QStringLiteral("price-desk.sql")}}) {
        const QStringList statements = statementsOf(script, password);
        QVERIFY2(!statements.isEmpty(), qPrintable(script));
        fb::Database admin(QStringLiteral("admin"), fb::CloseAction::Commit, fb::Access::ReadWrite);
        admin.setDatabaseName(name);
        admin.params().password = QStringLiteral("kavuntelo");
        admin.connect();
        for (const QString& st : statements)
            admin.executeImmediate(st);
        admin.disconnect();
    }

    const QString shop = install(t);
    writeText(shop, "[Paths]\nAEDir=" + ae.toUtf8() + "\nVaderIzar=" + price.toUtf8() + "\n[AEAccount]\nUser=ORVADO_DESK\nPassword=" +
                        password.toUtf8() + "\n[PriceAccount]\nUser=ORVADO_DESK\nPassword=" + password.toUtf8() + "\n");
    DialogRecorder rec;
    {
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
        QVERIFY(dm.inside().ibdAE.connected() && dm.inside().dbMain.connected());
        QCOMPARE(dm.inside().ibdAE.params().userName, QStringLiteral("ORVADO_DESK"));

        // Every read the windows make.
        const auto parts = dm.partsLike(QStringLiteral("%W712%"));
        QCOMPARE(parts.size(), size_t(1));
        QCOMPARE(dm.crossNumbersOf(id, QStringLiteral("1109AE")).size(), size_t(2));
        QCOMPARE(dm.pricesOf(QStringLiteral("W712/75"))->rozn, std::optional<double>(410.0));
        QCOMPARE(*dm.lastPurchasePrice(id), std::optional<double>(250.0));
        QCOMPARE(*dm.partName(id), QStringLiteral("Фильтр масляный"));
        QCOMPARE(dm.GetOnStock(id), 2.0);
        QCOMPARE(dm.GetAvgCost(id), 250.0);
        QCOMPARE(dm.GetLastSklad(id), QStringLiteral("A"));
        QCOMPARE(dm.partsUnderReplenishment(0).size(), size_t(1));
        dm.inside().ibqMovements.close();
        dm.inside().ibqMovements.setParam(QStringLiteral("IDParam"), fb::Value{id});
        dm.inside().ibqMovements.open();
        QCOMPARE(dm.inside().ibqMovements.recordCount(), 2);
        dm.inside().ibqSkald.open();
        QCOMPARE(dm.inside().ibqSkald.recordCount(), 1);
        QCOMPARE(dm.fetchEuroRate(), 98.5);
        // The currency window stores a new rate.
        QVERIFY(dm.inside().taCurrency.isOpen());
        const int rows = dm.inside().taCurrency.rowCount();
        dm.inside().taCurrency.insert(rows);
        dm.inside().taCurrency.setValue(data::CurrencyTable::kName, fb::Value{QStringLiteral("USD")});
        dm.inside().taCurrency.setValue(data::CurrencyTable::kRate, fb::Value{92.0});
        dm.inside().taCurrency.post();
        QCOMPARE(dm.inside().taCurrency.rowCount(), rows + 1);
    }

    // A write through the same account, in a transaction that may write, is
    // refused by the server.
    const auto refused = [&](const QString& name, const QString& sql) {
        fb::Database desk(QStringLiteral("desk"), fb::CloseAction::Rollback, fb::Access::ReadWrite);
        desk.setDatabaseName(name);
        desk.params().userName = QStringLiteral("ORVADO_DESK");
        desk.params().password = password;
        desk.connect();
        try {
            desk.executeImmediate(sql);
        } catch (const fb::Error& e) {
            return e.hasCode(kNoPermission);
        }
        return false;
    };
    QVERIFY(refused(ae, QStringLiteral("UPDATE PART SET PRICER = 1")));
    QVERIFY(refused(ae, QStringLiteral("DELETE FROM DOCPARTS")));
    QVERIFY(refused(ae, QStringLiteral("INSERT INTO STRUCTURESKLAD (ID, GROUPNAME, NAME) VALUES (99, 'Z', 'Z')")));
    QVERIFY(refused(price, QStringLiteral("DELETE FROM CURRENCY")));
    server.stop();
}

QTEST_MAIN(TestDeskSettings)
#include "tst_desksettings.moc"
