// The whole program against a real Firebird server on loopback that stops
// and starts again: the main window reports what the client library says,
// stays usable, and its own timers bring both connections back; nothing
// committed to the price database is lost on the way.

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/Program.h"
#include "tests/support/TestDatabases.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <memory>

using lookup::TfmMain;
using platform::BoxKind;
using platform::DialogRecorder;

namespace {

bool isEur(const fb::Value& name)
{
    const auto* s = std::get_if<QString>(&name);
    return s && *s == QStringLiteral("EUR");
}

// The EUR rate as the currency table shows it; -1 when there is none.
double eurRate(data::TdmMain& dm)
{
    auto& t = dm.inside().taCurrency;
    for (int r = 0; r < t.rowCount(); ++r) {
        if (!isEur(t.value(r, data::CurrencyTable::kName)))
            continue;
        const fb::Value rate = t.value(r, data::CurrencyTable::kRate);
        const auto* d = std::get_if<double>(&rate);
        return d ? *d : -1;
    }
    return -1;
}

} // namespace

class TestServerLoss : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startWithoutServerThenTheReconnectTimersConnect();
    void serverStopsMidDayAndTheRefreshBringsItBack();
    void serverKilledHardLosesNothingCommitted();

private:
    void search(const QString& text);
    TfmMain* startProgram();
    void postEuroRate(double rate);

    testsupport::PrivateServer server_;
    std::unique_ptr<testdb::TestDatabases> dbs_;
    std::unique_ptr<app::Program> p_;
    data::TdmMain* dm_ = nullptr;
    TfmMain* w_ = nullptr;
};

void TestServerLoss::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    PRIVATE_SERVER_REQUIRED();
}

void TestServerLoss::cleanupTestCase()
{
    server_.kill();
}

void TestServerLoss::init()
{
    dbs_ = std::make_unique<testdb::TestDatabases>();
    const qint32 filter = dbs_->addPart({.manufactureCode = QStringLiteral("W712/75"),
                                         .number = QStringLiteral("OE-1"),
                                         .name = QStringLiteral("Фильтр масляный"),
                                         .priceR = 19.5});
    dbs_->addLine(testdb::income(filter, 5, 10, QDateTime(QDate(2026, 3, 1), QTime(10, 0))));
    dbs_->addCurrency({QStringLiteral("EUR"), 98.5});
    // The files go to the server: this process lets go of them.
    dbs_->disconnectAll();
    data::markup() = {1.0f, 1.0f, 1.0f};
    PRIVATE_SERVER_START(server_);
    dbs_->writeSettings(server_.databaseName(dbs_->enterprisePath()), server_.databaseName(dbs_->pricePath()));
}

void TestServerLoss::cleanup()
{
    QString error;
    if (!server_.running())
        server_.start(&error);
    p_.reset();
    w_ = nullptr;
    dm_ = nullptr;
    server_.stop();
    dbs_.reset();
}

// The program as it starts, its reconnect timers running.
TfmMain* TestServerLoss::startProgram()
{
    p_ = app::start();
    if (!p_)
        return nullptr;
    dm_ = p_->dm.get();
    // The EUR fetch has tests of its own; here it would only add boxes.
    p_->main->Timer3.stop();
    p_->main->show();
    return p_->main.get();
}

void TestServerLoss::search(const QString& text)
{
    testsupport::search(*w_, text);
}

// A currency change as the currency window posts it: stored and committed.
void TestServerLoss::postEuroRate(double rate)
{
    auto& t = dm_->inside().taCurrency;
    for (int r = 0; r < t.rowCount(); ++r) {
        if (!isEur(t.value(r, data::CurrencyTable::kName)))
            continue;
        t.edit(r);
        t.setValue(data::CurrencyTable::kRate, fb::Value{rate});
        dm_->postCurrency();
        return;
    }
    QFAIL("no EUR row");
}

