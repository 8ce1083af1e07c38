// Databases that are not what the program relies on: a file that is no
// Firebird database, a database that lacks a table, column or procedure, a
// database in a folder that is not there. Each is reported when the program
// starts or at the first query that needs it; the window stays usable, the
// other database goes on working, and once the database is put right the
// next action works.

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "data/TdmMain.h"
#include "windows/TfmCurrency.h"
#include "db/Schema.h"
#include "lookup/TfmMain.h"
#include "order/TfmOrder.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/FileFaults.h"
#include "tests/support/ModalGuard.h"
#include "tests/support/Program.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmMoves.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <memory>

using testsupport::ModalGuard;
using platform::BoxKind;
using platform::DialogRecorder;
using testdb::Db;
using testdb::TestDatabases;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 30, 5));
const QDateTime kDay1(QDate(2026, 3, 1), QTime(10, 0));
const QDateTime kDay2(QDate(2026, 4, 1), QTime(10, 0));

// The rows every case starts from, table by table, so a table made again
// can get its own rows back. OC90 has 1.5 on hand against a minimum of 5,
// OC91 nothing against 3: both are ordered.
void seed(TestDatabases& t, const QStringList& tables)
{
    if (tables.contains(QStringLiteral("PART"))) {
        t.addPart({1, "OC90", "OE-90", "Фильтр Knecht", "", 12.0, 11.0, 10.0, 9.0, 5.0, {}});
        t.addPart({2, "OC91", "", "Свеча зажигания", "", 5.0, 4.0, 3.0, 2.0, 3.0, {}});
    }
    if (tables.contains(QStringLiteral("DOCHEADER"))) {
        t.addDocument({1, 101, 1, kDay1, {}});
        t.addDocument({2, 102, -1, kDay2, {}});
    }
    if (tables.contains(QStringLiteral("DOCPARTS"))) {
        testdb::Line in = testdb::income(1, 2, 7.5, kDay1, QStringLiteral("A"));
        in.id = 1;
        in.doc = 1;
        t.addLine(in);
        testdb::Line out = testdb::output(1, 0.5, 9, kDay2, QStringLiteral("A"));
        out.id = 2;
        out.doc = 2;
        t.addLine(out);
    }
    if (tables.contains(QStringLiteral("STRUCTURESKLAD")))
        t.addWarehouse({QStringLiteral("A"), QStringLiteral("Склад А"), 1});
    if (tables.contains(QStringLiteral("CURRENCY")))
        t.addCurrency({QStringLiteral("EUR"), 41.5});
}

const QStringList kAllTables{"PART", "DOCHEADER", "DOCPARTS", "STRUCTURESKLAD", "CURRENCY"};

// The statements of the schema that make one table and its indexes.
QStringList createStatements(const QString& script, const QString& table)
{
    const QRegularExpression own(QStringLiteral("^CREATE\\s+(TABLE\\s+%1\\b|INDEX\\s+\\w+\\s+ON\\s+%1\\b)").arg(table),
                                 QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const QString& s : db::splitScript(script))
        if (own.match(s.trimmed()).hasMatch())
            out << s;
    return out;
}

const QString kEuroProcedure = QStringLiteral(
    "CREATE OR ALTER PROCEDURE GET_EURO_RATE RETURNS (RATE DOUBLE PRECISION) AS BEGIN RATE = NULL; "
    "SELECT FIRST 1 CURATE FROM CURRENCY WHERE CUNAME = 'EUR' INTO :RATE; END");
// The same answer without the table, so the table can go.
const QString kEuroWithoutTable = QStringLiteral(
    "CREATE OR ALTER PROCEDURE GET_EURO_RATE RETURNS (RATE DOUBLE PRECISION) AS BEGIN RATE = 41.5; END");


// The program as it starts (app::start), its timers held: the tests tick
// them themselves.
struct Program {
    std::unique_ptr<app::Program> started_ = testsupport::startProgram();
    bool started = started_ != nullptr; // false: a file dialog was cancelled, the program ends
    data::TdmMain* dm = started ? started_->dm.get() : nullptr;
    lookup::TfmMain* main = started ? started_->main.get() : nullptr;
    order::TfmOrder* order = started ? started_->order : nullptr;

