// The currency table of the price database: editing, inserting, storing,
// cancelling, reading back and the missing delete, on a real database.

#include "data/TdmMain.h"
#include "tests/support/TestDatabases.h"

#include <QTest>

using data::CurrencyTable;
using namespace testdb;

class TestCurrency : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabases> t_;

    CurrencyTable& table() { return t_->dm().inside().taCurrency; }

    // The rows as the database holds them now, seen from another connection,
    // so only committed changes show.
    QStringList stored()
    {
        const QString order = QStringLiteral(" FROM CURRENCY ORDER BY CUNAME NULLS FIRST, CURATE");
        const auto names = t_->column(Db::Price, "SELECT CUNAME" + order);
        const auto rates = t_->column(Db::Price, "SELECT CURATE" + order);
        QStringList out;
        for (size_t i = 0; i < names.size(); ++i)
            out << (fb::isNull(names[i]) ? QStringLiteral("<null>") : std::get<QString>(names[i])) + "=" +
                       (fb::isNull(rates[i]) ? QStringLiteral("<null>") : QString::number(std::get<double>(rates[i])));
        return out;
    }

    static QString name(CurrencyTable& c, int row)
    {
        const fb::Value v = c.value(row, CurrencyTable::kName);
        return fb::isNull(v) ? QStringLiteral("<null>") : std::get<QString>(v);
    }

