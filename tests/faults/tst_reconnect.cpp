// The whole program against a real Firebird server that dies, stops or ends
// the program's attachments: the next command after the server is back just
// works, with no error box and no "Обновить данные"; while it is down every
// command reports once; nothing committed is lost and nothing stored twice.
// A server that stops answering (its process stopped, as a hung server, a
// switched-off machine or a pulled cable look from the desk) is reported
// within seconds while the window keeps answering; one that is merely slow
// is waited for.

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "windows/MovesModel.h"
#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/Answering.h"
#include "tests/support/ModalGuard.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/Program.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmMoves.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <signal.h>
#include <thread>

using data::CurrencyTable;
using lookup::TfmMain;
using platform::BoxKind;
using platform::DialogRecorder;
using testsupport::Answering;
using testsupport::PrivateServer;

namespace {

// The movements window opened by the command, with how many rows it showed.
int movementsShown(const std::function<void()>& command)
{
    int rows = -1;
    testsupport::OnModal take([&rows](QWidget* modal) {
        auto* w = qobject_cast<windows::TfmMoves*>(modal);
        if (w) {
            rows = w->dsMovements->rowCount();
            w->close();
        }
        return w != nullptr;
    });
    testsupport::ModalGuard guard;
    command();
    return rows;
}

} // namespace

class TestReconnect : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void theLookupAfterARestartJustWorks();
    void downForGoodEachCommandReportsOnceAndThePriceDatabaseGoesOn();
    void theOrderBuildMeetsADyingServer();
    void movementsAndOrderCommandsAfterARestart();
    void aCurrencyPostMeetsADeadServer();
    void aCommitWithoutAnswerIsNotStoredTwice();

    void aSilentServerIsReportedWhileTheWindowAnswers();
    void theOrderAndTheCurrenciesMeetASilentServer();
    void theStartMeetsASilentServer();
    void aServerLostWhileIdleComesBackByItself();
    void aSlowCommitIsNotCut();
    void aReconnectRefusedForAnotherReasonSaysSo();

private:
    void startProgram(bool priceOnServer = true);
    std::unique_ptr<order::TfmOrder> openOrderWindow();
    // The order window with the order of every warehouse built by name.
    std::unique_ptr<order::TfmOrder> builtOrderWindow();
    void search(const QString& text);
    bool lookupShowsTheFilter(DialogRecorder& rec);
    void restart(bool hard);
    // A connection of the test's own to the price database on the server.
    std::unique_ptr<fb::Database> priceConnection();
    QStringList storedCurrencies();
    int currencyRow(const QString& name) const;
    // A currency change posted as the currency window posts it, inside the
    // default error handler.
    void post();
    // The server's process stopped or let go on: the desk sees a server that
    // does not answer.
    void silence(bool on);
    // Makes the commit of a row named SLOW take `seconds` while SLOWLY holds a row.
    void slowCommitsFor(int seconds);

    PrivateServer server_;
    std::unique_ptr<testdb::TestDatabases> dbs_;
    std::unique_ptr<app::Program> p_;
    data::TdmMain* dm_ = nullptr;
    TfmMain* w_ = nullptr;
    qint32 filter_ = 0;
    QList<qint32> belowMinimum_;
};

void TestReconnect::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    PRIVATE_SERVER_REQUIRED();
}

void TestReconnect::init()
{
    dbs_ = std::make_unique<testdb::TestDatabases>();
    // The filter, and three parts below their minimum for the order build.
    const testdb::CounterShop shop = testdb::fillCounterShop(*dbs_);
    filter_ = shop.filter;
    belowMinimum_ = shop.belowMinimum;
    dbs_->addWarehouse({QStringLiteral("A"), QStringLiteral("Склад А")});
    // The files go to the server: this process lets go of them.
    dbs_->disconnectAll();
    data::markup() = {1.0f, 1.0f, 1.0f};
    PRIVATE_SERVER_START(server_);
}

void TestReconnect::cleanup()
{
    if (!server_.running())
        server_.start();
    p_.reset();
    dm_ = nullptr;
    w_ = nullptr;
    server_.stop();
    dbs_.reset();
}

// The start sequence of the program; the price database on the server too,
// or as a local file through the embedded engine.
void TestReconnect::startProgram(bool priceOnServer)
{
    dbs_->writeSettings(server_.databaseName(dbs_->enterprisePath()),
                        priceOnServer ? server_.databaseName(dbs_->pricePath()) : dbs_->pricePath());
    DialogRecorder rec;
    p_ = testsupport::startProgram();
    QVERIFY(p_);
    dm_ = p_->dm.get();
    w_ = p_->main.get();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QVERIFY(dm_->inside().ibdAE.connected() && dm_->inside().dbMain.connected());
}

