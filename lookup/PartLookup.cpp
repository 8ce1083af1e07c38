#include "lookup/PartLookup.h"

#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

namespace lookup {

namespace {

constexpr int kNamePanel = 3;

QChar decimalSep()
{
    return platform::Regional::current().decimalSeparator;
}

PartList listOf(std::vector<data::PartRow> rows)
{
    PartList list;
    list.cursor = int(rows.size()) - 1; // the last row, as the grid is left after fetching every row
    list.rows = std::make_shared<const std::vector<data::PartRow>>(std::move(rows));
    return list;
}

std::optional<double> priceOf(const data::PriceRow& row, PriceGroup group)
{
    switch (group) {
    case Rozn: return row.rozn;
    case Opt: return row.opt;
    case Special: return row.special;
    }
    return std::nullopt;
}

} // namespace

bool blankNumber(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() > 32)
            return false;
    return true;
}

void PartLookup::moveParts(int row)
{
    if (row >= 0 && row < v_.parts.count())
        v_.parts.cursor = row;
}

void PartLookup::moveCross(int row)
{
    if (row >= 0 && row < v_.cross.count())
        v_.cross.cursor = row;
}

void PartLookup::takeRow(const data::PartRow& row)
{
    v_.currentPartId = row.id;
    v_.currentOENumber = row.number;
}

bool PartLookup::beginSearch(const QString& typed)
{
    v_.currentPartId = 0;
    v_.currentOENumber.clear();
    v_.number = typed;
    ClearDisplay();
    return !blankNumber(typed);
}

void PartLookup::finishSearch(const QString& typed, bool substring)
{
    if (v_.page == Page::Prices) {
        // The prices of the part whose maker's number is the text exactly;
        // the search has just reset the current part, so no stock is shown.
        ShowPrices(v_.number);
    } else {
        FindParts(typed);
        if (substring) {
            LoadCrossNumbers();
        } else if (v_.parts.count() == 1) {
            ShowStockAndPrices();
            LoadCrossNumbers();
            ShowCrossList();
        } else {
            ShowPartList();
        }
    }
    ShowDescription(v_.currentPartId);
}

void PartLookup::FindParts(const QString& text)
{
    v_.parts = {};
    v_.parts = listOf(reads_->partsLike(QStringLiteral("%") + text + QStringLiteral("%")));
    if (v_.parts.hasRow())
        takeRow(v_.parts.cursorRow());
}

void PartLookup::LoadCrossNumbers()
{
    v_.cross = {};
    v_.cross = listOf(reads_->crossNumbersOf(v_.currentPartId, v_.currentOENumber));
    if (v_.cross.hasRow())
        takeRow(v_.cross.cursorRow());
}

void PartLookup::TakeCurrentRow()
{
    for (const PartList* list : {&v_.parts, &v_.cross}) {
        if (!list->hasRow())
            continue;
        takeRow(list->cursorRow());
        v_.number = list->cursorRow().manufactureCode;
    }
}

void PartLookup::partsDoubleClicked()
{
    if (!v_.parts.hasRow())
        return;
    const data::PartRow row = v_.parts.cursorRow();
    takeRow(row);
    const QString clicked = row.manufactureCode;
    if (!blankNumber(v_.currentOENumber)) {
        LoadCrossNumbers();
        ShowPrices(clicked);
        v_.number = clicked;
        ShowCrossList();
    } else {
        v_.page = Page::Prices;
        showStock(v_.currentPartId, false);
        LoadCrossNumbers();
        ShowPrices(clicked);
        v_.number = clicked;
    }
}

void PartLookup::ClearDisplay()
{
    v_.stock.clear();
    // A quantity put back to 1 prices its field, which is emptied right after.
    for (int g = 0; g < 3; ++g) {
        v_.counts[size_t(g)] = QStringLiteral("1");
        v_.prices[size_t(g)].clear();
    }
    for (QString& panel : v_.panels)
        panel.clear();
    v_.parts = {};
    v_.cross = {};
}

void PartLookup::showStock(qint32 id, bool clearStockWithout)
{
    if (auto stock = reads_->GetOnStock(id).figure) {
        v_.stock = platform::formatFixed(*stock, 5, 2, decimalSep());
    } else {
        if (clearStockWithout)
            v_.stock.clear();
        v_.panels[kNamePanel].clear();
    }
}

void PartLookup::ShowStockAndPrices()
{
    TakeCurrentRow();
    showStock(v_.currentPartId, true);
    v_.page = Page::Prices;
    ShowPrices(v_.number);
}

void PartLookup::ShowPrices(const QString& number)
{
    // A quantity that is not 1 yet is put back, and its field priced from
    // the price row still at hand; the new row's prices then overwrite it.
    for (int g = 0; g < 3; ++g)
        if (v_.counts[size_t(g)] != QLatin1String("1"))
            quantityChanged(PriceGroup(g), QStringLiteral("1"));

    v_.priceRow.reset();
    v_.priceRow = reads_->pricesOf(number);
    if (v_.priceRow) {
        const QChar sep = decimalSep();
        for (int g = 0; g < 3; ++g) {
            const std::optional<double> p = priceOf(*v_.priceRow, PriceGroup(g));
            v_.prices[size_t(g)] = p ? platform::formatGeneral(*p, sep, 15) : QString();
        }
    }

    if (v_.currentPartId != 0 && !v_.stock.isEmpty()) {
        if (const auto last = reads_->lastPurchasePrice(v_.currentPartId)) {
            const float rates[] = {markup_.other, markup_.opt, markup_.rozn};
            for (size_t i = 0; i < 3; ++i) {
                // A line without a price gives no figure rather than a
                // made-up 0.
                v_.panels[i] = *last ? QString::number(platform::RoundUp(**last * double(rates[i]))) : QString();
            }
        }
    } else {
        for (size_t i = 0; i < 3; ++i)
            v_.panels[i].clear();
    }
}

void PartLookup::ShowDescription(qint32 id)
{
    v_.panels[kNamePanel] = reads_->partName(id).value_or(QString());
}

void PartLookup::quantityChanged(PriceGroup group, const QString& text)
{
    v_.counts[size_t(group)] = text;
    int n = 0;
    if (!platform::parseInteger(text, &n))
        throw platform::Failure(QStringLiteral("'%1' is not a valid integer value").arg(text));
    const double p = v_.priceRow ? priceOf(*v_.priceRow, group).value_or(0.0) : 0.0;
    v_.prices[size_t(group)] = QString::number(platform::RoundUp(p * n));
}

void PartLookup::connectionsClosed()
{
    v_.parts = {};
    v_.cross = {};
    v_.priceRow.reset();
}

QString PartLookup::partsCursorRemark() const
{
    return v_.parts.hasRow() ? v_.parts.cursorRow().remark : QString();
}

} // namespace lookup
