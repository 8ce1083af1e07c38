#pragma once

// What the data module hands out and takes back: plain values, and the narrow
// sets of reads the lookup and the order build depend on. Nothing here names
// a statement, a connection or a thread.

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace data {

// One row of the part list or the cross list; a missing text reads as empty.
struct PartRow {
    qint32 id = 0;
    QString manufactureCode, number, name, remark;
};

// The stored selling prices of one maker's number; a missing price is none.
struct PriceRow {
    std::optional<double> rozn, opt, special; // PRICER, PRICEMO, PRICES
};

// A part whose minimum stock puts it under replenishment.
struct MinStockPart {
    qint32 id = 0;
    QString name, manufactureCode, number; // a missing text reads as empty
    double minStock = 0;
};

// A warehouse the order window offers.
struct Warehouse {
    std::optional<QString> code; // GROUPNAME; a missing one cannot be chosen by code
    QString name;
};

// One goods movement of a part: a document line with its document.
struct MovementRow {
    QDateTime date;                              // DATEIN; invalid: missing
    std::optional<double> counts;                // COUNTS
    QString currency;                            // CURRENCYSHORT
    std::optional<double> priceCurrency;         // SUMMCURRENCY
    std::optional<double> price;                 // PRICE
    std::optional<double> sum;                   // SUMM
    std::optional<qint32> document;              // the header's NUMBER
    std::optional<qint32> direction;             // DIRECTION
    QString contractorIn, contractorOut;         // NAMECONTRAGENTIN, NAMECONTRAGENTOUT
};

struct Movements {
    std::vector<MovementRow> rows; // oldest first
    // Decimals the database keeps COUNTS with (0: a floating number).
    int countsScale = 0;
};

// A row of the currency table: a missing name or rate is none.
struct CurrencyRow {
    std::optional<QString> name;
    std::optional<double> rate;
    bool operator==(const CurrencyRow&) const = default;
};

// Whether a currency row is being edited, and how.
enum class CurrencyState { Browse, Edit, Insert };

// The currency table as the currency window shows it: the rows, the one
// being edited showing its edit.
struct Currencies {
    bool open = false;
    std::vector<CurrencyRow> rows;
    CurrencyState state = CurrencyState::Browse;
    int editRow = -1;
};

// The on-hand quantity of a part, as both its readers take it: the order
// build counts a part never received as 0, the main window shows no figure
// for it.
struct Stock {
    std::optional<double> figure; // nothing: never received (income missing or not above 0)
    operator double() const { return figure.value_or(0.0); }
};

// The reads of the number search and the price display.
class LookupReads {
public:
    virtual ~LookupReads() = default;
    // The part list: parts whose maker's number, OE number or remark is
    // LIKE the pattern, in maker's-number order.
    virtual std::vector<PartRow> partsLike(const QString& pattern) = 0;
    // The part and the parts sharing its OE number (none when it has none).
    virtual std::vector<PartRow> crossNumbersOf(qint32 id, const QString& oeNumber) = 0;
    // The prices of the part whose maker's number is exactly this; nothing
    // without such a part.
    virtual std::optional<PriceRow> pricesOf(const QString& manufactureCode) = 0;
    // The price of the part's latest income line: nothing without a line,
    // a missing value when that line has no price.
    virtual std::optional<std::optional<double>> lastPurchasePrice(qint32 id) = 0;
    // The part's name; nothing when there is no such part.
    virtual std::optional<QString> partName(qint32 id) = 0;
    // The on-hand quantity from the income, output and reserve sums.
    virtual Stock GetOnStock(qint32 id) = 0;
};

// The reads of the order build.
class OrderReads {
public:
    virtual ~OrderReads() = default;
    // Every part under replenishment, in the order of a sort entry (-1: none).
    virtual std::vector<MinStockPart> partsUnderReplenishment(int sortIndex) = 0;
    virtual Stock GetOnStock(qint32 id) = 0;
    virtual double GetAvgCost(qint32 id) = 0;
    virtual QString GetLastSklad(qint32 id) = 0;
};

} // namespace data