std::unique_ptr<order::TfmOrder> TestReconnect::openOrderWindow()
{
    auto order = std::make_unique<order::TfmOrder>(*dm_, w_);
    order->searchNumber = [this](const QString& n) { return w_->searchNumber(n); };
    order->show();
    return order;
}

std::unique_ptr<order::TfmOrder> TestReconnect::builtOrderWindow()
{
    auto order = openOrderWindow();
    order->setSkladChoice(std::nullopt);
    order->cbSort->setCurrentIndex(0);
    order->cbSortChange();
    return order;
}

void TestReconnect::search(const QString& text)
{
    testsupport::search(*w_, text);
}

// A lookup of the filter by its OE number shows its stock and prices with no box.
bool TestReconnect::lookupShowsTheFilter(DialogRecorder& rec)
{
    rec.clear();
    search(QStringLiteral("OE-1"));
    if (!rec.boxes.isEmpty())
        qWarning("%s", qPrintable(rec.texts().join(QLatin1Char('\n'))));
    return rec.boxes.isEmpty() && w_->stOst->text() == QStringLiteral("5,00") &&
           w_->edRozn->text() == QStringLiteral("19,5") && w_->edNumber->text() == QStringLiteral("W712/75");
}

void TestReconnect::restart(bool hard)
{
    if (hard)
        server_.kill();
    else
        server_.stop();
    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
}

void TestReconnect::silence(bool on)
{
    ::kill(pid_t(server_.pid()), on ? SIGSTOP : SIGCONT);
}

std::unique_ptr<fb::Database> TestReconnect::priceConnection()
{
    auto db = std::make_unique<fb::Database>(QStringLiteral("TEST"), fb::CloseAction::Commit, fb::Access::ReadWrite);
    db->setDatabaseName(server_.databaseName(dbs_->pricePath()));
    db->params().password = QStringLiteral("kavuntelo");
    db->connect();
    return db;
}

// Every row of the currency table as the database holds it, in name order.
QStringList TestReconnect::storedCurrencies()
{
    auto db = priceConnection();
    fb::Query q(*db, QStringLiteral("rows"), {QStringLiteral("select CUNAME, CURATE from CURRENCY order by CUNAME")},
                {fb::ColumnDef{QStringLiteral("CUNAME"), fb::ColumnType::Text, 10, {}, {}, false, true},
                 fb::ColumnDef{QStringLiteral("CURATE"), fb::ColumnType::Double, 0, {}, {}, false, true}});
    q.open();
    QStringList out;
    for (int r = 0; r < q.recordCount(); ++r)
        out << QStringLiteral("%1=%2").arg(q.fieldAt(r, 0).asString()).arg(q.fieldAt(r, 1).asDouble());
    return out;
}

int TestReconnect::currencyRow(const QString& name) const
{
    const CurrencyTable& t = dm_->inside().taCurrency;
    for (int r = 0; r < t.rowCount(); ++r) {
        const fb::Value v = t.value(r, CurrencyTable::kName);
        if (const auto* s = std::get_if<QString>(&v); s && *s == name)
            return r;
    }
    return -1;
}

void TestReconnect::post()
{
    platform::guarded([this] { dm_->postCurrency(); });
}

// Killed or stopped and started again between two lookups: the second one
// shows its stock and prices with no error box. (The refresh that meets a
// restart first is tested with the other server losses.)
void TestReconnect::theLookupAfterARestartJustWorks()
{
    startProgram();
    DialogRecorder rec;
    QVERIFY(lookupShowsTheFilter(rec));
    for (bool hard : {true, false}) {
        restart(hard);
        QVERIFY(lookupShowsTheFilter(rec));
    }
}

