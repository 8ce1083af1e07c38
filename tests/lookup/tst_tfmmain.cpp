// The main window driven as a salesperson drives it, on real databases.

#include "data/Settings.h"
#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "lookup/TfmSearchLog.h"
#include "lookup/UpDown.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"
#include "tests/support/MainWindow.h"
#include "tests/support/BusyLine.h"
#include "tests/support/ModalGuard.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmCrossList.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using testsupport::ModalGuard;
using lookup::TfmMain;
using platform::BoxKind;
using platform::DialogRecorder;
using testdb::Part;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 30, 5));

QByteArray historyBytes(testdb::TestDatabases& t)
{
    QFile f(t.path(QStringLiteral("SearchedNum.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QTableView* visibleGrid(TfmMain& w)
{
    return w.dgCross->isVisibleTo(w.tsFindNum) ? w.dgCross : w.dgSearchParts;
}


} // namespace

class TstTfmMain : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> t;
    std::unique_ptr<TfmMain> w;
    qint32 bosch = 0, mann = 0, knecht = 0, noOe = 0;

    void search(const QString& text) { testsupport::search(*w, text, testsupport::From::PageShown); }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setClockForTests([] { return kNow; });
    }

    void init()
    {
        t = std::make_unique<testdb::TestDatabases>();
        const QDateTime d1(QDate(2026, 3, 1), QTime(10, 0));
        const QDateTime d2(QDate(2026, 6, 1), QTime(10, 0));
        const QDateTime d3(QDate(2026, 7, 1), QTime(10, 0));
        bosch = t->addPart({0, "0986452044", "OE-77", "Фильтр масляный Bosch", "W712\r\nHU 716 x", 19.99, 17.5,
                            16.0, 15.0, 2.0, {}});
        mann = t->addPart({0, "W712", "OE-77", "Фильтр масляный Mann", "", 21.0, 19.0, 18.0, 17.0, {}, {}});
        knecht = t->addPart({0, "OC90", "OE-90", "Фильтр Knecht", "", 12.0, 11.0, 10.0, 9.0, {}, {}});
        noOe = t->addPart({0, "OC91", "", "Свеча зажигания", "", 5.0, 4.0, 3.0, 2.0, {}, {}});
        t->addLine(testdb::income(bosch, 6, 80, d1));
        t->addLine(testdb::income(bosch, 4, 100, d2));
        t->addLine(testdb::output(bosch, 3, 150, d3));
        t->addLine(testdb::reserve(bosch, 2, d3));
        t->addLine(testdb::income(mann, 1234.567, 50, d1));
        t->addLine(testdb::income(noOe, 5, 2, d1));
        t->addLine(testdb::output(noOe, 5, 3, d2));
        t->addCurrency({"EUR", 41.5});
        data::markup() = {1.2f, 1.25f, 1.0f};
        w = std::make_unique<TfmMain>(t->dm());
        testsupport::holdTimers(*w);
    }

    void cleanup()
    {
        w.reset();
        t.reset();
    }

    void startsOnTheSearchPageWithCrossGridAndEmptyFields()
    {
        QCOMPARE(w->pcTabs->currentWidget(), w->tsFindNum);
        QCOMPARE(visibleGrid(*w), w->dgCross);
        QCOMPARE(w->edRoznCount->text(), QStringLiteral("1"));
        QCOMPARE(w->panelText(0), QStringLiteral("РЦ:"));
        QVERIFY(w->stOst->text().isEmpty());
        QCOMPARE(w->windowTitle(), QStringLiteral("Остатки по складу"));
        QVERIFY(w->UpdateTimer.isActive());
    }

    // One match: stock, prices and last-purchase figures on the prices page,
    // the cross numbers on the search page, and the shown number recorded.
    void singleMatchShowsStockPricesAndCrossNumbers()
    {
        DialogRecorder rec;
        search(QStringLiteral("0986"));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join('|')));
        QCOMPARE(w->pcTabs->currentWidget(), w->tsPrices);
        QCOMPARE(w->edNumber->text(), QStringLiteral("0986452044"));
        QCOMPARE(w->stOst->text(), QStringLiteral("5,00"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("19,99"));
        QCOMPARE(w->edMOpt->text(), QStringLiteral("17,5"));
        QCOMPARE(w->edSpecial->text(), QStringLiteral("15"));
        // last purchase 100 at the latest incoming date; 1.2f makes 120.0000048
        QCOMPARE(w->panelText(1), QStringLiteral("121"));
        QCOMPARE(w->panelText(2), QStringLiteral("125"));
        QCOMPARE(w->panelText(3), QStringLiteral("100"));
        // The cross list ends on W712, which becomes the current part.
        QCOMPARE(visibleGrid(*w), w->dgCross);
        QCOMPARE(w->dgCross->model()->rowCount(), 2);
        QCOMPARE(w->CurrentPartID(), mann);
        QCOMPARE(w->panelText(4), QStringLiteral("Фильтр масляный Mann"));
        QCOMPARE(historyBytes(*t), QByteArray("09.12.2026 14:30:05 0986452044\r\n"));
        QVERIFY(w->UpdateTimer.isActive());
    }

    void quantitiesPriceTheRowAndBadTextIsReported()
    {
        search(QStringLiteral("0986452044"));
        w->edRoznCount->setText(QStringLiteral("3"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("60"));
        w->edRoznCount->setText(QStringLiteral("1"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("20"));
        w->edRoznCount->setText(QStringLiteral("0"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("0"));
        w->edMOptCount->setText(QStringLiteral("-2"));
        QCOMPARE(w->edMOpt->text(), QStringLiteral("-35"));

        DialogRecorder rec;
        w->edSpecialCount->setText(QStringLiteral("2,5"));
        QCOMPARE(rec.texts(BoxKind::Error), QStringList{QStringLiteral("'2,5' is not a valid integer value")});
        QCOMPARE(w->edSpecial->text(), QStringLiteral("15"));

        // The up-down control steps from what was typed and stays in range.
        w->edSpecialCount->setText(QStringLiteral("999"));
        w->udSpecial->stepBy(1);
        w->udSpecial->stepBy(1);
        QCOMPARE(w->edSpecialCount->text(), QStringLiteral("1000"));
        QCOMPARE(w->edSpecial->text(), QStringLiteral("15000"));
    }

    void severalMatchesListThePartsWithoutStock()
    {
        search(QStringLiteral("OC"));
        QCOMPARE(w->pcTabs->currentWidget(), w->tsFindNum);
        QCOMPARE(visibleGrid(*w), w->dgSearchParts);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 2);
        QCOMPARE(w->dgSearchParts->model()->index(0, 0).data().toString(), QStringLiteral("OC90"));
        QVERIFY(w->stOst->text().isEmpty());
        QVERIFY(w->edRozn->text().isEmpty());
        QCOMPARE(w->panelText(4), QStringLiteral("Свеча зажигания"));
        QCOMPARE(historyBytes(*t), QByteArray("09.12.2026 14:30:05 OC\r\n"));
    }

    void aReplacementNumberInTheRemarkFindsThePart()
    {
        search(QStringLiteral("HU 716"));
        QCOMPARE(w->edNumber->text(), QStringLiteral("0986452044"));
        QCOMPARE(w->stOst->text(), QStringLiteral("5,00"));
    }

    void noMatchStillRecordsAndBlankRecordsNothing()
    {
        search(QStringLiteral("  "));
        QVERIFY(historyBytes(*t).isEmpty());
        QVERIFY(!QFile::exists(t->path(QStringLiteral("SearchedNum.log"))));
        QVERIFY(w->UpdateTimer.isActive());
        search(QStringLiteral(" ZZZ"));
        QCOMPARE(visibleGrid(*w), w->dgSearchParts);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 0);
        QCOMPARE(w->CurrentPartID(), 0);
        QCOMPARE(historyBytes(*t), QByteArray("09.12.2026 14:30:05  ZZZ\r\n"));
    }

    void substringModeShowsThePartListOnly()
    {
        w->cbWildSearch->click();
        QVERIFY(w->cbWildSearch->isChecked());
        QCOMPARE(visibleGrid(*w), w->dgSearchParts);
        search(QStringLiteral("0986452044"));
        QCOMPARE(w->pcTabs->currentWidget(), w->tsFindNum);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 1);
        QVERIFY(w->stOst->text().isEmpty());
        QCOMPARE(w->CurrentPartID(), mann); // the last row of its cross list
        // Toggling back shows what the cross list holds, without a query.
        w->cbWildSearch->click();
        QCOMPARE(visibleGrid(*w), w->dgCross);
        QCOMPARE(w->dgCross->model()->rowCount(), 2);
    }

    void doubleClicksOnPartsAndCrossNumbers()
    {
        search(QStringLiteral("OC"));
        // OC91 has no OE number: its stock and prices are shown.
        w->dgSearchParts->setCurrentIndex(w->dgSearchParts->model()->index(1, 0));
        w->dgSearchPartsDblClick();
        QCOMPARE(w->pcTabs->currentWidget(), w->tsPrices);
        QCOMPARE(w->stOst->text(), QStringLiteral("0,00"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("5"));
        QCOMPARE(w->edNumber->text(), QStringLiteral("OC91"));

        w->pcTabs->setCurrentWidget(w->tsFindNum);
        search(QStringLiteral("OC"));
        // OC90 has one: the search page stays, now with its cross grid.
        w->dgSearchParts->setCurrentIndex(w->dgSearchParts->model()->index(0, 0));
        w->dgSearchPartsDblClick();
        QCOMPARE(w->pcTabs->currentWidget(), w->tsFindNum);
        QCOMPARE(visibleGrid(*w), w->dgCross);
        QCOMPARE(w->edNumber->text(), QStringLiteral("OC90"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("12"));

        // A cross number double-clicked becomes the part shown.
        w->pcTabs->setCurrentWidget(w->tsFindNum);
        search(QStringLiteral("0986452044"));
        w->pcTabs->setCurrentWidget(w->tsFindNum);
        w->dgCross->setCurrentIndex(w->dgCross->model()->index(1, 0));
        w->dgCrossDblClick();
        QCOMPARE(w->edNumber->text(), QStringLiteral("W712"));
        QCOMPARE(w->stOst->text(), QStringLiteral("1234,60"));
        QCOMPARE(w->pcTabs->currentWidget(), w->tsPrices);
    }

    void searchOnThePricesPageShowsOnlyExactPrices()
    {
        search(QStringLiteral("0986452044"));
        search(QStringLiteral("OC90"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("12"));
        QVERIFY(w->stOst->text().isEmpty());
        QVERIFY(w->panelText(1).isEmpty());
        search(QStringLiteral("OC9"));
        QVERIFY(w->edRozn->text().isEmpty());
    }

    void enterOnFieldAndCheckBoxAndBackspaceOnEmptyField()
    {
        w->edNumber->setText(QStringLiteral("OC90"));
        QTest::keyClick(w->edNumber, Qt::Key_Return);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 1);
        QCOMPARE(w->pcTabs->currentWidget(), w->tsPrices);

        w->edNumber->setText(QStringLiteral("A"));
        QTest::keyClick(w->edNumber, Qt::Key_Backspace);
        QCOMPARE(w->edNumber->text(), QString());
        QCOMPARE(w->pcTabs->currentWidget(), w->tsPrices);
        QTest::keyClick(w->edNumber, Qt::Key_Backspace);
        QCOMPARE(w->pcTabs->currentWidget(), w->tsFindNum);

        w->edNumber->setText(QStringLiteral("OC"));
        QTest::keyClick(w->cbWildSearch, Qt::Key_Enter);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 2);
        QCOMPARE(historyBytes(*t).count('\n'), 2);
    }

    // bbSearch is the default button: Enter from any control that does not
    // take Enter itself runs one search, the quantity fields included.
    void enterFromEveryOtherControlRunsOneSearch()
    {
        search(QStringLiteral("OC90"));
        QCOMPARE(w->pcTabs->currentWidget(), w->tsPrices);
        QCOMPARE(historyBytes(*t).count('\n'), 1);

        // On the page "Цены" a search shows the exact number's prices.
        w->edNumber->setText(QStringLiteral("0986452044"));
        QTest::keyClick(w->edRoznCount, Qt::Key_Return);
        QCOMPARE(w->edRozn->text(), QStringLiteral("19,99"));
        QCOMPARE(historyBytes(*t).count('\n'), 2);
        w->edNumber->setText(QStringLiteral("W712"));
        QTest::keyClick(w->edSpecialCount, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w->edRozn->text(), QStringLiteral("21"));
        QTest::keyClick(w->edMOpt, Qt::Key_Return);
        QCOMPARE(historyBytes(*t).count('\n'), 4);
        QVERIFY(historyBytes(*t).endsWith(" W712\r\n"));

        // From the grid of the page "Поиск" as well.
        w->pcTabs->setCurrentWidget(w->tsFindNum);
        w->edNumber->setText(QStringLiteral("OC9"));
        QTest::keyClick(visibleGrid(*w), Qt::Key_Return);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 2);
        QCOMPARE(historyBytes(*t).count('\n'), 5);
        // Enter in the number field runs it once, not twice.
        QTest::keyClick(w->edNumber, Qt::Key_Return);
        QCOMPARE(historyBytes(*t).count('\n'), 6);
    }

    void typedLettersBecomeCapitals()
    {
        w->edNumber->clear();
        QTest::keyClicks(w->edNumber, "oc9");
        QTest::sendKeyEvent(QTest::Press, w->edNumber, Qt::Key_unknown, QStringLiteral("ж"), Qt::NoModifier);
        QCOMPARE(w->edNumber->text(), QStringLiteral("OC9Ж"));
    }

    void refreshOnlyWithEmptyFieldOnSearchPage()
    {
        fb::Query& parts = t->dm().inside().ibqGetPartID;
        search(QStringLiteral("OC"));
        w->miDataBaseUpdateClick();
        QVERIFY(parts.isOpen());
        w->edNumber->setText(QStringLiteral(" "));
        w->miDataBaseUpdateClick();
        QVERIFY(parts.isOpen());
        w->edNumber->clear();
        w->pcTabs->setCurrentWidget(w->tsPrices);
        w->miDataBaseUpdateClick();
        QVERIFY(parts.isOpen());

        w->pcTabs->setCurrentWidget(w->tsFindNum);
        w->miDataBaseUpdateClick();
        QVERIFY(!parts.isOpen());
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 0);
        QVERIFY(t->dm().inside().ibdAE.connected());
        QVERIFY(t->dm().inside().dbMain.connected());
        QVERIFY(t->dm().inside().taCurrency.isOpen());
    }

    void aLostDatabaseIsReportedAndTheRefreshComesBack()
    {
        t->dm().inside().ibdAE.disconnect();
        DialogRecorder rec;
        search(QStringLiteral("OC90"));
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY(w->UpdateTimer.isActive());
        QVERIFY(historyBytes(*t).isEmpty());
        // The reconnect timer brings it back and the search works again.
        w->Timer1Timer();
        QVERIFY(t->dm().inside().ibdAE.connected());
        w->pcTabs->setCurrentWidget(w->tsFindNum);
        search(QStringLiteral("OC90"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("12"));
    }

    // A database that is not there is reported at every tick until it
    // appears; then the timer connects it and stops.
    void reconnectTimerRetriesUntilTheDatabaseAppears()
    {
        data::TdmMain& dm = t->dm();
        dm.inside().ibdAE.disconnect();
        const QString real = dm.inside().ibdAE.databaseName();
        // The test's own writer keeps the real file open in this process, so
        // the missing file is another name.
        dm.inside().ibdAE.setDatabaseName(t->path(QStringLiteral("ELSEWHERE/AENTER.GDB")));
        DialogRecorder rec;
        w->Timer1.start();
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 2);
        QVERIFY(rec.texts(BoxKind::Error)[0].contains(QStringLiteral("AENTER.GDB")));
        QVERIFY(w->Timer1.isActive());
        QVERIFY(!dm.inside().ibdAE.connected());

        dm.inside().ibdAE.setDatabaseName(real);
        w->Timer1Timer();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 2);
        QVERIFY(dm.inside().ibdAE.connected());
        QVERIFY(!w->Timer1.isActive());
    }

    // The replacements window of the found part: a double-click searches the
    // entry and closes; an empty entry empties the field and records nothing.
    void replacementsHandANumberBackToTheSearch()
    {
        w->sbCrossListClick(); // no search yet: nothing opens
        search(QStringLiteral("0986452044"));
        const int linesBefore = int(historyBytes(*t).count('\n'));
        auto pick = [this](int row) {
            testsupport::OnModal take([row](QWidget* modal) {
                auto* cl = qobject_cast<windows::TfmCrossList*>(modal);
                if (!cl)
                    return false;
                [&] { QCOMPARE(cl->lbCross->count(), 2); }();
                cl->lbCross->setCurrentRow(row);
                cl->lbCrossDblClick();
                return true;
            });
            ModalGuard guard;
            w->sbCrossListClick();
        };
        w->pcTabs->setCurrentWidget(w->tsFindNum);
        pick(0); // "W712"
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(w->edNumber->text(), QStringLiteral("W712"));
        QCOMPARE(historyBytes(*t).count('\n'), linesBefore + 1);
        QVERIFY(historyBytes(*t).endsWith(" W712\r\n"));

        t->exec(testdb::Db::Enterprise, QStringLiteral("UPDATE PART SET REMARK = '' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'X' WHERE ID = %1").arg(mann));
        w->pcTabs->setCurrentWidget(w->tsFindNum);
        search(QStringLiteral("W712"));
        const int linesNow = int(historyBytes(*t).count('\n'));
        pick(0); // the empty first line
        QCOMPARE(w->edNumber->text(), QString());
        QCOMPARE(historyBytes(*t).count('\n'), linesNow);
    }

    void euroRateFetchedOnceOrReported()
    {
        w->Timer3.start();
        w->Timer3Timer();
        QCOMPARE(t->dm().inside().EuroRate, 41.5);
        QVERIFY(!w->Timer3.isActive());

        t->exec(testdb::Db::Price, QStringLiteral("DELETE FROM CURRENCY"));
        t->dm().inside().EuroRate = 0;
        DialogRecorder rec;
        w->Timer3.start();
        w->Timer3Timer();
        QCOMPARE(rec.texts(BoxKind::Error), QStringList{QStringLiteral("Валюта EUR не найдена!!!")});
        QCOMPARE(t->dm().inside().EuroRate, 0.0);
        QVERIFY(!w->Timer3.isActive());
    }

    // While a search waits for its server nothing else of the program runs
    // inside it: a timer due meanwhile skips its turn and comes again, a
    // queued call and an accessibility action run after the search, in the
    // order they came, and a click and keys made meanwhile act after it, the
    // keys into the field they were typed into.
    void whileASearchWaitsNothingElseRunsInsideIt()
    {
        DialogRecorder rec;
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->edNumber->setFocus();
        QStringList seen;
        data::TdmMain& dm = t->dm();
        w->Timer3.setInterval(20);
        w->Timer3.start();
        QTimer::singleShot(100, w.get(), [&] {
            seen << QStringLiteral("waiting, rate %1").arg(dm.inside().EuroRate);
            QTimer::singleShot(0, w.get(), platform::guard(w.get(), [&] { seen << "queued, stock " + w->stOst->text(); }));
            QAccessibleInterface* box = QAccessible::queryAccessibleInterface(w->cbWildSearch);
            box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QTest::mouseClick(w->sbClient, Qt::LeftButton);
            QTest::keyClicks(w->edNumber, QStringLiteral("7"));
            QTimer::singleShot(50, w.get(), [&] {
                seen << QStringLiteral("still waiting, bar %1, part list %2, field %3")
                            .arg(w->sbMain->isVisibleTo(w.get()))
                            .arg(visibleGrid(*w) == w->dgSearchParts)
                            .arg(w->edNumber->text());
            });
        });
        {
            testsupport::BusyLine busy(dm.inside().ibdAE, 400);
            w->edNumber->setText(QStringLiteral("0986452044"));
            QTest::keyClick(w->edNumber, Qt::Key_Return);
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("waiting, rate 0"),
                                    QStringLiteral("still waiting, bar 1, part list 0, field 0986452044"),
                                    QStringLiteral("queued, stock 5,00")}));
        QCOMPARE(visibleGrid(*w), w->dgSearchParts); // the screen reader's toggle came after the search
        QTRY_VERIFY(!w->sbMain->isVisibleTo(w.get())); // and the click
        QTRY_COMPARE(w->edNumber->text(), QStringLiteral("09864520447"));
        QTRY_COMPARE(dm.inside().EuroRate, 41.5); // the fetch came again and got through
        QVERIFY(!w->Timer3.isActive());
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join('|')));
        QCOMPARE(historyBytes(*t).count('\n'), 1); // one search, not two
    }

    // A command that waits and then shows a box: what came during the wait
    // runs after the box is closed, not inside it, and the keys typed ahead
    // are dropped, so that none of them answers the box unread.
    void whatCameDuringAWaitRunsAfterTheBoxAndTypedKeysAreDropped()
    {
        t->exec(testdb::Db::Price, QStringLiteral("DELETE FROM CURRENCY"));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->edNumber->setFocus();
        QStringList seen;
        QTimer::singleShot(100, w.get(), [&] {
            QTimer::singleShot(0, w.get(), platform::guard(w.get(), [&] { seen << QStringLiteral("queued"); }));
            QTest::keyClick(w->edNumber, Qt::Key_Return);
            QTest::keyClicks(w->edNumber, QStringLiteral("12"));
        });
        testsupport::OnModal answer([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            seen << "box: " + box->text();
            box->accept();
            return true;
        });
        ModalGuard guard;
        w->Timer3.start();
        {
            testsupport::BusyLine busy(t->dm().inside().dbMain, 300);
            w->Timer3Timer();
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("box: Валюта EUR не найдена!!!"), QStringLiteral("queued")}));
        QTest::qWait(50);
        QCOMPARE(w->edNumber->text(), QString());
        QCOMPARE(historyBytes(*t), QByteArray()); // the Enter typed ahead ran no search
    }

    // While the currency window is open the minute's refresh waits: a rate
    // typed and not yet stored is still there after the ticks, and closing
    // the window asks about it. Once it is closed the refresh acts again.
    void theRefreshWaitsWhileTheCurrencyWindowIsOpen()
    {
        DialogRecorder rec;
        rec.confirmAnswer = false; // «Сохранить изменения?»: Нет
        search(QStringLiteral("OC"));
        w->edNumber->clear();
        const int found = w->dgSearchParts->model()->rowCount();
        QCOMPARE(found, 2);
        w->UpdateTimer.setInterval(10);
        w->UpdateTimer.start();
        data::TdmMain& dm = t->dm();
        QString typed;
        testsupport::OnModal edit([&](QWidget* modal) {
            if (!modal)
                return false;
            dm.setCurrencyRate(0, 77.0); // as the rate's cell hands it over
            QTest::qWait(100);           // ten ticks
            const data::Currencies now = dm.currencies();
            typed = now.rows.at(0).rate ? QString::number(*now.rows.at(0).rate) : QString();
            modal->close();
            return true;
        });
        ModalGuard guard;
        w->miCurrenciesClick();
        QCOMPARE(typed, QStringLiteral("77"));
        QCOMPARE(rec.texts(BoxKind::Confirm), QStringList{QStringLiteral("Сохранить изменения?")});
        QCOMPARE(dm.currencies().state, data::CurrencyState::Browse);
        QCOMPARE(w->dgSearchParts->model()->rowCount(), found); // the refresh held off
        QTRY_COMPARE(w->dgSearchParts->model()->rowCount(), 0); // and now acts
        w->UpdateTimer.setInterval(60000);
    }

    void movesNeedsAStockFigureAndStatusBarToggles()
    {
        search(QStringLiteral("OC"));
        QVERIFY(w->CurrentPartID() != 0);
        w->sbMovesClick(); // no stock figure: no window, returns at once
        QVERIFY(w->UpdateTimer.isActive());

        QVERIFY(w->sbMain->isVisibleTo(w.get()));
        w->sbClient->click();
        QVERIFY(!w->sbMain->isVisibleTo(w.get()));
        w->sbClient->click();
        QVERIFY(w->sbMain->isVisibleTo(w.get()));
    }

    // Help opens the help file beside the executable when there is one,
    // else the user guide beside it; with neither, the help file's name.
    void helpMailAndAbout()
    {
        QStringList opened;
        platform::setShellForTests([&](const QString& s) { opened << s; });
        const QString chm = t->path(QStringLiteral("Orvado.chm"));
        const QString guide = t->path(QStringLiteral("guide/index.html"));
        w->miHelpClick(); // neither there
        QVERIFY(QDir(t->dir()).mkpath(QStringLiteral("guide")));
        QFile page(guide);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        w->miHelpClick();
        QFile help(chm);
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        w->miHelp->trigger();
        w->miEmailAuthorClick();
        platform::setShellForTests({});
        QCOMPARE(opened, (QStringList{chm, guide, chm, opened.value(3)}));
        QVERIFY(opened[3].startsWith(QStringLiteral("mailto:")));
        DialogRecorder rec;
        w->miAboutClick();
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].kind, BoxKind::About);
        QCOMPARE(rec.boxes[0].title, QStringLiteral("О программе Tovrin VaderIzar"));
    }

    // The history window: date jump, text search, and a number sent back.
    void historyWindowFindsAndSendsBack()
    {
        QFile f(t->path(QStringLiteral("SearchedNum.log")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("08.12.2026 09:00:00 OC90\n08.12.2026 10:00:00 oc91\r\n09.12.2026 11:00:00 OC90\r\n");
        f.close();
        lookup::TfmSearchLog log(f.fileName(), [this](const QString& n) { return w->searchNumber(n); });
        log.show();
        QVERIFY(!log.mSearchLog->textCursor().hasSelection());

        log.dpDate->setDate(QDate(2026, 12, 8));
        QCOMPARE(log.selectedText(), QStringLiteral("08.12.2026"));
        QCOMPARE(log.mSearchLog->textCursor().selectionStart(), 0);
        log.dpDate->setDate(QDate(2026, 12, 1));
        QVERIFY(!log.mSearchLog->textCursor().hasSelection());
        QCOMPARE(log.mSearchLog->textCursor().position(), log.mSearchLog->toPlainText().size());

        log.edSearch->setText(QStringLiteral("OC9"));
        log.bbSearchClick();
        QCOMPARE(log.mSearchLog->textCursor().selectionStart(), 20);
        log.bbSearchClick();
        QCOMPARE(log.selectedText(), QStringLiteral("oc9")); // letter case does not matter
        log.bbSearchClick();
        log.bbSearchClick(); // after the last one nothing changes
        const int lastHit = log.mSearchLog->textCursor().selectionStart();
        QCOMPARE(log.mSearchLog->toPlainText().mid(lastHit, 4), QStringLiteral("OC90"));
        QVERIFY(lastHit > 40);

        // A click into the text drops the selection: the next search starts
        // at the top again.
        QTextCursor c = log.mSearchLog->textCursor();
        c.clearSelection();
        log.mSearchLog->setTextCursor(c);
        log.edSearch->setText(QStringLiteral("OC90"));
        log.bbSearchClick();
        QCOMPARE(log.mSearchLog->textCursor().selectionStart(), 20);
        log.miMoveToCalcClick();
        QCOMPARE(log.result(), int(QDialog::Accepted));
        QCOMPARE(w->edNumber->text(), QStringLiteral("OC90"));
        QCOMPARE(w->edRozn->text(), QStringLiteral("12"));
        QVERIFY(historyBytes(*t).endsWith("09.12.2026 14:30:05 OC90\r\n"));
        QVERIFY(historyBytes(*t).startsWith("08.12.2026 09:00:00 OC90\r\n"));
    }

    // A search from the history that fails (here: the history file cannot
    // be written) shows its error once and leaves the history window open.
    void historyWindowStaysOpenWhenItsSearchFails()
    {
        const QString shownFile = t->path(QStringLiteral("shown.log"));
        QFile f(shownFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("08.12.2026 09:00:00 OC90\r\n");
        f.close();
        QVERIFY(QDir(t->dir()).mkdir(QStringLiteral("SearchedNum.log")));
        lookup::TfmSearchLog log(shownFile, [this](const QString& n) { return w->searchNumber(n); });
        log.show();
        log.edSearch->setText(QStringLiteral("OC90"));
        log.bbSearchClick();
        DialogRecorder rec;
        log.miMoveToCalc->trigger();
        QCOMPARE(rec.texts(BoxKind::Error).size(), 1);
        QVERIFY(rec.texts(BoxKind::Error).first().contains(QStringLiteral("SearchedNum.log")));
        QVERIFY(log.isVisible());
        QVERIFY(log.result() != int(QDialog::Accepted));
        QCOMPARE(w->edRozn->text(), QStringLiteral("12")); // the lookup itself was shown
    }

    void historyWindowBeforeAnySearchIsEmpty()
    {
        DialogRecorder rec;
        QString shown = QStringLiteral("not shown");
        testsupport::OnModal take([&](QWidget* modal) {
            auto* log = qobject_cast<lookup::TfmSearchLog*>(modal);
            if (log) {
                shown = log->mSearchLog->toPlainText();
                log->reject();
            }
            return log != nullptr;
        });
        ModalGuard guard;
        w->miSearchLog->trigger();
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(shown, QString());
    }

    // A pasted text longer than the number columns still searches the
    // remarks, and finds nothing rather than failing.
    void aVeryLongTextSearchesWithoutError()
    {
        const QString longNote = QString(60, QLatin1Char('K'));
        t->addPart({0, "LONG1", "", "Длинная заметка", longNote + "\r\nX", 1.0, 1.0, 1.0, 1.0, {}, {}});
        DialogRecorder rec;
        search(longNote);
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join('|')));
        QCOMPARE(w->edNumber->text(), QStringLiteral("LONG1"));
        search(QString(70, QLatin1Char('Q')));
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(w->dgSearchParts->model()->rowCount(), 0);
    }
};

QTEST_MAIN(TstTfmMain)
#include "tst_tfmmain.moc"
