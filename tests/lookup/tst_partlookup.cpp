// The lookup without a window: typed text in, everything the main window
// shows out, on real databases.

#include "data/Settings.h"
#include "data/TdmMain.h"
#include "lookup/PartLookup.h"
#include "platform/Failure.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/ValueReads.h"

#include <QtTest>

using lookup::Grid;
using lookup::LookupView;
using lookup::Page;
using lookup::PartLookup;

namespace {

// The factors the figures are multiplied with: 1.2 is 1.2000000477 in single
// precision, so 100 × it rounds up to 121.
const data::MarkupFactors kMarkup{1.2f, 1.25f, 1.0f};

QStringList codes(const lookup::PartList& list)
{
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out << list.rows->at(size_t(r)).manufactureCode;
    return out;
}

} // namespace

class TestPartLookup : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> t;
    qint32 bosch = 0, mann = 0, noOe = 0;

    // A search from the page "Поиск", as the window runs it.
    LookupView searched(PartLookup& l, const QString& text, bool substring = false)
    {
        l.setPage(Page::Search);
        if (l.beginSearch(text))
            l.finishSearch(text, substring);
        return l.view();
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        t = std::make_unique<testdb::TestDatabases>();
        const QDateTime d1(QDate(2026, 3, 1), QTime(10, 0));
        const QDateTime d2(QDate(2026, 6, 1), QTime(10, 0));
        bosch = t->addPart({0, "0986452044", "OE-77", "Фильтр масляный Bosch", "W712\r\nHU 716 x", 19.99, 17.5,
                            16.0, 15.0, {}, {}});
        mann = t->addPart({0, "W712", "OE-77", "Фильтр масляный Mann", "", 21.0, 19.0, 18.0, 17.0, {}, {}});
        t->addPart({0, "OC90", "OE-90", "Фильтр Knecht", "", 12.0, 11.0, 10.0, 9.0, {}, {}});
        noOe = t->addPart({0, "OC91", "", "Свеча зажигания", "", 5.0, 4.0, 3.0, 2.0, {}, {}});
        t->addLine(testdb::income(bosch, 6, 80, d1));
        t->addLine(testdb::income(bosch, 4, 100, d2));
        t->addLine(testdb::output(bosch, 3, 150, d2));
        t->addLine(testdb::reserve(bosch, 2, d2));
        t->addLine(testdb::income(noOe, 5, 2, d1));
        t->addLine(testdb::output(noOe, 5, 3, d2));
    }
    void cleanupTestCase() { t.reset(); }

    // One match: the page "Цены" with stock, prices and last-purchase
    // figures; the cross list holds the part and its cross number, whose last
    // row is the current part and names the status bar.
    void aUniqueMatchShowsWhatTheWindowShows()
    {
        PartLookup l(t->dm(), kMarkup);
        const LookupView v = searched(l, QStringLiteral("0986"));
        QCOMPARE(v.page, Page::Prices);
        QCOMPARE(v.grid, Grid::Cross);
        QCOMPARE(v.number, QStringLiteral("0986452044"));
        QCOMPARE(v.stock, QStringLiteral("5,00"));
        QCOMPARE(v.prices, (std::array<QString, 3>{"19,99", "17,5", "15"}));
        QCOMPARE(v.panels, (std::array<QString, 4>{"121", "125", "100", "Фильтр масляный Mann"}));
        QCOMPARE(codes(v.parts), QStringList{"0986452044"});
        QCOMPARE(codes(v.cross), (QStringList{"0986452044", "W712"}));
        QCOMPARE(v.currentPartId, mann);
        QCOMPARE(l.partsCursorRemark(), QStringLiteral("W712\r\nHU 716 x"));
    }

    // The display's rules on values, without a database: the last-purchase
    // figures with the factors the lookup is given, the stock text and when
    // it shows, the prices for a quantity.
    void theDisplayRulesOnValues()
    {
        using Part = testsupport::ValueReads::Part;
        testsupport::ValueReads reads;
        reads.parts = {
            Part{.row = {1, "A-1", "OE-1", "Фильтр", ""}, .prices = data::PriceRow{19.99, 17.5, 15.0},
                 .income = 10.0, .output = 3.0, .reserve = 2.0, .lastPrice = {{100.0}}},
            Part{.row = {2, "B-2", "OE-2", "Ремень", ""}, .income = 1234.567, .lastPrice = {{50.0}}},
            Part{.row = {3, "C-3", "OE-3", "Свеча", ""}, .income = 5.0, .output = 5.0, .lastPrice = {{10.0}}},
            Part{.row = {4, "D-4", "OE-4", "Колодки", ""}},
            Part{.row = {5, "E-5", "OE-5", "Диск", ""}, .income = 2.0, .lastPrice = {std::nullopt}},
        };
        auto shown = [&reads](const QString& text, data::MarkupFactors m = kMarkup) {
            PartLookup l(reads, m);
            l.setPage(Page::Search);
            if (l.beginSearch(text))
                l.finishSearch(text, false);
            return l;
        };
        PartLookup a = shown(QStringLiteral("A-1"));
        QCOMPARE(a.view().stock, QStringLiteral("5,00"));
        QCOMPARE(a.view().panels, (std::array<QString, 4>{"121", "125", "100", "Фильтр"}));
        QCOMPARE(shown(QStringLiteral("A-1"), {2.0f, 1.0f, 0.5f}).view().panels,
                 (std::array<QString, 4>{"200", "100", "50", "Фильтр"}));
        a.quantityChanged(lookup::Rozn, QStringLiteral("3"));
        QCOMPARE(a.view().prices[0], QStringLiteral("60"));
        a.quantityChanged(lookup::Rozn, QStringLiteral("1"));
        QCOMPARE(a.view().prices[0], QStringLiteral("20")); // a whole number, even at 1
        a.quantityChanged(lookup::Opt, QStringLiteral("-1"));
        QCOMPARE(a.view().prices[1], QStringLiteral("-17"));

        QCOMPARE(shown(QStringLiteral("B-2")).view().stock, QStringLiteral("1234,60"));
        const PartLookup c = shown(QStringLiteral("C-3"));
        QCOMPARE(c.view().stock, QStringLiteral("0,00")); // a stock of 0 is a figure
        QCOMPARE(c.view().panels[0], QStringLiteral("13")); // 10 × 1.2000000477 rounds up
        reads.sumsRead = 0;
        const PartLookup d = shown(QStringLiteral("D-4"));
        QVERIFY(d.view().stock.isEmpty()); // never received: no figure
        QCOMPARE(d.view().panels, (std::array<QString, 4>{"", "", "", "Колодки"}));
        QCOMPARE(reads.sumsRead, 1); // nor the output and reserve sums asked
        // A latest income line without a price: no figures, not a made-up 0.
        QCOMPARE(shown(QStringLiteral("E-5")).view().panels, (std::array<QString, 4>{"", "", "", "Диск"}));
    }

    // Several matches list the parts without stock; a blank text clears the
    // display and stops; the substring mode shows nothing by itself.
    void severalBlankAndSubstringSearches()
    {
        PartLookup l(t->dm(), kMarkup);
        LookupView v = searched(l, QStringLiteral("OC"));
        QCOMPARE(codes(v.parts), (QStringList{"OC90", "OC91"}));
        QCOMPARE(v.grid, Grid::Parts);
        QCOMPARE(v.page, Page::Search);
        QVERIFY(v.stock.isEmpty() && v.prices[0].isEmpty());
        QCOMPARE(v.currentPartId, noOe);
        QCOMPARE(v.panels[3], QStringLiteral("Свеча зажигания"));

        QVERIFY(!l.beginSearch(QStringLiteral(" \t")));
        QCOMPARE(l.view().parts.count(), 0);
        QCOMPARE(l.view().currentPartId, 0);
        QVERIFY(l.view().panels[3].isEmpty());

        v = searched(l, QStringLiteral("0986452044"), true);
        QCOMPARE(v.page, Page::Search);
        QVERIFY(v.stock.isEmpty());
        QCOMPARE(codes(v.parts), QStringList{"0986452044"});
        QCOMPARE(v.currentPartId, mann);
    }

    // A copy runs a step alone: what the original shows does not change
    // until the copy is taken back.
    void aCopyWorksAloneUntilTakenBack()
    {
        PartLookup shown(t->dm(), kMarkup);
        searched(shown, QStringLiteral("0986"));
        const auto rows = shown.view().cross.rows;
        PartLookup next = shown;
        searched(next, QStringLiteral("OC"));
        QCOMPARE(shown.view().cross.rows, rows);
        QCOMPARE(shown.view().stock, QStringLiteral("5,00"));
        QCOMPARE(next.view().parts.count(), 2);
        shown = next;
        QCOMPARE(shown.view().currentPartId, noOe);
    }

    // Quantities price the price row, a bad one is refused with the price
    // kept, and a refresh forgets the lists and the row but not the part.
    void quantitiesAndARefresh()
    {
        PartLookup l(t->dm(), kMarkup);
        searched(l, QStringLiteral("0986452044"));
        l.quantityChanged(lookup::Rozn, QStringLiteral("3"));
        QCOMPARE(l.view().prices[0], QStringLiteral("60"));
        try {
            l.quantityChanged(lookup::Special, QStringLiteral("2,5"));
            QFAIL("a decimal quantity was taken");
        } catch (const platform::Failure& f) {
            QCOMPARE(f.text(), QStringLiteral("'2,5' is not a valid integer value"));
        }
        QCOMPARE(l.view().prices[2], QStringLiteral("15"));
        // Another number's prices: the quantities go back to 1 first.
        l.ShowPrices(QStringLiteral("OC90"));
        QCOMPARE(l.view().counts[0], QStringLiteral("1"));
        QCOMPARE(l.view().prices[0], QStringLiteral("12"));

        l.connectionsClosed();
        QCOMPARE(l.view().parts.count() + l.view().cross.count(), 0);
        QCOMPARE(l.view().currentPartId, mann);
        l.quantityChanged(lookup::Rozn, QStringLiteral("4"));
        QCOMPARE(l.view().prices[0], QStringLiteral("0"));
    }

    // A failing step leaves what the steps before it did, and nothing more.
    void aFailedStepKeepsWhatWasDoneBefore()
    {
        PartLookup l(t->dm(), kMarkup);
        searched(l, QStringLiteral("0986"));
        t->dm().inside().ibdAE.disconnect();
        QVERIFY(l.beginSearch(QStringLiteral("OC")));
        QVERIFY_THROWS_EXCEPTION(platform::Failure, l.finishSearch(QStringLiteral("OC"), false));
        QCOMPARE(l.view().parts.count(), 0);
        QVERIFY(l.view().stock.isEmpty());
        QCOMPARE(l.view().number, QStringLiteral("OC"));
        t->dm().connectEnterprise();
    }

    // Double clicks: a part without an OE number shows its stock and prices;
    // one with an OE number shows its cross numbers and keeps the page; a
    // cross number becomes the part shown.
    void doubleClicks()
    {
        PartLookup l(t->dm(), kMarkup);
        searched(l, QStringLiteral("OC"));
        l.moveParts(1);
        l.partsDoubleClicked();
        QCOMPARE(l.view().page, Page::Prices);
        QCOMPARE(l.view().stock, QStringLiteral("0,00"));
        QCOMPARE(l.view().number, QStringLiteral("OC91"));

        searched(l, QStringLiteral("OC"));
        l.moveParts(0);
        l.partsDoubleClicked();
        QCOMPARE(l.view().page, Page::Search);
        QCOMPARE(l.view().grid, Grid::Cross);
        QCOMPARE(l.view().prices[0], QStringLiteral("12"));

        searched(l, QStringLiteral("0986452044"));
        l.moveCross(0);
        l.crossDoubleClicked();
        QCOMPARE(l.view().number, QStringLiteral("0986452044"));
        QCOMPARE(l.view().currentPartId, bosch);
        QCOMPARE(l.view().stock, QStringLiteral("5,00"));
    }
};

QTEST_GUILESS_MAIN(TestPartLookup)
#include "tst_partlookup.moc"