// The enterprise database on a server that stays down, the price database a
// local file: each command reports once, the price database's commands go
// on as before, and once the server is back the next lookup works.
void TestReconnect::downForGoodEachCommandReportsOnceAndThePriceDatabaseGoesOn()
{
    startProgram(false);
    DialogRecorder rec;
    QVERIFY(lookupShowsTheFilter(rec));
    server_.kill();
    for (int i = 0; i < 3; ++i) {
        rec.clear();
        search(QStringLiteral("OE-1"));
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY2(PrivateServer::saysServerIsGone(rec.boxes.first().text), qPrintable(rec.boxes.first().text));
        QVERIFY(w_->stOst->text().isEmpty());
    }

    rec.clear();
    w_->Timer3.start();
    w_->Timer3Timer();
    QCOMPARE(dm_->inside().EuroRate, 98.5);
    dm_->inside().taCurrency.edit(currencyRow(QStringLiteral("EUR")));
    dm_->inside().taCurrency.setValue(CurrencyTable::kRate, fb::Value{99.0});
    post();
    QCOMPARE(dm_->inside().taCurrency.state(), CurrencyTable::State::Browse);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    QVERIFY(lookupShowsTheFilter(rec));
}

// Killed in the middle of the build: one report, and the order stays exactly
// as it was, an edit not yet stored included. Killed and started again since
// the last command: the build reconnects and ends with every row.
void TestReconnect::theOrderBuildMeetsADyingServer()
{
    startProgram();
    DialogRecorder rec;
    auto order = builtOrderWindow();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(order->mtOrder.count(), 3);
    QAbstractItemModel* m = order->dgOrder->model();
    const int toOrder = int(order::OrderField::ToOrder);
    QVERIFY(m->setData(m->index(1, toOrder), QStringLiteral("4")));
    const QString total = order->footerText(0, int(order::OrderField::SumCost));

    // Stopped first, so the build is surely waiting for it when it dies.
    ::kill(pid_t(server_.pid()), SIGSTOP);
    QTimer::singleShot(300, [this] { server_.kill(); });
    order->cbSort->setCurrentIndex(1);
    order->cbSortChange();
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    QVERIFY2(PrivateServer::saysServerIsGone(rec.boxes.first().text), qPrintable(rec.boxes.first().text));
    QCOMPARE(order->mtOrder.count(), 3);
    QCOMPARE(order->dsOrder->editRow(), 1);
    QCOMPARE(m->index(1, toOrder).data().toString(), QStringLiteral("4,00"));
    QCOMPARE(order->footerText(0, int(order::OrderField::SumCost)), total);
    QVERIFY(order->bbClose->isEnabled());

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    rec.clear();
    restart(true);
    order->cbSortChange();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(order->mtOrder.count(), 3);
    QList<qint32> ids;
    for (const order::OrderLine& l : order->mtOrder.rows())
        ids << *l.id;
    QCOMPARE(ids, belowMinimum_);
    QCOMPARE(order->mtOrder.rows()[1].toOrder, 8.0);
}

// After a restart, with nothing in between: the movements window of the main
// window, and every command of the order window that reads the database.
void TestReconnect::movementsAndOrderCommandsAfterARestart()
{
    startProgram();
    DialogRecorder rec;
    QVERIFY(lookupShowsTheFilter(rec));
    restart(true);
    QCOMPARE(movementsShown([this] { w_->sbMovesClick(); }), 3);
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));

    restart(true);
    auto order = openOrderWindow();
    QCOMPARE(order->dlcSkald->count(), 1);
    order->setSkladChoice(std::nullopt);
    order->cbSort->setCurrentIndex(2);
    restart(false);
    order->cbSortChange();
    QCOMPARE(order->mtOrder.count(), 3);
    order->dgOrder->setCurrentIndex(order->dsOrder->index(0, 0));
    restart(true);
    QCOMPARE(movementsShown([&] { order->sgOrderDblClick(); }), 1);
    restart(false);
    order->dgOrder->setCurrentIndex(order->dsOrder->index(0, int(order::OrderField::MANUFACTURECODE)));
    w_->pcTabs->setCurrentWidget(w_->tsFindNum);
    order->N1Click();
    QCOMPARE(w_->edNumber->text(), QStringLiteral("K-1"));
    QCOMPARE(w_->stOst->text(), QStringLiteral("1,00"));
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
}

