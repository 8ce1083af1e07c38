#include "data/TdmMain.h"
#include "order/OrderBuild.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/TfmOrder.h"
#include "platform/Cp1251.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/RefreshHold.h"
#include "platform/Failure.h"
#include "tests/support/BusyLine.h"
#include "tests/support/ModalGuard.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/ValueReads.h"
#include "windows/TfmMoves.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using order::OrderField;
using order::OrderLine;

namespace {

const int colName = int(OrderField::NAME), colToOrder = int(OrderField::ToOrder), colSum = int(OrderField::SumCost);

QDateTime day(int d) { return QDateTime(QDate(2023, 5, d), QTime(10, 0)); }

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QString& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(platform::toCp1251(text));
}

bool sameLine(const OrderLine& a, const OrderLine& b)
{
    return a.id == b.id && a.name == b.name && a.manufactureCode == b.manufactureCode && a.number == b.number
        && a.onStock == b.onStock && a.minStock == b.minStock && a.toOrder == b.toOrder && a.cost == b.cost;
}

} // namespace

class TestTfmOrder : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> dbs;
    data::TdmMain* dm = nullptr;
    std::unique_ptr<order::TfmOrder> w;
    qint32 filter = 0, belt = 0, plug = 0, pads = 0, shock = 0, gasket = 0;

    QList<qint32> ids() const
    {
        QList<qint32> out;
        for (const OrderLine& l : w->mtOrder.rows())
            out << *l.id;
        return out;
    }
    const OrderLine& rowOf(qint32 id) const
    {
        for (const OrderLine& l : w->mtOrder.rows())
            if (l.id == id)
                return l;
        qFatal("no row %d", id);
    }
    int indexOf(qint32 id) const { return int(ids().indexOf(id)); }
    void build(int sort, const std::optional<QString>& sklad = std::nullopt)
    {
        w->setSkladChoice(sklad);
        w->cbSort->setCurrentIndex(sort);
        w->cbSortChange();
    }
    QString importText(platform::DialogRecorder& rec, const QString& text)
    {
        const QString path = dbs->path(QStringLiteral("in.csv"));
        writeFile(path, text);
        rec.fileAnswers.push_back(path);
        w->sbOpenOrderClick();
        return path;
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        dbs = std::make_unique<testdb::TestDatabases>();
        dbs->addWarehouse({QStringLiteral("A"), QStringLiteral("Склад А")});
        dbs->addWarehouse({QStringLiteral("B"), QStringLiteral("Склад Б")});

        auto part = [&](const QString& name, const QString& code, std::optional<double> min) {
            testdb::Part p;
            p.name = name;
            p.manufactureCode = code;
            p.number = QStringLiteral("OE-") + code;
            p.minStock = min;
            return dbs->addPart(p);
        };
        // On hand 4.5 against 5; its latest line went through B.
        filter = part(QStringLiteral("Фильтр масляный"), QStringLiteral("F-100"), 5);
        dbs->addLine(testdb::income(filter, 10, 100, day(1), QStringLiteral("A")));
        dbs->addLine(testdb::output(filter, 5.5, 150, day(2), QStringLiteral("B")));
        // On hand -2 against 3, latest line in A.
        belt = part(QStringLiteral("Ремень"), QStringLiteral("B-7"), 3);
        dbs->addLine(testdb::income(belt, 1, 40, day(1), QStringLiteral("A")));
        dbs->addLine(testdb::output(belt, 3, 60, day(3), QStringLiteral("A")));
        // On hand equal to the minimum: not listed.
        plug = part(QStringLiteral("Свеча"), QStringLiteral("S-1"), 4);
        dbs->addLine(testdb::income(plug, 4, 10, day(1), QStringLiteral("A")));
        // No document line at all.
        pads = part(QStringLiteral("Колодки"), QStringLiteral("K-2"), 2);
        shock = part(QStringLiteral("Амортизатор"), QStringLiteral("123456789012345678901234567890"), 1);
        // Received through E, a code no warehouse has.
        gasket = part(QStringLiteral("Прокладка 50%"), QStringLiteral("A-1"), 10);
        dbs->addLine(testdb::income(gasket, 3, 12.345, day(4), QStringLiteral("E")));
        // Not under replenishment.
        part(QStringLiteral("Болт"), QStringLiteral("X-0"), 0);
        part(QStringLiteral("Гайка"), QStringLiteral("X-1"), std::nullopt);

        dm = &dbs->dm();
        dm->inside().EuroRate = 40;
        w = std::make_unique<order::TfmOrder>(*dm);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    void cleanupTestCase()
    {
        w.reset();
        dbs.reset();
    }

    void opensLikeItsDesign()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Заказ товара"));
        QCOMPARE(w->size(), QSize(790, 446));
        QVERIFY(!(w->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(w->cbSort->count(), 3);
        QCOMPARE(w->cbSort->currentIndex(), -1);
        QCOMPARE(w->dlcSkald->count(), 2);
        QCOMPARE(w->dgOrder->model()->headerData(colToOrder, Qt::Horizontal).toString(), QStringLiteral("Заказ"));
        QCOMPARE(w->dgOrder->columnWidth(colName), 202);
    }

    void buildListsThePartsBelowTheirMinimum()
    {
        platform::DialogRecorder rec;
        build(0);
        QCOMPARE(rec.texts(), QStringList());
        // By name, in the database's order: А, К, П, Р, Ф.
        QCOMPARE(ids(), (QList<qint32>{shock, pads, gasket, belt, filter}));
        QCOMPARE(rowOf(filter).onStock, std::optional(4.5));
        QCOMPARE(rowOf(filter).toOrder, std::optional(0.5));
        QCOMPARE(rowOf(filter).cost, std::optional(100.0));
        QCOMPARE(rowOf(belt).onStock, std::optional(-2.0));
        QCOMPARE(rowOf(belt).toOrder, std::optional(5.0));
        QCOMPARE(rowOf(pads).onStock, std::optional(0.0));
        QCOMPARE(rowOf(pads).cost, std::optional(0.0));
        QCOMPARE(*rowOf(shock).manufactureCode, QStringLiteral("1234567890123456789012345"));
        QCOMPARE(*rowOf(gasket).name, QStringLiteral("Прокладка 50%"));
        // 50 + 200 + round(7 × 12.345) + 0 + 0
        QCOMPARE(w->mtOrder.total(), 336.0);
        QCOMPARE(w->footerText(0, colSum), QStringLiteral("336,00"));
        QCOMPARE(w->footerText(1, colSum), QStringLiteral("8,40"));
        QCOMPARE(w->footerText(0, colName), QStringLiteral("Сумма в основной валюте"));
        QCOMPARE(w->pbOrder->maximum(), 6);
        QCOMPARE(w->pbOrder->value(), 6);
        QVERIFY(w->bbClose->isEnabled() && w->cbSort->isEnabled());
        QCOMPARE(w->dgOrder->model()->index(indexOf(gasket), colSum).data().toString(), QStringLiteral("86,00"));

        // Every build starts from an empty table.
        build(0);
        QCOMPARE(ids().size(), 5);

        // No rate yet: the EUR footer stays empty, nothing is reported.
        dm->inside().EuroRate = 0;
        build(1);
        QCOMPARE(rec.texts(), QStringList());
        QCOMPARE(w->footerText(1, colSum), QString());
        // By maker's number: 1234…, A-1, B-7, F-100, K-2.
        QCOMPARE(ids(), (QList<qint32>{shock, gasket, belt, filter, pads}));
        dm->inside().EuroRate = 40;
    }

    // The build without the window: the same lines, progress after every
    // candidate (1 before the first, never past the end), and a stop on
    // request returns no order at all.
    void theBuildServiceReportsProgressAndStopsOnRequest()
    {
        std::vector<std::pair<int, int>> steps;
        const auto lines = order::buildOrder(*dm, 0, QStringLiteral("A"), [&](int pos, int max) {
            steps.emplace_back(pos, max);
            return true;
        });
        QVERIFY(lines);
        QCOMPARE(lines->size(), size_t(1));
        QCOMPARE(lines->front().id, std::optional<int>(belt));
        const std::vector<std::pair<int, int>> expected{{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}, {6, 6}};
        QCOMPARE(steps, expected);

        int calls = 0;
        const auto stopped = order::buildOrder(*dm, 0, std::nullopt, [&](int, int) { return ++calls < 3; });
        QVERIFY(!stopped);
        QCOMPARE(calls, 3);
    }

    // The build's rules on values, without a database: the candidates'
    // order kept, a part at or above its minimum left out, a part never
    // received counted as 0 on hand, the warehouse compared as it is written,
    // the quantity and cost of each line.
    void theBuildsRulesOnValues()
    {
        using Part = testsupport::ValueReads::Part;
        testsupport::ValueReads reads;
        auto part = [](qint32 id, const char* code, double min, std::optional<double> income,
                       std::optional<double> output, double cost, const char* sklad) {
            Part p;
            p.row = {id, QString::fromLatin1(code), QStringLiteral("OE-") + QString::fromLatin1(code),
                     QStringLiteral("Деталь ") + QString::fromLatin1(code), {}};
            p.minStock = min;
            p.income = income;
            p.output = output;
            p.avgCost = cost;
            p.lastSklad = QString::fromLatin1(sklad);
            return p;
        };
        reads.parts = {part(7, "Z", 5, 10, 5.5, 12.5, "A"), part(3, "Y", 4, 4, {}, 10, "A"),
                       part(9, "X", 2, {}, {}, 0, "a"), part(1, "W", 3, 1, 3, 40, "B"),
                       part(2, "V", 0, {}, {}, 0, "A")};
        const auto all = order::buildOrder(reads, 0, std::nullopt, [](int, int) { return true; });
        QVERIFY(all);
        QList<qint32> got;
        for (const OrderLine& l : *all)
            got << *l.id;
        QCOMPARE(got, (QList<qint32>{7, 9, 1})); // as delivered; 3 is at its minimum, 2 has none
        QCOMPARE((*all)[0].onStock, std::optional<double>(4.5));
        QCOMPARE((*all)[0].toOrder, std::optional<double>(0.5));
        QCOMPARE((*all)[0].cost, std::optional<double>(12.5));
        QCOMPARE((*all)[1].onStock, std::optional<double>(0.0)); // never received
        QCOMPARE((*all)[1].toOrder, std::optional<double>(2.0));
        QCOMPARE((*all)[2].onStock, std::optional<double>(-2.0));
        QCOMPARE((*all)[2].toOrder, std::optional<double>(5.0));

        const auto inA = order::buildOrder(reads, 0, QStringLiteral("A"), [](int, int) { return true; });
        QVERIFY(inA);
        QCOMPARE(inA->size(), size_t(1)); // "a" is not "A"
        QCOMPARE(inA->front().id, std::optional<int>(7));
    }

    void warehouseChoiceFiltersByTheLatestLine()
    {
        w->setSkladChoice(QStringLiteral("E"));
        QCOMPARE(w->dlcSkald->currentText(), QString());
        build(0, QStringLiteral("E"));
        QCOMPARE(ids(), QList<qint32>{gasket});

        build(0, QStringLiteral("A"));
        QCOMPARE(w->dlcSkald->currentText(), QStringLiteral("Склад А"));
        QCOMPARE(ids(), QList<qint32>{belt}); // the filter's latest line is in B

        w->dlcSkald->setCurrentIndex(1);
        emit w->dlcSkald->activated(1);
        QCOMPARE(w->skladChoice(), std::optional<QString>(QStringLiteral("B")));
        w->sbSkladClearClick();
        QCOMPARE(w->skladChoice(), std::nullopt);
        QCOMPARE(w->dlcSkald->currentIndex(), -1);
    }

    void quantityEditsReachTheTotalWhenTheRowIsLeft()
    {
        platform::DialogRecorder rec;
        build(0);
        const int r = indexOf(belt); // ToOrder 5, Cost 40
        QAbstractItemModel* m = w->dgOrder->model();
        w->dgOrder->setCurrentIndex(m->index(r, colToOrder));
        const QRect cell = w->dgOrder->visualRect(m->index(r, colToOrder));
        QTest::mouseClick(w->dgOrder->viewport(), Qt::LeftButton, {},
                          order::OrderDelegate::spinButtonRect(cell, true).center());
        QCOMPARE(m->index(r, colToOrder).data().toString(), QStringLiteral("6,00"));
        QCOMPARE(m->index(r, colSum).data().toString(), QStringLiteral("240,00"));
        QCOMPARE(w->mtOrder.total(), 336.0);
        w->dgOrder->setCurrentIndex(m->index(0, colToOrder));
        QCOMPARE(w->mtOrder.total(), 376.0);
        QCOMPARE(w->footerText(0, colSum), QStringLiteral("376,00"));
        QCOMPARE(w->footerText(1, colSum), QStringLiteral("9,40"));

        // Typed text that is no number is refused and comes back to correct.
        w->dgOrder->setCurrentIndex(m->index(r, colToOrder));
        QTest::keyClick(w->dgOrder, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(QStringLiteral("2.5"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(rec.texts(), QStringList{QStringLiteral("'2.5' is not a valid floating point value for field 'Заказать'")});
        editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("2.5"));
        editor->setText(QStringLiteral("2,5"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the grid commits an edit from its queue
        QCOMPARE(m->index(r, colSum).data().toString(), QStringLiteral("100,00"));
        w->dgOrder->setCurrentIndex(m->index(0, colToOrder));
        QCOMPARE(w->mtOrder.total(), 236.0);

        // A cleared name keeps the row in editing; Esc brings the old one back.
        rec.clear();
        w->dgOrder->setCurrentIndex(m->index(r, colName));
        QTest::keyClick(w->dgOrder, Qt::Key_F2);
        editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->clear();
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        w->dgOrder->setCurrentIndex(m->index(0, colName));
        QTRY_COMPARE(rec.texts(), QStringList{QStringLiteral("Field 'Наименование' must have a value")});
        QCOMPARE(w->dgOrder->currentIndex().row(), r);
        QCOMPARE(w->dsOrder->editRow(), r);
        QTest::keyClick(w->dgOrder, Qt::Key_Escape);
        QVERIFY(!w->dsOrder->isEditing());
        QCOMPARE(m->index(r, colName).data().toString(), QStringLiteral("Ремень"));

        // Ctrl+Delete takes the row and its line sum at once.
        QTest::keyClick(w->dgOrder, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(ids().size(), 4);
        QVERIFY(!ids().contains(belt));
        QCOMPARE(w->mtOrder.total(), 136.0);
    }

    void exportThenImportGivesTheSameRows()
    {
        platform::DialogRecorder rec;
        build(0);
        const std::vector<OrderLine> before = w->mtOrder.rows();
        const QString path = dbs->path(QStringLiteral("Полный заказ.csv"));
        writeFile(path, QString(5000, QLatin1Char('x'))); // replaced, not appended to
        rec.fileAnswers.push_back(path);
        w->sbExportClick();
        QCOMPARE(rec.texts(), QStringList());
        QCOMPARE(rec.fileRequests.size(), 1);
        QCOMPARE(rec.fileRequests[0].proposedName, QStringLiteral("Полный заказ.csv"));
        QCOMPARE(rec.fileRequests[0].filter, QStringLiteral("Excel files (.xls)|*.xls"));
        const QByteArray bytes = readFile(path);
        QVERIFY(bytes.startsWith(platform::toCp1251(QStringLiteral("Код\tНаименование\tНомер\tО.Е.\tНа складе\t"))));
        QVERIFY(bytes.contains(platform::toCp1251(
            QStringLiteral("%1\tПрокладка 50%%\tA-1\tOE-A-1\t3\t10\t7\t12.345\t86\r\n").arg(gasket))));
        QVERIFY(bytes.endsWith("\r\n"));

        while (w->dsOrder->rowCount() > 0) {
            w->dgOrder->setCurrentIndex(w->dsOrder->index(0, 0));
            QTest::keyClick(w->dgOrder, Qt::Key_Delete, Qt::ControlModifier);
        }
        QCOMPARE(w->mtOrder.total(), 0.0);
        rec.fileAnswers.push_back(path);
        w->sbOpenOrderClick();
        QCOMPARE(rec.texts(), QStringList());
        QCOMPARE(w->mtOrder.rows().size(), before.size());
        for (size_t i = 0; i < before.size(); ++i)
            QVERIFY2(sameLine(w->mtOrder.rows()[i], before[i]), qPrintable(QString::number(i)));
        QCOMPARE(w->footerText(0, colSum), QStringLiteral("336,00"));
        QCOMPARE(w->dgOrder->currentIndex().row(), 0);

        // With a warehouse chosen, its name is proposed.
        w->setSkladChoice(QStringLiteral("B"));
        w->sbExportClick(); // cancelled
        QCOMPARE(rec.fileRequests.last().proposedName, QStringLiteral("Склад Б.csv"));
        w->setSkladChoice(std::nullopt);
    }

    void badFilesGiveAMessageAndLoseNothing()
    {
        platform::DialogRecorder rec;
        build(0);
        const int had = w->dsOrder->rowCount();
        // A Cyrillic label in other case matches nothing.
        importText(rec, QStringLiteral("код\tНаименование\n901\tA\n"));
        QCOMPARE(rec.texts(), QStringList{QStringLiteral("Field 'Код' must have a value")});
        QCOMPARE(w->dsOrder->rowCount(), had);
        rec.clear();

        importText(rec, QStringLiteral("Код\tНаименование\tЗаказать\tmin остаток\tЛишнее\n"
                                       "901\tA\t1\t4\tx\n\n902\tB\t2\t5\r\n903\tC\t2,5\t6\r\n904\tD\t1\r\n"));
        QCOMPARE(rec.texts(), QStringList{QStringLiteral("'2,5' is not a valid floating point value for field 'Заказать'")});
        QCOMPARE(w->dsOrder->rowCount(), had + 2);
        QCOMPARE(ids().mid(had), (QList<qint32>{901, 902}));
        QCOMPARE(rowOf(902).minStock, std::optional(5.0));
        rec.clear();

        rec.fileAnswers.push_back(dbs->path(QStringLiteral("nowhere.csv")));
        w->sbOpenOrderClick();
        QCOMPARE(rec.texts().size(), 1);
        QVERIFY2(rec.texts()[0].startsWith(QStringLiteral("Cannot open file \"")), qPrintable(rec.texts()[0]));
        QCOMPARE(w->dsOrder->rowCount(), had + 2);
        rec.clear();

        const QString bad = dbs->path(QStringLiteral("no folder/x.csv"));
        rec.fileAnswers.push_back(bad);
        w->sbExportClick();
        QCOMPARE(rec.texts().size(), 1);
        QVERIFY2(rec.texts()[0].startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bad)),
                 qPrintable(rec.texts()[0]));
        QVERIFY(!QFile::exists(bad));
    }

    void leaveNullKeepsThePartsOutOfStock()
    {
        platform::DialogRecorder rec;
        w->mtOrder.clear();
        importText(rec, QStringLiteral("Код\tНаименование\tНа складе\r\n1\ta\t0\r\n2\tb\t0.4\r\n3\tc\t0.5\r\n"
                                       "4\td\t0.6\r\n5\te\t1.5\r\n6\tf\t-0.5\r\n7\tg\t-2\r\n8\th\r\n"));
        QCOMPARE(rec.texts(), QStringList());
        w->sbLeaveNullClick();
        QCOMPARE(ids(), (QList<qint32>{1, 2, 3, 6, 8}));
        QVERIFY(w->bbClose->isEnabled());
    }

    void reopeningKeepsRowsCopiesAndHandsCellsToTheSearch()
    {
        platform::DialogRecorder rec;
        w->hide();
        w->mtOrder.clear();
        importText(rec, QStringLiteral("Код\tНаименование\tНомер\tО.Е.\tСтоимость\r\n5\tВал\tV-1\t\t12.3456\r\n"));
        w->setSkladChoice(std::nullopt);
        QList<bool> refreshHeld; // while shown, after
        QStringList searched;
        w->searchNumber = [&](const QString& n) { searched << n; return true; };

        bool timedOut = false;
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, w.get(), [&] {
            timedOut = true;
            w->done(0);
        });
        guard.start(20000);
        QString shownSklad;
        QString copied;
        testsupport::OnModal take([&](QWidget* modal) {
            if (modal != w.get())
                return false;
            shownSklad = w->skladChoice().value_or(QStringLiteral("-"));
            refreshHeld << platform::refreshHeld();
            w->dgOrder->setCurrentIndex(w->dsOrder->index(0, int(OrderField::Cost)));
            w->miCopyClick();
            copied = platform::clipboardText();
            w->dgOrder->setCurrentIndex(w->dsOrder->index(0, int(OrderField::NUMBER)));
            w->N1Click(); // hands "" to the search and closes
            return true;
        });
        w->execOrder();
        QVERIFY(!timedOut);
        QCOMPARE(shownSklad, QStringLiteral("E"));
        QCOMPARE(copied, QStringLiteral("12,3456"));
        QCOMPARE(searched, QStringList{QString()});
        refreshHeld << platform::refreshHeld();
        QCOMPARE(refreshHeld, (QList<bool>{true, false}));
        QVERIFY(!w->isVisible());
        QCOMPARE(ids(), QList<qint32>{5}); // kept while hidden
        w->searchNumber = nullptr;
        w->show();
    }

    // A search that fails has shown its error in the main window; the order
    // window stays open with its rows.
    void failedSearchKeepsTheWindowOpen()
    {
        platform::DialogRecorder rec;
        build(0);
        QStringList searched;
        w->searchNumber = [&](const QString& n) {
            searched << n;
            return false;
        };
        bool stayed = false;
        testsupport::OnModal take([&](QWidget*) {
            w->dgOrder->setCurrentIndex(w->dsOrder->index(indexOf(filter), int(OrderField::MANUFACTURECODE)));
            w->N1Click();
            stayed = w->isVisible();
            w->done(0);
            return true;
        });
        QTimer::singleShot(20000, w.get(), [&] { w->done(0); });
        w->execOrder();
        QVERIFY(stayed);
        QCOMPARE(searched, QStringList{"F-100"});
        QCOMPARE(ids().size(), 5);
        w->searchNumber = nullptr;
        w->show();
    }

    // No candidate at all: an empty bar, not a busy animation that would run
    // until the next build.
    void buildWithoutCandidatesShowsAnEmptyBar()
    {
        platform::DialogRecorder rec;
        dbs->exec(testdb::Db::Enterprise, QStringLiteral("UPDATE PART SET MINSTOCK = -MINSTOCK WHERE MINSTOCK > 0"));
        build(0);
        dbs->exec(testdb::Db::Enterprise, QStringLiteral("UPDATE PART SET MINSTOCK = -MINSTOCK WHERE MINSTOCK < 0"));
        QVERIFY(ids().isEmpty());
        QVERIFY(w->pbOrder->maximum() > w->pbOrder->minimum());
        QCOMPARE(w->pbOrder->value(), w->pbOrder->minimum());
        QCOMPARE(w->footerText(0, colSum), QStringLiteral("0,00"));
        QCOMPARE(rec.texts(), QStringList());
    }

    void showsTheMovementsOfTheRowsPart()
    {
        platform::DialogRecorder rec;
        build(0);
        w->dgOrder->setCurrentIndex(w->dsOrder->index(indexOf(filter), colName));
        int rows = -1;
        bool wasMoves = false;
        testsupport::OnModal take([&](QWidget* modal) {
            if (!modal)
                return false;
            wasMoves = qobject_cast<windows::TfmMoves*>(modal) != nullptr;
            rows = dm->inside().ibqMovements.recordCount();
            if (modal != w.get())
                modal->close();
            return true;
        });
        QTimer::singleShot(20000, w.get(), [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        w->sgOrderDblClick();
        QVERIFY(wasMoves);
        QCOMPARE(rows, 2);
        QCOMPARE(rec.texts(), QStringList());
    }

    // What the salesperson does while a build waits for the server comes
    // after it: a click on the greyed-out "Закрыть" does nothing, and the
    // window manager's request to close the window waits for the build and
    // then closes it, the new order in place.
    void inputDuringABuildComesAfterIt()
    {
        platform::DialogRecorder rec;
        w->mtOrder.clear();
        bool greyed = false;
        QTimer::singleShot(50, w.get(), [&] {
            greyed = !w->bbClose->isEnabled();
            QTest::mouseClick(w->bbClose, Qt::LeftButton);
        });
        {
            testsupport::BusyLine busy(dm->inside().ibdAE, 300);
            build(0);
        }
        QVERIFY(greyed);
        QTest::qWait(50);
        QVERIFY(w->isVisible());

        bool shownWhileBuilding = false;
        QTimer::singleShot(50, w.get(), [&] {
            QCloseEvent close;
            QCoreApplication::sendEvent(w->windowHandle(), &close);
            shownWhileBuilding = w->isVisible();
        });
        w->mtOrder.clear();
        {
            testsupport::BusyLine busy(dm->inside().ibdAE, 300);
            build(0);
        }
        QVERIFY(shownWhileBuilding);
        QCOMPARE(ids().size(), 5);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join('|')));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

    // Whatever fails, the order stays as it was before the build, an edit
    // not yet stored included; a failure in the middle of the walk ends the
    // build with its error and hands back no line.
    void aFailedBuildLeavesTheOrderAsItWas()
    {
        platform::DialogRecorder rec;
        build(0);
        QAbstractItemModel* m = w->dgOrder->model();
        w->dgOrder->setCurrentIndex(m->index(indexOf(filter), colName));
        QTest::keyClick(w->dgOrder, Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(m->setData(m->index(indexOf(belt), colToOrder), QStringLiteral("7")));
        QVERIFY(w->dsOrder->isEditing());
        const std::vector<OrderLine> before = w->mtOrder.rows();
        const double total = w->mtOrder.total();
        auto unchanged = [&] {
            QCOMPARE(w->mtOrder.rows().size(), before.size());
            for (size_t i = 0; i < before.size(); ++i)
                QVERIFY(sameLine(w->mtOrder.rows()[i], before[i]));
            QCOMPARE(w->mtOrder.total(), total);
            QCOMPARE(w->dsOrder->editRow(), indexOf(belt));
            QCOMPARE(m->index(indexOf(belt), colToOrder).data().toString(), QStringLiteral("7,00"));
            QVERIFY(w->bbClose->isEnabled() && w->cbSort->isEnabled() && !w->isBusy());
        };

        dm->inside().ibdAE.disconnect();
        build(0);
        QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
        unchanged();
        rec.clear();

        dm->inside().ibdAE.connect();
        int calls = 0;
        QVERIFY_THROWS_EXCEPTION(platform::Failure, order::buildOrder(*dm, 0, std::nullopt, [&](int, int) {
            if (++calls == 3)
                dm->inside().ibdAE.disconnect();
            return true;
        }));
        unchanged();

        // A build that gets through replaces every row, the edit too.
        dm->inside().ibdAE.connect();
        build(0);
        QCOMPARE(rec.texts(), QStringList());
        QVERIFY(!w->dsOrder->isEditing());
        QCOMPARE(ids().size(), 5);
        QCOMPARE(rowOf(belt).toOrder, 5.0);
    }
};

QTEST_MAIN(TestTfmOrder)
#include "tst_tfmorder.moc"
