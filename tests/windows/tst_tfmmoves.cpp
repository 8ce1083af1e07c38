#include "windows/MovesModel.h"
#include "data/TdmMain.h"
#include "platform/Dialogs.h"
#include "tests/support/TestDatabases.h"
#include "windows/MovesFormat.h"
#include "windows/TfmMoves.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using windows::TfmMoves;

namespace {

QDateTime at(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute));
}

platform::Regional russian()
{
    platform::Regional r;
    r.decimalSeparator = u',';
    r.thousandSeparator = QChar(0x00A0);
    r.timeSeparator = u':';
    return r;
}

platform::Regional english()
{
    platform::Regional r;
    r.decimalSeparator = u'.';
    r.thousandSeparator = u',';
    r.timeSeparator = u':';
    r.amText = QStringLiteral("AM");
    r.pmText = QStringLiteral("PM");
    return r;
}

} // namespace

class TestTfmMoves : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> tdb_;
    qint32 part_ = 0;  // six movements
    qint32 empty_ = 0; // none

    data::TdmMain& dm() { return tdb_->dm(); }

    // A document line of part_ with its own header.
    void move(int day, qint32 docNumber, const QString& in, const QString& out, double counts = 1)
    {
        testdb::Document d;
        d.number = docNumber;
        d.date = at(day, 9);
        d.extra = {{QStringLiteral("NAMECONTRAGENTIN"), in}, {QStringLiteral("NAMECONTRAGENTOUT"), out}};
        testdb::Line l = testdb::income(part_, counts, 100.0, at(day, 14, 5));
        l.doc = tdb_->addDocument(d);
        l.currencyShort = QStringLiteral("EUR");
        l.summCurrency = 2.5;
        l.summ = 1234.5;
        tdb_->addLine(l);
    }
    static void type(QLineEdit* ed, const QString& text)
    {
        for (QChar c : text)
            ed->setText(ed->text() + c); // one change per character, as typing gives
    }
    static int row(TfmMoves& w) { return w.DBGridEh1->currentIndex().row(); }
    static QString cell(TfmMoves& w, int r, int c)
    {
        return w.dsMovements->data(w.dsMovements->index(r, c), Qt::DisplayRole).toString();
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        tdb_ = std::make_unique<testdb::TestDatabases>();
        part_ = tdb_->addPart({.manufactureCode = "0451103079", .name = "Фильтр масляный"});
        empty_ = tdb_->addPart({.manufactureCode = "NOMOVES"});
        // Added out of date order: the window shows them oldest first.
        move(3, 7, "ООО Вектор", "Склад");
        move(1, 5, "ООО Ромашка", "Склад", 1234.5);
        move(2, 12, "ИП Петров", "Магазин");
        move(4, 70, "ООО Зенит", "Склад");
        move(5, 7, "ООО Альфа", "Касса");
        move(6, 8, "ООО Бета", "Склад");
    }
    void cleanupTestCase() { tdb_.reset(); }

    // Oldest first, the first row current, its contractors shown; the cells
    // in their display forms.
    void showsTheRowsOldestFirst()
    {
        TfmMoves w(dm(), part_);
        QCOMPARE(w.dsMovements->rowCount(), 6);
        QCOMPARE(row(w), 0);
        QCOMPARE(w.dbtCont1->text(), QStringLiteral("ООО Ромашка"));
        QCOMPARE(w.dbtCont2->text(), QStringLiteral("Склад"));
        QCOMPARE(cell(w, 0, 0), QStringLiteral("01.03.2024 02:05 "));
        QCOMPARE(cell(w, 0, 1), QStringLiteral("1\u00A0234,500")); // COUNTS keeps three decimals
        QCOMPARE(cell(w, 0, 2), QStringLiteral("EUR"));
        QCOMPARE(cell(w, 0, 3), QStringLiteral("2,50"));
        QCOMPARE(cell(w, 0, 4), QStringLiteral("100,00"));
        QCOMPARE(cell(w, 0, 5), QStringLiteral("1234,50"));
    }

    void formats()
    {
        using windows::movementCount;
        using windows::movementDate;
        QCOMPARE(movementDate(at(9, 0, 7), russian()), QStringLiteral("09.03.2024 12:07 "));
        QCOMPARE(movementDate(at(9, 12, 30), english()), QStringLiteral("09.03.2024 12:30 PM"));
        QCOMPARE(movementDate(QDateTime(), english()), QString());
        QCOMPARE(movementCount(-1234567.5, -3, english()), QStringLiteral("-1,234,567.500"));
        QCOMPARE(movementCount(2.5, 0, russian()), QStringLiteral("2,5"));
        QCOMPARE(windows::movementMoney(0.125, english()), QStringLiteral("0.13"));
    }

    // The search looks only below the current row, for the whole text as a
    // whole number, and stops on the first match.
    void documentSearch()
    {
        TfmMoves w(dm(), part_);
        // rows: 0 doc 5, 1 doc 12, 2 doc 7, 3 doc 70, 4 doc 7, 5 doc 8
        type(w.edDocNum, "5"); // only in the first, current row
        QCOMPARE(row(w), 0);
        w.sbClearClick();
        type(w.edDocNum, "abc");
        QCOMPARE(row(w), 0);
        w.sbClear->click();
        QCOMPARE(w.edDocNum->text(), QString());

        type(w.edDocNum, "12");
        QCOMPARE(row(w), 1);
        QCOMPARE(w.dbtCont1->text(), QStringLiteral("ИП Петров"));
        w.sbClear->click();
        QCOMPARE(row(w), 1);

        type(w.edDocNum, "7"); // the nearer of the two
        QCOMPARE(row(w), 2);
        type(w.edDocNum, "0"); // 70 searches on from there
        QCOMPARE(row(w), 3);
        w.sbClear->click();
        type(w.edDocNum, "007"); // leading zeros read as 7: the farther one now
        QCOMPARE(row(w), 4);
        QCOMPARE(w.dbtCont1->text(), QStringLiteral("ООО Альфа"));
        QCOMPARE(w.dbtCont2->text(), QStringLiteral("Касса"));

        w.sbClear->click();
        type(w.edDocNum, "5"); // no wrapping to the top
        QCOMPARE(row(w), 4);
    }

    void matchRule()
    {
        using windows::documentMatches;
        QVERIFY(documentMatches("007", false, 7));
        QVERIFY(documentMatches("-3", false, -3));
        QVERIFY(!documentMatches("7 ", false, 7));
        QVERIFY(!documentMatches("", false, 0));
        QVERIFY(documentMatches("", true, 0)); // empty text meets only a row without a number
        QVERIFY(!documentMatches("0", true, 0));
    }

    // The contractor texts follow every cursor move of the grid.
    void contractorsFollowTheGrid()
    {
        TfmMoves w(dm(), part_);
        w.show();
        w.DBGridEh1->setFocus();
        QTest::keyClick(w.DBGridEh1, Qt::Key_Down);
        QCOMPARE(row(w), 1);
        QCOMPARE(w.dbtCont1->text(), QStringLiteral("ИП Петров"));
        QCOMPARE(w.dbtCont2->text(), QStringLiteral("Магазин"));
        const QRect last = w.DBGridEh1->visualRect(w.dsMovements->index(5, 1));
        QVERIFY(w.DBGridEh1->viewport()->rect().contains(last.center()));
        QTest::mouseClick(w.DBGridEh1->viewport(), Qt::LeftButton, {}, last.center());
        QCOMPARE(row(w), 5);
        QCOMPARE(w.dbtCont1->text(), QStringLiteral("ООО Бета"));

        // Closed, the window follows the query no more; the query stays open
        // on the part's rows for the next opener.
        w.close();
        dm().inside().ibqMovements.moveTo(0);
        QCOMPARE(w.dbtCont1->text(), QStringLiteral("ООО Бета"));
        QVERIFY(dm().inside().ibqMovements.isOpen() && dm().inside().ibqMovements.recordCount() == 6);
    }

    void partWithoutMovements()
    {
        TfmMoves w(dm(), empty_);
        QVERIFY(w.loaded());
        QCOMPARE(w.dsMovements->rowCount(), 0);
        QCOMPARE(w.dbtCont1->text() + w.dbtCont2->text(), QString());
        type(w.edDocNum, "7");
        QTimer::singleShot(0, &w, [&w]() { w.close(); });
        QTimer::singleShot(5000, &w, [&w]() { w.hide(); });
        QCOMPARE(w.exec(), int(QDialog::Rejected));
    }

    // Receipts in the legend's receipt colour as text, issues on the legend's
    // window colour; a reserve and a line of no direction in the grid's own.
    void receiptsAndIssuesInTheirLegendColours()
    {
        const qint32 part = tdb_->addPart({.manufactureCode = "COLOURS"});
        tdb_->addLine(testdb::income(part, 5, 10.0, at(10, 9)));
        tdb_->addLine(testdb::output(part, 2, 15.0, at(11, 9)));
        tdb_->addLine(testdb::reserve(part, 1, at(12, 9)));
        testdb::Line unknown = testdb::income(part, 1, 1.0, at(13, 9));
        unknown.direction = std::nullopt;
        tdb_->addLine(unknown);

        TfmMoves w(dm(), part);
        QCOMPARE(w.dsMovements->rowCount(), 4);
        auto colour = [&w](int row, int role) {
            return w.dsMovements->data(w.dsMovements->index(row, 1), role);
        };
        const QColor receipt = w.paRedColor->palette().color(QPalette::Window);
        const QColor window = w.Panel2->palette().color(QPalette::Window);
        QCOMPARE(receipt, QColor(255, 0, 0));
        QCOMPARE(colour(0, Qt::ForegroundRole).value<QColor>(), receipt);
        QVERIFY(!colour(0, Qt::BackgroundRole).isValid()); // red text on the ordinary background
        QCOMPARE(colour(1, Qt::BackgroundRole).value<QColor>(), window);
        QVERIFY(!colour(1, Qt::ForegroundRole).isValid());
        for (int row : {2, 3}) {
            QVERIFY(!colour(row, Qt::ForegroundRole).isValid());
            QVERIFY(!colour(row, Qt::BackgroundRole).isValid());
        }
        // Every column of a row alike.
        QCOMPARE(w.dsMovements->data(w.dsMovements->index(0, 5), Qt::ForegroundRole).value<QColor>(), receipt);
    }

    // Each opening reads the rows again.
    void reopeningReloads()
    {
        {
            TfmMoves w(dm(), part_);
            QCOMPARE(w.dsMovements->rowCount(), 6);
        }
        move(7, 99, "ООО Новый", "Склад");
        TfmMoves w(dm(), part_);
        QCOMPARE(w.dsMovements->rowCount(), 7);
        QCOMPARE(cell(w, 6, 0).left(10), QStringLiteral("07.03.2024"));
    }

    // A failed read is reported and the window is never shown.
    void failedOpeningShowsNothing()
    {
        platform::DialogRecorder rec;
        data::TdmMain& d = dm();
        d.inside().ibdAE.disconnect();
        TfmMoves w(d, part_);
        QVERIFY(!w.loaded());
        QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
        bool shown = false;
        QTimer::singleShot(0, &w, [&]() {
            shown = w.isVisible();
            w.hide();
        });
        QCOMPARE(w.exec(), int(QDialog::Rejected));
        QVERIFY(!shown);
        QCOMPARE(w.dsMovements->rowCount(), 0);
    }
};

QTEST_MAIN(TestTfmMoves)
#include "tst_tfmmoves.moc"