    void search(const QString& text) { testsupport::search(*main, text); }

    // "Обновить данные" as the menu gives it: empty field, search page.
    void refresh()
    {
        main->edNumber->clear();
        main->pcTabs->setCurrentWidget(main->tsFindNum);
        main->miDataBaseUpdate->trigger();
    }

    // The movements window of the current part: its row count, or -1 when
    // it did not open.
    int moves()
    {
        int rows = -1;
        testsupport::OnModal take([&](QWidget* modal) {
            auto* w = qobject_cast<windows::TfmMoves*>(modal);
            if (w) {
                rows = w->DBGridEh1->model()->rowCount();
                w->reject();
            }
            return w != nullptr;
        });
        ModalGuard guard;
        main->sbMovesClick();
        return rows;
    }

    // The order window opened from the menu, its list built; the number of
    // rows, the warehouse choices offered.
    std::pair<int, int> orderBuilt()
    {
        std::pair<int, int> seen{-1, -1};
        testsupport::OnModal take([&](QWidget* modal) {
            if (modal != order)
                return false;
            order->setSkladChoice(std::nullopt);
            order->cbSort->setCurrentIndex(0);
            order->cbSortChange();
            seen = {order->mtOrder.count(), order->dlcSkald->count()};
            order->bbCloseClick();
            return true;
        });
        ModalGuard guard;
        main->miFullOrder->trigger();
        return seen;
    }

    // Rows the currency window shows; -1 when it did not open.
    int currencyRows()
    {
        int rows = -1;
        testsupport::OnModal take([&](QWidget* modal) {
            auto* w = qobject_cast<windows::TfmCurrency*>(modal);
            if (w) {
                rows = w->dgCurrency->model()->rowCount();
                w->reject();
            }
            return w != nullptr;
        });
        ModalGuard guard;
        main->miCurrencies->trigger();
        return rows;
    }

    QByteArray history() const
    {
        return faults::fileBytes(platform::exeDir() + QStringLiteral("SearchedNum.log")).value_or(QByteArray());
    }
};

QString joined(const DialogRecorder& rec)
{
    QStringList out;
    for (const platform::BoxEvent& b : rec.boxes)
        out << QString(b.text).replace(QLatin1Char('\r'), QStringLiteral(" | "));
    return out.join(QStringLiteral(" || "));
}

} // namespace

