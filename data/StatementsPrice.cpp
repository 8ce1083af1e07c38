// The price database: the EUR rate's statement with its read, and the
// currency table's commands (its statements are in CurrencyTable.cpp).

#include "data/Catalogue.h"
#include "data/TdmMain.h"

namespace data {

using fb::ColumnType;
using namespace catalogue;

// ---- spGetEuroRate: the EUR rate

fb::Statement catalogue::spGetEuroRate()
{
    return {QStringLiteral("spGetEuroRate"), lines({"EXECUTE PROCEDURE GET_EURO_RATE "}),
            {col("RATE", ColumnType::Double)}};
}

double TdmMain::fetchEuroRate()
{
    double rate = 0;
    on(dbMain, [&] {
        spGetEuroRate.execute();
        rate = spGetEuroRate.field(QStringLiteral("RATE")).asDouble();
    });
    // Only a rate that is not 0 is kept: 0 means there is none.
    if (rate != 0)
        EuroRate = rate;
    return rate;
}

// ---- taCurrency

Currencies TdmMain::currencies() const
{
    Currencies out;
    out.open = taCurrency.isOpen();
    out.state = taCurrency.state();
    out.editRow = taCurrency.editRow();
    auto text = [](const fb::Value& v) -> std::optional<QString> {
        if (const auto* s = std::get_if<QString>(&v))
            return *s;
        return std::nullopt;
    };
    auto rate = [](const fb::Value& v) -> std::optional<double> {
        if (const auto* d = std::get_if<double>(&v))
            return *d;
        if (const auto* i = std::get_if<qint32>(&v))
            return double(*i);
        return std::nullopt;
    };
    for (int r = 0; r < taCurrency.rowCount(); ++r)
        out.rows.push_back({text(taCurrency.value(r, CurrencyTable::kName)), rate(taCurrency.value(r, CurrencyTable::kRate))});
    return out;
}

void TdmMain::onCurrencies(const std::function<void()>& job)
{
    TellCurrencies tell{this};
    on(dbMain, job);
}

void TdmMain::editCurrency(int row)
{
    onCurrencies([&] { taCurrency.edit(row); });
}

void TdmMain::setCurrencyName(int row, const std::optional<QString>& name)
{
    onCurrencies([&] {
        // A row left in editing is stored before another row's edit begins.
        if (taCurrency.state() != CurrencyState::Browse && taCurrency.editRow() != row)
            taCurrency.post();
        taCurrency.moveTo(row);
        taCurrency.setValue(CurrencyTable::kName, name ? fb::Value{*name} : fb::Value{});
    });
}

void TdmMain::setCurrencyRate(int row, std::optional<double> rate)
{
    onCurrencies([&] {
        if (taCurrency.state() != CurrencyState::Browse && taCurrency.editRow() != row)
            taCurrency.post();
        taCurrency.moveTo(row);
        taCurrency.setValue(CurrencyTable::kRate, rate ? fb::Value{*rate} : fb::Value{});
    });
}

void TdmMain::insertCurrency(int row)
{
    onCurrencies([&] { taCurrency.insert(row); });
}

void TdmMain::postCurrency()
{
    onCurrencies([&] { taCurrency.post(); });
}

void TdmMain::cancelCurrency()
{
    onCurrencies([&] { taCurrency.cancel(); });
}

void TdmMain::removeCurrency(int row)
{
    onCurrencies([&] { taCurrency.remove(row); });
}

void TdmMain::reopenCurrencies()
{
    onCurrencies([&] {
        taCurrency.close();
        taCurrency.open();
    });
}

} // namespace data