// A post that meets a dead server is reported and not sent again by itself;
// the row stays in editing with what was typed. While the server is down each
// post reports once; the first post after it is back stores the row once.
void TestReconnect::aCurrencyPostMeetsADeadServer()
{
    startProgram();
    DialogRecorder rec;
    CurrencyTable& t = dm_->inside().taCurrency;
    t.edit(currencyRow(QStringLiteral("EUR")));
    t.setValue(CurrencyTable::kRate, fb::Value{77.0});
    restart(true);
    post();
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    QCOMPARE(t.state(), CurrencyTable::State::Edit);
    QCOMPARE(std::get<double>(t.value(t.editRow(), CurrencyTable::kRate)), 77.0);
    QCOMPARE(storedCurrencies(), QStringList{QStringLiteral("EUR=98.5")});
    rec.clear();
    post();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(t.state(), CurrencyTable::State::Browse);
    QCOMPARE(storedCurrencies(), QStringList{QStringLiteral("EUR=77")});

    t.insert(t.rowCount());
    t.setValue(CurrencyTable::kName, QStringLiteral("USD"));
    t.setValue(CurrencyTable::kRate, fb::Value{90.0});
    server_.kill();
    for (int i = 0; i < 2; ++i) {
        rec.clear();
        post();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY2(PrivateServer::saysServerIsGone(rec.boxes.first().text), qPrintable(rec.boxes.first().text));
        QCOMPARE(t.state(), CurrencyTable::State::Insert);
    }
    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    rec.clear();
    post();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(storedCurrencies(), (QStringList{QStringLiteral("EUR=77"), QStringLiteral("USD=90")}));
    QCOMPARE(t.rowCount(), 2);
}

// The server dies while it commits a posted row, so the program cannot know
// whether the row was stored. The next post stores it when it was not, and
// does not store it again when it was (here another connection stores the
// very same row, as the commit would have).
void TestReconnect::slowCommitsFor(int seconds)
{
    // An attachment reads the database's triggers when it starts, so they
    // stay active throughout.
    auto db = priceConnection();
    db->executeImmediate(QStringLiteral("create table SLOWLY (ON_ integer)"));
    db->transaction().commit();
    db->executeImmediate(QStringLiteral(
        "create trigger MARK_SLOW for CURRENCY after insert or update as begin "
        "if (new.CUNAME = 'SLOW' or new.CUNAME is null) then rdb$set_context('USER_TRANSACTION', 'SLOW', '1'); end"));
    db->executeImmediate(QStringLiteral(
        "create trigger SLOW_COMMIT on transaction commit as declare t date; begin "
        "if (rdb$get_context('USER_TRANSACTION', 'SLOW') = '1' and exists (select 1 from SLOWLY)) then begin "
        "t = cast('NOW' as date); while (cast('NOW' as date) - t < %1.0 / 86400) do t = t; end end")
                             .arg(seconds));
    db->transaction().commit();
}

void TestReconnect::aCommitWithoutAnswerIsNotStoredTwice()
{
    // While SLOWLY holds a row, a commit of a transaction that wrote a row
    // named SLOW takes seconds.
    slowCommitsFor(10);
    startProgram();
    DialogRecorder rec;
    CurrencyTable& t = dm_->inside().taCurrency;
    auto slowCommits = [this](bool on) {
        auto db = priceConnection();
        db->executeImmediate(on ? QStringLiteral("insert into SLOWLY values (1)") : QStringLiteral("delete from SLOWLY"));
        db->transaction().commit();
    };
    // The same for a row without a name, which is stored as NULL.
    struct Case {
        QString name;
        double rate;
        bool storedByTheCommit;
    };
    for (const Case& c : {Case{QStringLiteral("SLOW"), 1, false}, Case{QStringLiteral("SLOW"), 2, true},
                          Case{QLatin1String(""), 4, true}}) {
        slowCommits(true);
        t.insert(t.rowCount());
        t.setValue(CurrencyTable::kName, c.name);
        t.setValue(CurrencyTable::kRate, fb::Value{c.rate});
        const qint64 pid = server_.pid();
        std::thread killer([pid] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            ::kill(pid_t(pid), SIGKILL);
        });
        rec.clear();
        post();
        killer.join();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY2(PrivateServer::saysServerIsGone(rec.boxes.first().text), qPrintable(rec.boxes.first().text));
        QCOMPARE(t.state(), CurrencyTable::State::Insert);
        restart(true);
        slowCommits(false);
        if (c.storedByTheCommit)
            priceConnection()->executeImmediate(
                c.name.isEmpty() ? QStringLiteral("insert into CURRENCY values (null, %1)").arg(c.rate)
                                 : QStringLiteral("insert into CURRENCY values ('%1', %2)").arg(c.name).arg(c.rate));
        rec.clear();
        post();
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
        QCOMPARE(t.state(), CurrencyTable::State::Browse);
    }
    QCOMPARE(storedCurrencies(), (QStringList{QStringLiteral("=4"), QStringLiteral("EUR=98.5"), QStringLiteral("SLOW=1"),
                                              QStringLiteral("SLOW=2")}));
}

