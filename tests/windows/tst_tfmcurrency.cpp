#include "data/TdmMain.h"
#include "windows/TfmCurrency.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"
#include "tests/support/BusyLine.h"
#include "tests/support/TestDatabases.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using data::CurrencyTable;
using windows::TfmCurrency;
using testdb::Db;

class TestTfmCurrency : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> tdb_;

    data::TdmMain& dm() { return tdb_->dm(); }

    static QString cell(TfmCurrency& w, int row, int column)
    {
        return w.dsCurrency->data(w.dsCurrency->index(row, column), Qt::DisplayRole).toString();
    }
    static int rowOf(TfmCurrency& w, const QString& name)
    {
        for (int r = 0; r < w.dsCurrency->rowCount(); ++r)
            if (cell(w, r, 0) == name)
                return r;
        return -1;
    }
    // Types into a cell as a user does: the first key opens the editor, the
    // rest go to it. Returns the open editor.
    static QLineEdit* typeInto(TfmCurrency& w, int row, int column, const QString& text)
    {
        w.dgCurrency->setCurrentIndex(w.dsCurrency->index(row, column));
        QTest::keyClick(w.dgCurrency, Qt::Key_A, Qt::NoModifier); // opens the editor over the old text
        auto* editor = qobject_cast<QLineEdit*>(w.delegate->openEditor());
        if (!editor)
            return nullptr;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        return editor;
    }
    qint64 count(const QString& where)
    {
        return qint64(tdb_->column(Db::Price, "SELECT CUNAME FROM CURRENCY WHERE " + where).size());
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        tdb_ = std::make_unique<testdb::TestDatabases>();
        tdb_->addCurrency({QStringLiteral("USD"), 30.25});
        tdb_->addCurrency({QStringLiteral("EUR"), 41.5});
        tdb_->addCurrency({QStringLiteral("RUB"), 1});
    }
    void cleanup() { tdb_.reset(); }

    void showsTheTable()
    {
        TfmCurrency w(dm());
        QCOMPARE(w.dsCurrency->rowCount(), 3);
        QCOMPARE(w.dsCurrency->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Наименование"));
        QCOMPARE(w.dgCurrency->columnWidth(0), 155);
        QCOMPARE(cell(w, rowOf(w, "USD"), 1), QStringLiteral("30,25")); // the locale's separator
    }

    // The update finds the row by the name it had when read, so a renamed
    // currency keeps its row; the change is committed at once and survives
    // a re-read.
    void renameKeepsItsRow()
    {
        TfmCurrency w(dm());
        w.show();
        const int eur = rowOf(w, "EUR");
        QLineEdit* ed = typeInto(w, eur, 0, QStringLiteral("EURO"));
        QVERIFY(ed);
        QCOMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Browse); // nothing begins before the cell is left
        QTest::keyClick(ed, eur == 0 ? Qt::Key_Down : Qt::Key_Up); // to another row: the row is stored
        QTRY_COMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Browse);
        QCOMPARE(count("CUNAME = 'EUR'"), 0);
        QCOMPARE(count("CUNAME = 'EURO' AND CURATE = 41.5"), 1);
        QCOMPARE(count("1 = 1"), 3);

        w.dnCurrencyClick(TfmCurrency::nbRefresh);
        QCOMPARE(w.dsCurrency->rowCount(), 3);
        QVERIFY(rowOf(w, "EURO") >= 0);
        QCOMPARE(rowOf(w, "EUR"), -1);
    }

    // Moving down past the last row begins a new row; an empty name is stored as NULL.
    void newRowWithEmptyName()
    {
        platform::DialogRecorder rec;
        TfmCurrency w(dm());
        w.show();
        w.dgCurrency->setCurrentIndex(w.dsCurrency->index(2, 1));
        QTest::keyClick(w.dgCurrency, Qt::Key_Down);
        QCOMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Insert);
        QCOMPARE(w.dsCurrency->rowCount(), 4);
        QCOMPARE(w.dgCurrency->currentIndex().row(), 3);

        // A second Down on the still empty new row adds nothing.
        QTest::keyClick(w.dgCurrency, Qt::Key_Down);
        QCOMPARE(w.dsCurrency->rowCount(), 4);

        QLineEdit* ed = typeInto(w, 3, 1, QStringLiteral("12,5"));
        QVERIFY(ed);
        emit w.delegate->commitData(ed);
        w.button(TfmCurrency::nbPost)->click();
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Browse);
        QCOMPARE(count("CUNAME IS NULL AND CURATE = 12.5"), 1);
        QCOMPARE(count("CUNAME = ''"), 0);
    }

    // Leaving a new row nobody typed into drops it.
    void untouchedNewRowIsDropped()
    {
        TfmCurrency w(dm());
        w.show();
        w.dgCurrency->setCurrentIndex(w.dsCurrency->index(1, 0));
        w.dnCurrencyClick(TfmCurrency::nbInsert);
        QCOMPARE(w.dsCurrency->rowCount(), 4);
        QCOMPARE(w.dgCurrency->currentIndex().row(), 1);
        w.dnCurrencyClick(TfmCurrency::nbLast);
        QCOMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Browse);
        QCOMPARE(w.dsCurrency->rowCount(), 3);
        QCOMPARE(w.dgCurrency->currentIndex().row(), 2);
        QCOMPARE(count("1 = 1"), 3);
    }

    void deleteIsRefused()
    {
        platform::DialogRecorder rec;
        TfmCurrency w(dm());
        w.show();
        w.dgCurrency->setCurrentIndex(w.dsCurrency->index(0, 0));
        w.button(TfmCurrency::nbDelete)->click();
        QCOMPARE(rec.texts(platform::BoxKind::Confirm), QStringList{QStringLiteral("Удалить запись?")});
        QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
        QCOMPARE(w.dsCurrency->rowCount(), 3);
        QCOMPARE(count("1 = 1"), 3);

        rec.clear();
        rec.confirmAnswer = false;
        w.button(TfmCurrency::nbDelete)->click();
        QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 0);
    }

    // A rate that is not a number is refused with a message, comes back into
    // its editor as typed, and nothing is stored or moved.
    void badRateLosesNothing()
    {
        platform::DialogRecorder rec;
        TfmCurrency w(dm());
        w.show();
        const int usd = rowOf(w, "USD");
        const int other = usd == 0 ? 1 : 0;
        QLineEdit* ed = typeInto(w, usd, 1, QStringLiteral("3O,1"));
        QVERIFY(ed);
        QTest::keyClick(ed, usd == 0 ? Qt::Key_Down : Qt::Key_Up);
        QTRY_COMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
        QVERIFY(rec.texts(platform::BoxKind::Error).first().contains(QStringLiteral("3O,1")));
        QCOMPARE(w.dgCurrency->currentIndex(), w.dsCurrency->index(usd, 1));
        ed = qobject_cast<QLineEdit*>(w.delegate->openEditor());
        QVERIFY(ed);
        QCOMPARE(ed->text(), QStringLiteral("3O,1"));
        QCOMPARE(count("CUNAME = 'USD' AND CURATE = 30.25"), 1);

        // Corrected, it is stored on leaving the row.
        ed->setText(QStringLiteral("31,5"));
        QTest::keyClick(ed, usd == 0 ? Qt::Key_Down : Qt::Key_Up);
        QTRY_COMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Browse);
        QCOMPARE(w.dgCurrency->currentIndex().row(), other);
        QCOMPARE(count("CUNAME = 'USD' AND CURATE = 31.5"), 1);
        QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
    }

    // A store the database refuses is reported and the row stays in editing
    // on screen; cancel brings the stored values back.
    void failedStoreKeepsRowInEditing()
    {
        tdb_->exec(Db::Price, QStringLiteral("ALTER TABLE CURRENCY ADD CONSTRAINT RATE_NOT_NEGATIVE CHECK (CURATE >= 0)"));
        platform::DialogRecorder rec;
        TfmCurrency w(dm());
        w.show();
        const int rub = rowOf(w, "RUB");
        QLineEdit* ed = typeInto(w, rub, 1, QStringLiteral("-2"));
        QVERIFY(ed);
        QTest::keyClick(ed, rub == 0 ? Qt::Key_Down : Qt::Key_Up);
        QTRY_COMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
        QVERIFY(rec.texts(platform::BoxKind::Error).first().contains(QStringLiteral("RATE_NOT_NEGATIVE")));
        QCOMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Edit);
        QCOMPARE(w.dgCurrency->currentIndex().row(), rub);
        QCOMPARE(cell(w, rub, 1), QStringLiteral("-2"));

        w.button(TfmCurrency::nbCancel)->click();
        QCOMPARE(dm().inside().taCurrency.state(), CurrencyTable::State::Browse);
        QCOMPARE(cell(w, rub, 1), QStringLiteral("1"));
        QCOMPARE(count("CUNAME = 'RUB' AND CURATE = 1"), 1);
    }

    // Closing with a change not yet stored asks about it: Да stores it as
    // leaving the row would (a rate still in its cell editor counts), Нет
    // drops it; a store that fails keeps the window open with the change, and
    // a new row nobody typed into closes without a word.
    void closingAsksAboutAChangeNotYetStored()
    {
        tdb_->exec(Db::Price, QStringLiteral("ALTER TABLE CURRENCY ADD CONSTRAINT RATE_NOT_NEGATIVE CHECK (CURATE >= 0)"));
        platform::DialogRecorder rec;
        data::CurrencyTable& table = dm().inside().taCurrency;
        {
            TfmCurrency w(dm());
            w.show();
            QVERIFY(typeInto(w, rowOf(w, "USD"), 0, QStringLiteral("DOLLAR"))); // still in its editor
            w.close();
            QCOMPARE(rec.texts(platform::BoxKind::Confirm), QStringList{QStringLiteral("Сохранить изменения?")});
            QVERIFY(!w.isVisible());
            QCOMPARE(table.state(), CurrencyTable::State::Browse);
            QCOMPARE(count("CUNAME = 'DOLLAR'"), 1);
        }
        rec.clear();
        rec.confirmAnswer = false;
        {
            TfmCurrency w(dm());
            w.show();
            const int eur = rowOf(w, "EUR");
            QLineEdit* ed = typeInto(w, eur, 1, QStringLiteral("99"));
            QVERIFY(ed);
            emit w.delegate->commitData(ed);
            w.close();
            QCOMPARE(rec.texts(platform::BoxKind::Confirm).size(), 1);
            QVERIFY(!w.isVisible());
            QCOMPARE(table.state(), CurrencyTable::State::Browse);
            QCOMPARE(cell(w, eur, 1), QStringLiteral("41,5"));
            QCOMPARE(count("CUNAME = 'EUR' AND CURATE = 41.5"), 1);
        }
        rec.clear();
        rec.confirmAnswer = true;
        {
            TfmCurrency w(dm());
            w.show();
            const int rub = rowOf(w, "RUB");
            QLineEdit* ed = typeInto(w, rub, 1, QStringLiteral("-2"));
            QVERIFY(ed);
            emit w.delegate->commitData(ed);
            w.close();
            QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 1); // the database refuses it
            QVERIFY(w.isVisible());
            QCOMPARE(table.state(), CurrencyTable::State::Edit);
            w.dnCurrencyClick(TfmCurrency::nbCancel);
            rec.clear();
            w.dnCurrencyClick(TfmCurrency::nbInsert);
            w.close();
            QCOMPARE(rec.texts(), QStringList());
            QVERIFY(!w.isVisible());
            QCOMPARE(w.dsCurrency->rowCount(), 3);
        }
    }

    // A rate changed and Down pressed three times at once, as a fast typist
    // does, while the store waits for the server: the change is stored once,
    // no box comes, and the cursor ends three rows further, every time.
    void quickMovesAfterAChangeStoreItOnce()
    {
        tdb_->addCurrency({QStringLiteral("CNY"), 4.5});
        tdb_->addCurrency({QStringLiteral("KZT"), 0.08});
        platform::DialogRecorder rec;
        data::TdmMain& d = dm();
        TfmCurrency w(d);
        w.show();
        const int eur = rowOf(w, "EUR");
        QCOMPARE(w.dsCurrency->rowCount(), 5);
        QVERIFY(eur + 3 < 5);
        for (int attempt = 0; attempt < 6; ++attempt) {
            const QString rate = QString::number(55 + attempt);
            QLineEdit* ed = typeInto(w, eur, 1, rate);
            QVERIFY(ed);
            {
                testsupport::BusyLine busy(d.inside().dbMain, 150);
                QTest::keyClick(ed, Qt::Key_Down);
                QTest::keyClick(w.dgCurrency, Qt::Key_Down);
                QTest::keyClick(w.dgCurrency, Qt::Key_Down);
                QTRY_COMPARE(d.inside().taCurrency.state(), CurrencyTable::State::Browse);
            }
            QTRY_COMPARE(w.dgCurrency->currentIndex().row(), eur + 3);
            QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join('|')));
            QCOMPARE(count("CUNAME = 'EUR'"), 1);
            QCOMPARE(count("CUNAME = 'EUR' AND CURATE = " + rate), 1);
            QCOMPARE(cell(w, eur, 1), rate);
        }
    }

    // A cell editor hands its text to the grid when the focus leaves it,
    // which is no input and may come while another command waits for the
    // server: the change comes after that command, not inside it.
    void anEditorCommitDuringAWaitComesAfterIt()
    {
        data::TdmMain& d = dm();
        TfmCurrency w(d);
        w.show();
        const int usd = rowOf(w, "USD");
        QLineEdit* ed = typeInto(w, usd, 0, QStringLiteral("DOLLAR"));
        QVERIFY(ed);
        CurrencyTable::State during = CurrencyTable::State::Insert;
        QTimer::singleShot(50, &w, [&] {
            emit w.delegate->commitData(ed);
            during = d.inside().taCurrency.state();
        });
        {
            testsupport::BusyLine busy(d.inside().dbMain, 300);
            QVERIFY(platform::guarded([&d] { d.fetchEuroRate(); })); // another command, waiting
        }
        QCOMPARE(during, CurrencyTable::State::Browse);
        QCOMPARE(d.inside().taCurrency.state(), CurrencyTable::State::Edit);
        QCOMPARE(cell(w, usd, 0), QStringLiteral("DOLLAR"));
        w.dnCurrencyClick(TfmCurrency::nbCancel);
    }

    // The price database not connected: nothing to show, and storing is refused.
    void closedTableRefusesEdits()
    {
        platform::DialogRecorder rec;
        data::TdmMain& d = dm();
        d.inside().dbMain.disconnect();
        TfmCurrency w(d);
        QCOMPARE(w.dsCurrency->rowCount(), 0);
        w.dnCurrencyClick(TfmCurrency::nbInsert);
        QCOMPARE(rec.texts(platform::BoxKind::Error).size(), 1);
        QCOMPARE(w.dsCurrency->rowCount(), 0);
    }
};

QTEST_MAIN(TestTfmCurrency)
#include "tst_tfmcurrency.moc"