class TestBadDatabases : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabases> t;

    // The working look of the lookup side: the search finds OC90 with its
    // stock and price and records it.
    void expectSearchWorks(Program& p, DialogRecorder& rec)
    {
        const qsizetype lines = p.history().count('\n');
        p.search(QStringLiteral("OC90"));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        QCOMPARE(p.main->stOst->text(), QStringLiteral("1,50"));
        QCOMPARE(p.main->edRozn->text(), QStringLiteral("12"));
        QCOMPARE(p.history().count('\n'), lines + 1);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setClockForTests([] { return kNow; });
    }

    void init()
    {
        t = std::make_unique<TestDatabases>();
        seed(*t, kAllTables);
        t->writeSettings();
        t->disconnectAll(); // the files may be replaced
    }

    void cleanup() { t.reset(); }

    // ---- a file that is no database -------------------------------------------

    void notADatabase_data()
    {
        QTest::addColumn<Db>("which");
        QTest::addColumn<QString>("content");
        for (Db which : {Db::Enterprise, Db::Price}) {
            const char* name = which == Db::Enterprise ? "enterprise" : "price";
            QTest::addRow("%s: random bytes", name) << which << "random";
            QTest::addRow("%s: empty file", name) << which << "empty";
            QTest::addRow("%s: database cut short", name) << which << "cut";
        }
    }

    // Reported at start with the path message; the timer's retries give the
    // client library's own text; the other database serves on; a good file
    // in its place is connected by the next tick.
    void notADatabase()
    {
        QFETCH(Db, which);
        QFETCH(QString, content);
        const bool enterprise = which == Db::Enterprise;
        const QString good = enterprise ? t->enterprisePath() : t->pricePath();
        const QString bad = t->path(enterprise ? QStringLiteral("broken/AENTER.GDB") : QStringLiteral("broken/ORVADO.GDB"));
        QVERIFY(QDir().mkpath(QFileInfo(bad).path()));
        QByteArray bytes;
        if (content == QLatin1String("random")) {
            bytes.resize(64 * 1024);
            QRandomGenerator rng(20261209);
            for (char& c : bytes)
                c = char(rng.bounded(256));
        } else if (content == QLatin1String("cut")) {
            bytes = faults::fileBytes(good).value_or(QByteArray()).left(24 * 1024);
            QCOMPARE(bytes.size(), 24 * 1024);
        }
        faults::writeBytes(bad, bytes);
        platform::IniFile(data::settingsPath())
            .writeString(data::kSectionPaths, enterprise ? QStringLiteral("AEDir") : QStringLiteral("VaderIzar"), bad);

        DialogRecorder rec;
        Program p;
        QVERIFY(p.started);
        qInfo("start: %s", qPrintable(joined(rec)));
        QCOMPARE(rec.texts(), QStringList{enterprise ? data::kAeOpenFailed : data::kPriceOpenFailed});
        QCOMPARE(rec.boxes[0].kind, BoxKind::Plain);
        fb::Database& broken = enterprise ? p.dm->inside().ibdAE : p.dm->inside().dbMain;
        fb::Database& other = enterprise ? p.dm->inside().dbMain : p.dm->inside().ibdAE;
        QVERIFY(!broken.connected());
        QVERIFY(other.connected());
        rec.clear();

        QTimer& timer = enterprise ? p.main->Timer1 : p.main->Timer2;
        auto tick = [&] { enterprise ? p.main->Timer1Timer() : p.main->Timer2Timer(); };
        timer.start();
        tick();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        const QString clientText = rec.texts(BoxKind::Error)[0];
        qInfo("tick: %s", qPrintable(clientText));
        QVERIFY(clientText != data::kAeOpenFailed && clientText != data::kPriceOpenFailed);
        QVERIFY2(clientText.contains(QFileInfo(bad).fileName()) || clientText.contains(QStringLiteral("database")),
                 qPrintable(clientText));
        QVERIFY(timer.isActive());
        rec.clear();

        if (enterprise) {
            p.search(QStringLiteral("OC90"));
            QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
            QVERIFY(p.history().isEmpty());
            QVERIFY(p.main->UpdateTimer.isActive());
            rec.clear();
            QCOMPARE(p.orderBuilt().first, 0);
            QCOMPARE(rec.texts(BoxKind::Error).size(), 2); // the warehouse list, the build
            rec.clear();
            // The price database serves on.
            p.main->Timer3.start();
            p.main->Timer3Timer();
            QCOMPARE(p.dm->inside().EuroRate, 41.5);
            QCOMPARE(p.currencyRows(), 1);
        } else {
            expectSearchWorks(p, rec);
            QCOMPARE(p.orderBuilt(), std::make_pair(2, 1));
            p.main->Timer3.start();
            p.main->Timer3Timer();
            QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
            QCOMPARE(p.dm->inside().EuroRate, 0.0);
            QVERIFY(p.main->Timer3.isActive()); // tried again later
            QCOMPARE(p.currencyRows(), 0);
        }
        QVERIFY2(rec.texts(BoxKind::Plain).isEmpty(), qPrintable(joined(rec)));
        rec.clear();

        // A good file in its place: the next tick connects and stops.
        t->disconnectAll();
        QVERIFY(QFile::remove(bad));
        QVERIFY(QFile::copy(good, bad));
        tick();
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        QVERIFY(broken.connected());
        QVERIFY(!timer.isActive());
        expectSearchWorks(p, rec);
        QCOMPARE(p.orderBuilt(), std::make_pair(2, 1));
        p.main->Timer3.start();
        p.main->Timer3Timer();
        QCOMPARE(p.dm->inside().EuroRate, 41.5);
        QCOMPARE(p.currencyRows(), 1);
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
    }

    // ---- the enterprise database lacks what the program reads ----------------

    void enterpriseLacks_data()
    {
        QTest::addColumn<QStringList>("breakSql");
        QTest::addColumn<QStringList>("repairSql");
        QTest::addColumn<QStringList>("reseed");   // tables whose rows come back with the repair
        QTest::addColumn<QString>("named");        // what every report names
        QTest::addColumn<QString>("failing");      // search, moves, order, warehouses
        const QString script = db::enterpriseScript();
        auto remake = [&](const QString& table) { return createStatements(script, table); };
        QTest::newRow("PART table")
            << QStringList{"DROP TABLE PART"} << remake("PART") << QStringList{"PART"} << "PART" << "search order";
        QTest::newRow("DOCPARTS table")
            << QStringList{"DROP TABLE DOCPARTS"} << remake("DOCPARTS") << QStringList{"DOCPARTS"} << "DOCPARTS"
            << "search order";
        QTest::newRow("DOCHEADER table")
            << QStringList{"DROP TABLE DOCHEADER"} << remake("DOCHEADER") << QStringList{"DOCHEADER"} << "DOCHEADER"
            << "moves";
        QTest::newRow("STRUCTURESKLAD table")
            << QStringList{"DROP TABLE STRUCTURESKLAD"} << remake("STRUCTURESKLAD") << QStringList{"STRUCTURESKLAD"}
            << "STRUCTURESKLAD" << "warehouses";
        QTest::newRow("PART.PRICER column")
            << QStringList{"ALTER TABLE PART DROP PRICER"}
            << QStringList{"ALTER TABLE PART ADD PRICER DOUBLE PRECISION", "UPDATE PART SET PRICER = 12 WHERE ID = 1",
                           "UPDATE PART SET PRICER = 5 WHERE ID = 2"}
            << QStringList{} << "PRICER" << "search order";
        QTest::newRow("DOCPARTS.COUNTS column")
            << QStringList{"ALTER TABLE DOCPARTS DROP COUNTS"}
            << QStringList{"ALTER TABLE DOCPARTS ADD COUNTS NUMERIC(15,3)", "UPDATE DOCPARTS SET COUNTS = 2 WHERE ID = 1",
                           "UPDATE DOCPARTS SET COUNTS = 0.5 WHERE ID = 2"}
            << QStringList{} << "COUNTS" << "search order";
    }

    // The start says nothing (the database opens); each command that needs
    // what is missing reports it by name and stops, the others work, the
    // price database serves on; repaired, "Обновить данные" brings it all back.
    void enterpriseLacks()
    {
        QFETCH(QStringList, breakSql);
        QFETCH(QStringList, repairSql);
        QFETCH(QStringList, reseed);
        QFETCH(QString, named);
        QFETCH(QString, failing);
        for (const QString& sql : breakSql)
            t->exec(Db::Enterprise, sql);
        t->disconnectAll();

        DialogRecorder rec;
        Program p;
        QVERIFY(p.started);
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        QVERIFY(p.dm->inside().ibdAE.connected() && p.dm->inside().dbMain.connected());

        auto reported = [&](const char* what) {
            const QStringList errors = rec.texts(BoxKind::Error);
            QVERIFY2(errors.size() == 1 && rec.boxes.size() == 1, qPrintable(QStringLiteral("%1: %2").arg(what, joined(rec))));
            QVERIFY2(errors[0].contains(named, Qt::CaseInsensitive), qPrintable(errors[0]));
            qInfo("%s: %s", what, qPrintable(QString(errors[0]).replace(QLatin1Char('\n'), QStringLiteral(" / "))));
            rec.clear();
        };

        if (failing.contains(QLatin1String("search"))) {
            p.search(QStringLiteral("OC90"));
            reported("search");
            QVERIFY(p.history().isEmpty()); // the search stopped before its record
            QVERIFY(p.main->UpdateTimer.isActive());
            QVERIFY(p.main->edNumber->isEnabled());
        } else {
            expectSearchWorks(p, rec);
        }
        if (failing.contains(QLatin1String("moves"))) {
            QCOMPARE(p.moves(), -1);
            reported("movements");
        } else if (!p.main->stOst->text().isEmpty()) {
            QCOMPARE(p.moves(), 2);
            QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        }
        const auto [orderRows, warehouses] = p.orderBuilt();
        if (failing.contains(QLatin1String("warehouses"))) {
            reported("order window");
            QCOMPARE(warehouses, 0);
        }
        if (failing.contains(QLatin1String("order"))) {
            reported("order build");
            QCOMPARE(orderRows, 0);
        } else {
            QCOMPARE(orderRows, 2);
        }
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        QVERIFY(!p.order->isVisible() && !p.order->isBusy());

        // The price database serves on.
        p.main->Timer3.start();
        p.main->Timer3Timer();
        QCOMPARE(p.dm->inside().EuroRate, 41.5);
        QCOMPARE(p.currencyRows(), 1);
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));

        // Put right while the program lets go of the database, as its own
        // refresh does; the next refresh opens it again.
        p.dm->inside().ibdAE.disconnect();
        for (const QString& sql : repairSql)
            t->exec(Db::Enterprise, sql);
        seed(*t, reseed);
        t->disconnectAll();
        p.refresh();
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        expectSearchWorks(p, rec);
        QCOMPARE(p.moves(), 2);
        QCOMPARE(p.orderBuilt(), std::make_pair(2, 1));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
    }

    // ---- the price database lacks what the program reads ---------------------

    void priceLacks_data()
    {
        QTest::addColumn<QStringList>("breakSql");
        QTest::addColumn<QStringList>("repairSql");
        QTest::addColumn<QString>("named");
        QTest::addColumn<bool>("tableFails");
        const QStringList table = createStatements(db::priceScript(), QStringLiteral("CURRENCY"));
        QTest::newRow("CURRENCY table")
            << QStringList{kEuroWithoutTable, "DROP TABLE CURRENCY"}
            << (table + QStringList{kEuroProcedure, "INSERT INTO CURRENCY (CUNAME, CURATE) VALUES ('EUR', 41.5)"})
            << "CURRENCY" << true;
        QTest::newRow("CURRENCY.CURATE column")
            << QStringList{kEuroWithoutTable, "ALTER TABLE CURRENCY DROP CURATE"}
            << QStringList{"ALTER TABLE CURRENCY ADD CURATE DOUBLE PRECISION", "UPDATE CURRENCY SET CURATE = 41.5",
                           kEuroProcedure}
            << "CURATE" << true;
        QTest::newRow("GET_EURO_RATE procedure")
            << QStringList{"DROP PROCEDURE GET_EURO_RATE"} << QStringList{kEuroProcedure} << "GET_EURO_RATE" << false;
    }

    // A currency table that cannot be opened is reported at start by what
    // is wrong with it, not as a wrong path; a missing EUR procedure at the
    // fetch, which keeps trying. The enterprise side is untouched, and the
    // refresh after the repair opens the table again.
    void priceLacks()
    {
        QFETCH(QStringList, breakSql);
        QFETCH(QStringList, repairSql);
        QFETCH(QString, named);
        QFETCH(bool, tableFails);
        for (const QString& sql : breakSql)
            t->exec(Db::Price, sql);
        t->disconnectAll();

        DialogRecorder rec;
        Program p;
        QVERIFY(p.started);
        qInfo("start: %s", qPrintable(joined(rec)));
        QVERIFY(p.dm->inside().dbMain.connected());
        if (tableFails) {
            QCOMPARE(rec.boxes.size(), 1);
            QCOMPARE(rec.boxes[0].kind, BoxKind::Error);
            QVERIFY2(rec.boxes[0].text.contains(named), qPrintable(rec.boxes[0].text));
            QVERIFY(!p.dm->inside().taCurrency.isOpen());
        } else {
            QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
            QVERIFY(p.dm->inside().taCurrency.isOpen());
        }
        rec.clear();

        // The connect worked: the reconnect tick has nothing to do.
        p.main->Timer2.start();
        p.main->Timer2Timer();
        QVERIFY(!p.main->Timer2.isActive());
        p.main->Timer3.start();
        p.main->Timer3Timer();
        if (tableFails) {
            QCOMPARE(p.dm->inside().EuroRate, 41.5); // the procedure does without the table
            QCOMPARE(p.currencyRows(), 0);
            p.dm->inside().EuroRate = 0;
        } else {
            QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
            QVERIFY2(rec.texts(BoxKind::Error)[0].contains(named), qPrintable(rec.texts(BoxKind::Error)[0]));
            QVERIFY(p.main->Timer3.isActive());
            QCOMPARE(p.dm->inside().EuroRate, 0.0);
            QCOMPARE(p.currencyRows(), 1);
            rec.clear();
        }
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        expectSearchWorks(p, rec);
        QCOMPARE(p.orderBuilt(), std::make_pair(2, 1));

        p.dm->inside().dbMain.disconnect();
        for (const QString& sql : repairSql)
            t->exec(Db::Price, sql);
        t->disconnectAll();
        p.refresh();
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
        QVERIFY(p.dm->inside().taCurrency.isOpen());
        QCOMPARE(p.currencyRows(), 1);
        p.main->Timer3.start();
        p.main->Timer3Timer();
        QCOMPARE(p.dm->inside().EuroRate, 41.5);
        QVERIFY(!p.main->Timer3.isActive());
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
    }

    // ---- a folder that is not there ------------------------------------------

    // The price database named in a folder that is gone: the dialog asks,
    // the user keeps the name; the start says the base did not open, the
    // ticks give the client's text and go on trying; the lookup side works;
    // once the folder and file are back, the tick connects, the currency
    // table opens and the EUR rate comes.
    void priceFolderMissing()
    {
        const QString gone = t->path(QStringLiteral("server share/prices/ORVADO.GDB"));
        platform::IniFile(data::settingsPath()).writeString(data::kSectionPaths, QStringLiteral("VaderIzar"), gone);

        DialogRecorder rec;
        rec.fileAnswers.push_back(gone);
        Program p;
        QVERIFY(p.started);
        QCOMPARE(rec.fileRequests.size(), 1);
        QCOMPARE(rec.texts(), QStringList{data::kPriceOpenFailed});
        QVERIFY(p.dm->inside().ibdAE.connected());
        QVERIFY(!p.dm->inside().dbMain.connected());
        rec.clear();

        p.main->Timer2.start();
        p.main->Timer2Timer();
        p.main->Timer2Timer();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 2);
        qInfo("tick: %s", qPrintable(rec.texts(BoxKind::Error)[0]));
        QVERIFY2(rec.texts(BoxKind::Error)[0].contains(gone), qPrintable(rec.texts(BoxKind::Error)[0]));
        QVERIFY(p.main->Timer2.isActive());
        p.main->Timer3.start();
        p.main->Timer3Timer();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 3);
        QVERIFY(p.main->Timer3.isActive());
        QCOMPARE(p.currencyRows(), 0);
        rec.clear();
        expectSearchWorks(p, rec);

        QVERIFY(QDir().mkpath(QFileInfo(gone).path()));
        QVERIFY(QFile::copy(t->pricePath(), gone));
        p.main->Timer2Timer();
        QVERIFY(p.dm->inside().dbMain.connected());
        QVERIFY(!p.main->Timer2.isActive());
        QVERIFY(p.dm->inside().taCurrency.isOpen());
        p.main->Timer3Timer();
        QCOMPARE(p.dm->inside().EuroRate, 41.5);
        QVERIFY(!p.main->Timer3.isActive());
        QCOMPARE(p.currencyRows(), 1);
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(joined(rec)));
    }
};

QTEST_MAIN(TestBadDatabases)
#include "tst_baddatabases.moc"