namespace {

bool saysDoesNotAnswer(const QString& text, const QString& whose)
{
    return text.startsWith(QStringLiteral("Сервер ") + whose) && text.contains(QStringLiteral("не отвечает")) &&
           text.contains(QStringLiteral("подключится к ней сама")) && text.contains(QLatin1Char('\n'));
}

constexpr qint64 kReportedWithin = 10000; // ms

} // namespace

// A lookup sent to a server that stops answering: one box within the bound,
// naming the database and saying the server does not answer, while the
// window goes on repainting; once the server answers again the next lookup
// simply works.
void TestReconnect::aSilentServerIsReportedWhileTheWindowAnswers()
{
    startProgram();
    DialogRecorder rec;
    QVERIFY(lookupShowsTheFilter(rec));
    silence(true);
    rec.clear();
    {
        Answering answering(w_);
        search(QStringLiteral("OE-1"));
        VERIFY_ANSWERED_WITHIN(answering, kReportedWithin);
    }
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    QVERIFY2(saysDoesNotAnswer(rec.boxes.first().text, QStringLiteral("базы Автопредприятия")),
             qPrintable(rec.boxes.first().text));
    QVERIFY(rec.boxes.first().text.contains(server_.databaseName(dbs_->enterprisePath())));
    QVERIFY(w_->UpdateTimer.isActive());
    silence(false);
    QVERIFY(lookupShowsTheFilter(rec));
}

// The order build and a currency post against a server that does not
// answer: each reports once within the bound, the order stays as it was and
// the row stays in editing; the post goes through once the server answers.
void TestReconnect::theOrderAndTheCurrenciesMeetASilentServer()
{
    startProgram();
    DialogRecorder rec;
    auto order = builtOrderWindow();
    QCOMPARE(order->mtOrder.count(), 3);
    CurrencyTable& t = dm_->inside().taCurrency;
    t.edit(currencyRow(QStringLiteral("EUR")));
    t.setValue(CurrencyTable::kRate, fb::Value{55.0});

    silence(true);
    rec.clear();
    {
        Answering answering(order.get());
        order->cbSort->setCurrentIndex(1);
        order->cbSortChange();
        VERIFY_ANSWERED_WITHIN(answering, kReportedWithin);
    }
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    QVERIFY2(saysDoesNotAnswer(rec.boxes.first().text, QStringLiteral("базы Автопредприятия")),
             qPrintable(rec.boxes.first().text));
    QCOMPARE(order->mtOrder.count(), 3);
    QVERIFY(order->bbClose->isEnabled());

    rec.clear();
    {
        Answering answering(w_);
        post();
        VERIFY_ANSWERED_WITHIN(answering, kReportedWithin);
    }
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    QVERIFY2(saysDoesNotAnswer(rec.boxes.first().text, QStringLiteral("базы прайс-листа")),
             qPrintable(rec.boxes.first().text));
    QCOMPARE(t.state(), CurrencyTable::State::Edit);

    silence(false);
    rec.clear();
    post();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(storedCurrencies(), QStringList{QStringLiteral("EUR=55")});
}