private slots:
    void init()
    {
        t_ = std::make_unique<TestDatabases>();
        t_->addCurrency({"USD", 30.25});
        t_->addCurrency({"EUR", 41.5});
        QCOMPARE(table().rowCount(), 2);
    }

    void cleanup() { t_.reset(); }

    // A renamed row is found by the name it was read with and keeps its
    // place; the change is committed at once.
    void renameKeepsTheRow()
    {
        CurrencyTable& c = table();
        c.moveTo(1);
        c.setValue(CurrencyTable::kName, QStringLiteral("EURO"));
        QCOMPARE(c.state(), CurrencyTable::State::Edit);
        QCOMPARE(name(c, 1), QStringLiteral("EURO"));
        QCOMPARE(stored(), QStringList({"EUR=41.5", "USD=30.25"}));
        c.post();
        QCOMPARE(c.state(), CurrencyTable::State::Browse);
        QCOMPARE(stored(), QStringList({"EURO=41.5", "USD=30.25"}));
        QCOMPARE(c.rowCount(), 2);
    }

    void insertWithEmptyNameStoresNull()
    {
        CurrencyTable& c = table();
        c.insert(c.rowCount());
        QCOMPARE(c.rowCount(), 3);
        c.setValue(CurrencyTable::kName, QString(""));
        c.setValue(CurrencyTable::kRate, 2.0);
        c.post();
        QCOMPARE(stored(), QStringList({"<null>=2", "EUR=41.5", "USD=30.25"}));
        QCOMPARE(name(c, 2), QStringLiteral("<null>"));
    }

    void cancelDropsTheChange()
    {
        CurrencyTable& c = table();
        c.edit(0);
        c.setValue(CurrencyTable::kRate, 99.0);
        c.cancel();
        QCOMPARE(std::get<double>(c.value(0, CurrencyTable::kRate)), 30.25);
        c.insert(1);
        QCOMPARE(c.rowCount(), 3);
        c.cancel();
        QCOMPARE(c.rowCount(), 2);
        QCOMPARE(name(c, 1), QStringLiteral("EUR"));
        QCOMPARE(stored(), QStringList({"EUR=41.5", "USD=30.25"}));
    }

    // Inserting while a row is being edited stores that row first.
    void insertPostsThePendingEdit()
    {
        CurrencyTable& c = table();
        c.edit(0);
        c.setValue(CurrencyTable::kRate, 31.0);
        c.insert(2);
        QCOMPARE(c.state(), CurrencyTable::State::Insert);
        QCOMPARE(stored(), QStringList({"EUR=41.5", "USD=31"}));
    }

    // The row is read back after storing: what the database made of it shows.
    void postReadsTheRowBack()
    {
        t_->exec(Db::Price, "CREATE TRIGGER CURRENCY_ROUND FOR CURRENCY BEFORE INSERT OR UPDATE AS "
                            "BEGIN NEW.CURATE = ROUND(NEW.CURATE, 2); END");
        CurrencyTable& c = table();
        c.insert(c.rowCount());
        c.setValue(CurrencyTable::kName, QStringLiteral("CNY"));
        c.setValue(CurrencyTable::kRate, 5.12345);
        c.post();
        QCOMPARE(std::get<double>(c.value(2, CurrencyTable::kRate)), 5.12);
        c.edit(0);
        c.setValue(CurrencyTable::kRate, 30.999);
        c.post();
        QCOMPARE(std::get<double>(c.value(0, CurrencyTable::kRate)), 31.0);
    }

    void deleteIsRefused()
    {
        CurrencyTable& c = table();
        QVERIFY_THROWS_EXCEPTION(fb::Error, c.remove(0));
        QCOMPARE(c.rowCount(), 2);
        QCOMPARE(stored(), QStringList({"EUR=41.5", "USD=30.25"}));
    }

    // A row edit out of range is refused with an error and changes nothing:
    // the table's rows are never written outside their store.
    void rowEditsOutOfRangeAreRefused()
    {
        fb::Query& q = table().select;
        QVERIFY_THROWS_EXCEPTION(fb::Error, q.replaceRow(-1, {QStringLiteral("X"), 1.0}));
        QVERIFY_THROWS_EXCEPTION(fb::Error, q.replaceRow(2, {QStringLiteral("X"), 1.0}));
        QVERIFY_THROWS_EXCEPTION(fb::Error, q.insertRow(3, {QStringLiteral("X"), 1.0}));
        QVERIFY_THROWS_EXCEPTION(fb::Error, q.removeRow(-1));
        QVERIFY_THROWS_EXCEPTION(fb::Error, q.removeRow(2));
        QCOMPARE(table().rowCount(), 2);
        q.insertRow(2, {QStringLiteral("X"), 1.0}); // at the end: appends
        QCOMPARE(name(table(), 2), QStringLiteral("X"));
        q.removeRow(2);
        QCOMPARE(table().rowCount(), 2);
    }

    // A posted change survives closing and reopening (and reconnecting); an
    // edit never posted does not.
    void reopenShowsWhatWasStored()
    {
        data::TdmMain& dm = t_->dm();
        dm.inside().taCurrency.edit(0);
        dm.inside().taCurrency.setValue(CurrencyTable::kRate, 33.0);
        dm.inside().taCurrency.post();
        dm.inside().taCurrency.edit(1);
        dm.inside().taCurrency.setValue(CurrencyTable::kRate, 1.0);
        dm.inside().dbMain.disconnect();
        QVERIFY(!dm.inside().taCurrency.isOpen());
        QCOMPARE(dm.inside().taCurrency.state(), CurrencyTable::State::Browse);
        dm.inside().dbMain.connect(); // reopens the table
        QCOMPARE(dm.inside().taCurrency.rowCount(), 2);
        QCOMPARE(std::get<double>(dm.inside().taCurrency.value(0, CurrencyTable::kRate)), 33.0);
        QCOMPARE(std::get<double>(dm.inside().taCurrency.value(1, CurrencyTable::kRate)), 41.5);
    }

    // A store that fails leaves the row in editing with what was typed.
    void failedPostKeepsEditing()
    {
        CurrencyTable& c = table();
        c.edit(0);
        c.setValue(CurrencyTable::kName, QStringLiteral("TOOLONGNAME1"));
        QVERIFY_THROWS_EXCEPTION(fb::Error, c.post());
        QCOMPARE(c.state(), CurrencyTable::State::Edit);
        QCOMPARE(name(c, 0), QStringLiteral("TOOLONGNAME1"));
        c.setValue(CurrencyTable::kName, QStringLiteral("USDT"));
        c.post();
        QCOMPARE(stored(), QStringList({"EUR=41.5", "USDT=30.25"}));
    }

    // A row without a name cannot be found by the update: the change is
    // refused instead of being shown as stored and then lost.
    void rowWithoutNameIsNotSilentlyLost()
    {
        t_->addCurrency({QString(), 7.0});
        CurrencyTable& c = table();
        c.close();
        c.open();
        const int row = name(c, 0) == "<null>" ? 0 : name(c, 1) == "<null>" ? 1 : 2;
        c.edit(row);
        c.setValue(CurrencyTable::kRate, 8.0);
        QVERIFY_THROWS_EXCEPTION(fb::Error, c.post());
        QCOMPARE(c.state(), CurrencyTable::State::Edit);
        c.cancel();
        QCOMPARE(std::get<double>(c.value(row, CurrencyTable::kRate)), 7.0);
    }
};

QTEST_GUILESS_MAIN(TestCurrency)
#include "tst_currency.moc"