void TestServerLoss::startWithoutServerThenTheReconnectTimersConnect()
{
    server_.stop();
    DialogRecorder rec;
    w_ = startProgram();
    QVERIFY(w_);
    // Both start-up messages, and the start went on.
    QCOMPARE(rec.texts(BoxKind::Plain), (QStringList{data::kAeOpenFailed, data::kPriceOpenFailed}));
    QVERIFY(!dm_->inside().ibdAE.connected());
    QVERIFY(!dm_->inside().dbMain.connected());

    // Every second each reconnect timer tries and reports the client's error.
    QTRY_VERIFY_WITH_TIMEOUT(rec.texts(BoxKind::Error).size() >= 4, 10000);
    for (const QString& text : rec.texts(BoxKind::Error))
        QVERIFY2(testsupport::PrivateServer::saysServerIsGone(text), qPrintable(text));
    QVERIFY(w_->Timer1.isActive());
    QVERIFY(w_->Timer2.isActive());

    // A search meanwhile is reported too, and the window goes on.
    rec.clear();
    search(QStringLiteral("W712"));
    QVERIFY(!rec.texts(BoxKind::Error).isEmpty());
    QVERIFY(w_->UpdateTimer.isActive());
    QVERIFY(w_->bbSearch->isEnabled());

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(dm_->inside().ibdAE.connected() && dm_->inside().dbMain.connected(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!w_->Timer1.isActive() && !w_->Timer2.isActive(), 5000);
    QVERIFY(dm_->inside().taCurrency.isOpen());
    QCOMPARE(eurRate(*dm_), 98.5);

    rec.clear();
    search(QStringLiteral("W712"));
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(w_->edRozn->text(), QStringLiteral("19,5"));
    QCOMPARE(w_->stOst->text(), QStringLiteral("5,00"));
}

void TestServerLoss::serverStopsMidDayAndTheRefreshBringsItBack()
{
    DialogRecorder rec;
    w_ = startProgram();
    QVERIFY(w_);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QTRY_VERIFY_WITH_TIMEOUT(!w_->Timer1.isActive() && !w_->Timer2.isActive(), 5000);
    search(QStringLiteral("W712"));
    QCOMPARE(w_->stOst->text(), QStringLiteral("5,00"));
    postEuroRate(101.25);

    server_.stop();

    // The search reports the client library's error and the window goes on.
    rec.clear();
    search(QStringLiteral("W712"));
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    QVERIFY2(testsupport::PrivateServer::saysServerIsGone(rec.texts(BoxKind::Error).first()), qPrintable(rec.texts(BoxKind::Error).first()));
    QVERIFY(w_->stOst->text().isEmpty());
    QVERIFY(w_->UpdateTimer.isActive());
    rec.clear();
    search(QStringLiteral("OE-1"));
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);

    // The refresh runs on its own timer with the field empty on the search
    // page; while the server is down every tick is reported and retried.
    w_->edNumber->clear();
    w_->pcTabs->setCurrentWidget(w_->tsFindNum);
    w_->UpdateTimer.setInterval(300);
    w_->UpdateTimer.start();
    rec.clear();
    QTRY_VERIFY_WITH_TIMEOUT(rec.texts(BoxKind::Error).size() >= 3, 10000);
    for (const QString& text : rec.texts(BoxKind::Error))
        QVERIFY(!text.isEmpty());

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(dm_->inside().ibdAE.connected() && dm_->inside().dbMain.connected() && dm_->inside().taCurrency.isOpen(), 15000);
    // Once both are back the ticks go quiet.
    rec.clear();
    QTest::qWait(1000);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    w_->UpdateTimer.setInterval(60000);

    // The change posted before the stop is there.
    QCOMPARE(eurRate(*dm_), 101.25);
    search(QStringLiteral("W712"));
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(w_->stOst->text(), QStringLiteral("5,00"));
    QCOMPARE(w_->edRozn->text(), QStringLiteral("19,5"));
}

// The server dies without a word (SIGKILL): nothing committed is lost, and
// the menu command brings the program back once the server is up again,
// without reporting the connections it had to drop.
void TestServerLoss::serverKilledHardLosesNothingCommitted()
{
    DialogRecorder rec;
    w_ = startProgram();
    QVERIFY(w_);
    QTRY_VERIFY_WITH_TIMEOUT(!w_->Timer1.isActive() && !w_->Timer2.isActive(), 5000);
    postEuroRate(87.5);
    server_.kill();

    rec.clear();
    search(QStringLiteral("W712"));
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    w_->edNumber->clear();
    w_->pcTabs->setCurrentWidget(w_->tsFindNum);
    // The command closes the dead connections without a word and connects
    // both again.
    rec.clear();
    w_->miDataBaseUpdate->trigger();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QVERIFY(dm_->inside().ibdAE.connected());
    QVERIFY(dm_->inside().dbMain.connected());
    QCOMPARE(eurRate(*dm_), 87.5);
    rec.clear();
    search(QStringLiteral("W712"));
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(w_->stOst->text(), QStringLiteral("5,00"));
}

QTEST_MAIN(TestServerLoss)
#include "tst_serverloss.moc"