// The start with both databases on a server that does not answer: each
// attach gives up within the bound and its start-up message comes, while the
// program's event loop goes on; the reconnect timers connect both once the
// server answers.
void TestReconnect::theStartMeetsASilentServer()
{
    dbs_->writeSettings(server_.databaseName(dbs_->enterprisePath()), server_.databaseName(dbs_->pricePath()));
    struct Timed : platform::Prompts {
        QElapsedTimer clock;
        QList<std::pair<QString, qint64>> said;
        void message(const QString& text) override { said.append({text, clock.restart()}); }
        void error(const QString& text) override { said.append({text, clock.restart()}); }
        std::optional<QString> openFileName(const platform::FileDialogSpec&) override { return std::nullopt; }
    } prompts;
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(50);
    silence(true);
    // The data module's own start, its messages timed.
    auto dm = std::make_unique<data::TdmMain>();
    prompts.clock.start();
    QVERIFY(dm->DataModuleCreate(prompts));
    QCOMPARE(prompts.said.size(), 2);
    QCOMPARE(prompts.said[0].first, data::kAeOpenFailed);
    QCOMPARE(prompts.said[1].first, data::kPriceOpenFailed);
    for (const auto& [text, ms] : prompts.said)
        QVERIFY2(ms < kReportedWithin, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    silence(false);

    DialogRecorder rec;
    auto w = std::make_unique<TfmMain>(*dm);
    w->Timer1Timer();
    w->Timer2Timer();
    QVERIFY(dm->inside().ibdAE.connected() && dm->inside().dbMain.connected());
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    w.reset();
}

// The server goes away while the desk sits idle on an empty number field;
// three minute ticks find it down (at most one box on screen, whatever the
// ticks); once it is back the first lookup typed works with no box and
// nothing done by hand, and the minute's refresh itself connects again.
void TestReconnect::aServerLostWhileIdleComesBackByItself()
{
    startProgram();
    {
        DialogRecorder rec;
        QVERIFY(lookupShowsTheFilter(rec));
    }
    w_->edNumber->clear();
    w_->pcTabs->setCurrentWidget(w_->tsFindNum);
    server_.kill();

    // Real boxes, so that the ticks that come while one is open meet it; the
    // box is answered after three more ticks.
    int mostOnScreen = 0;
    QStringList said;
    QElapsedTimer openFor;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        int open = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (!box || !box->isVisible())
                continue;
            ++open;
            if (!said.contains(box->text())) {
                said << box->text();
                openFor.start();
            }
            if (openFor.isValid() && openFor.elapsed() > 350)
                box->done(QMessageBox::Ok);
        }
        mostOnScreen = std::max(mostOnScreen, open);
    });
    look.start(10);
    w_->UpdateTimer.setInterval(100);
    w_->UpdateTimer.start();
    QTest::qWait(450);
    w_->UpdateTimer.stop();
    QTest::qWait(400); // a box a later tick opened is answered too
    look.stop();
    QCOMPARE(mostOnScreen, 1);
    QCOMPARE(said.size(), 1);
    QVERIFY2(PrivateServer::saysServerIsGone(said.first()), qPrintable(said.first()));

    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    DialogRecorder rec;
    QVERIFY(lookupShowsTheFilter(rec));

    // Down again, up again: this time the minute's refresh connects first.
    w_->edNumber->clear();
    w_->pcTabs->setCurrentWidget(w_->tsFindNum);
    restart(true);
    w_->UpdateTimer.setInterval(50);
    w_->UpdateTimer.start();
    QTest::qWait(300);
    w_->UpdateTimer.stop();
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QVERIFY(dm_->inside().ibdAE.connected() && !dm_->inside().ibdAE.lost());
    QVERIFY(lookupShowsTheFilter(rec));
}

// A commit that takes seconds on a server that answers is waited for to its
// end: the probes get through, nothing is cut, the row is stored once.
void TestReconnect::aSlowCommitIsNotCut()
{
    slowCommitsFor(5);
    startProgram();
    {
        auto db = priceConnection();
        db->executeImmediate(QStringLiteral("insert into SLOWLY values (1)"));
        db->transaction().commit();
    }
    DialogRecorder rec;
    CurrencyTable& t = dm_->inside().taCurrency;
    t.insert(t.rowCount());
    t.setValue(CurrencyTable::kName, QStringLiteral("SLOW"));
    t.setValue(CurrencyTable::kRate, fb::Value{3.0});
    QElapsedTimer clock;
    clock.start();
    post();
    QVERIFY2(clock.elapsed() >= 4000, qPrintable(QString::number(clock.elapsed()))); // it was slow indeed
    QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('\n'))));
    QCOMPARE(t.state(), CurrencyTable::State::Browse);
    QCOMPARE(storedCurrencies(), (QStringList{QStringLiteral("EUR=98.5"), QStringLiteral("SLOW=3")}));
}

// The server comes back without the database file: the lookup that finds
// the connection lost reports why the reconnect was refused, not the read
// error that led to it; with the file back the next lookup works.
void TestReconnect::aReconnectRefusedForAnotherReasonSaysSo()
{
    startProgram();
    DialogRecorder rec;
    QVERIFY(lookupShowsTheFilter(rec));
    server_.kill();
    const QString file = dbs_->enterprisePath();
    QVERIFY(QFile::rename(file, file + QStringLiteral(".away")));
    QString error;
    QVERIFY2(server_.start(&error), qPrintable(error));
    rec.clear();
    search(QStringLiteral("OE-1"));
    QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
    const QString text = rec.boxes.first().text;
    QVERIFY2(text.startsWith(QStringLiteral("Файл базы данных не найден")) && text.contains(QStringLiteral("I/O error")) &&
                 !PrivateServer::saysServerIsGone(text),
             qPrintable(text));
    QVERIFY(QFile::rename(file + QStringLiteral(".away"), file));
    QVERIFY(lookupShowsTheFilter(rec));
}

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
