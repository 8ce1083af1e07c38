#pragma once

#include "data/Reads.h"
#include "data/Settings.h"

#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace lookup {

enum class Page { Search, Prices }; // "Поиск", "Цены"
enum class Grid { Cross, Parts };   // the cross list, the part list
enum PriceGroup { Rozn, Opt, Special }; // "Розница", "Опт", "Другая"

// A list the lookup shows: its rows and the row its cursor rests on.
struct PartList {
    std::shared_ptr<const std::vector<data::PartRow>> rows; // null: closed
    int cursor = -1;

    int count() const { return rows ? int(rows->size()) : 0; }
    bool hasRow() const { return cursor >= 0 && cursor < count(); }
    const data::PartRow& cursorRow() const { return rows->at(size_t(cursor)); }
};

// Everything the main window shows of a lookup, and the current part.
struct LookupView {
    qint32 currentPartId = 0;        // 0: no current part
    QString currentOENumber;         // empty: none
    PartList parts;                  // the parts the number matches
    PartList cross;                  // the current part and its cross numbers
    std::optional<data::PriceRow> priceRow; // what the quantities are priced from
    QString number;                  // the number field
    Page page = Page::Search;
    Grid grid = Grid::Cross;
    QString stock;                   // empty: no figure
    std::array<QString, 3> counts{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")};
    std::array<QString, 3> prices;
    // The status panels after "РЦ:": the last purchase price with the other,
    // wholesale and retail markups, then the part's name.
    std::array<QString, 4> panels;
};

// The lookup without a window: the typed text in, everything the main window
// shows out. Each step is named as the window's handler that hands it here;
// the database is read through the reads it is given, and the last-purchase
// figures use the markup factors it is given.
class PartLookup {
public:
    explicit PartLookup(data::LookupReads& reads, data::MarkupFactors markup = {}) : reads_(&reads), markup_(markup) {}

    // The factors the figures are multiplied with from now on.
    void setMarkup(data::MarkupFactors markup) { markup_ = markup; }

    const LookupView& view() const { return v_; }

    // What the window's own controls hold when a command starts.
    void setNumber(const QString& typed) { v_.number = typed; }
    void setPage(Page p) { v_.page = p; }
    // The grids' cursors, moved by the user.
    void moveParts(int row);
    void moveCross(int row);

    // The number search up to the history: the current part reset, the
    // display cleared, and unless the text is blank, the part found and
    // shown. beginSearch reads nothing from the database; false means the
    // text is blank and the search ends there.
    bool beginSearch(const QString& typed);
    void finishSearch(const QString& typed, bool substring);

    void FindParts(const QString& text);
    void LoadCrossNumbers();
    void TakeCurrentRow();
    void ShowPartList() { v_.grid = Grid::Parts; }
    void ShowCrossList() { v_.grid = Grid::Cross; }
    void partsDoubleClicked();
    void crossDoubleClicked() { ShowStockAndPrices(); }

    void ClearDisplay();
    void ShowStockAndPrices();
    void ShowPrices(const QString& number);
    void ShowDescription(qint32 id);
    // A quantity typed or stepped: its price field shows the price row's
    // price times the quantity, rounded up. Throws platform::Failure when
    // the text is no whole number; the price stays.
    void quantityChanged(PriceGroup group, const QString& text);

    // A refresh closed the lists and the price row with the connection.
    void connectionsClosed();

    // The remark of the part list's cursor row: the part's replacements.
    QString partsCursorRemark() const;

private:
    void takeRow(const data::PartRow& row);
    // The stock rule's figure in the stock field; without one the name is
    // cleared, and the stock field too when asked.
    void showStock(qint32 id, bool clearStockWithout);

    data::LookupReads* reads_;
    data::MarkupFactors markup_;
    LookupView v_;
};

// Blanks and control characters at both ends do not count.
bool blankNumber(const QString& s);

} // namespace lookup
