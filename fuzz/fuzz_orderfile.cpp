// The order-file reader on arbitrary bytes.
//
// Properties: every row it returns is whole (both required values, texts cut
// to the table's sizes, finite numbers); the rows, written out again, read
// back without complaint as the same rows (texts and codes exactly, numbers to
// the 15 significant digits the file holds); and writing those rows once more
// gives the very same bytes, but for the sums: they are computed afresh from
// values that are now rounded to 15 digits.

#include "FuzzCheck.h"

#include "order/OrderFile.h"
#include "order/OrderLine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

using order::OrderLine;

QByteArray shown(const std::optional<QString>& text) { return text ? fuzz::shown(*text) : QByteArray("(none)"); }

QByteArray shown(const std::optional<double>& value)
{
    return value ? QByteArray::number(*value, 'g', 17) : QByteArray("(none)");
}

QByteArray shown(const OrderLine& row)
{
    return "{id " + (row.id ? QByteArray::number(*row.id) : QByteArray("(none)")) + ", name " + shown(row.name)
        + ", code " + shown(row.manufactureCode) + ", number " + shown(row.number) + ", onStock "
        + shown(row.onStock) + ", min " + shown(row.minStock) + ", toOrder " + shown(row.toOrder) + ", cost "
        + shown(row.cost) + "}";
}

bool sameText(const std::optional<QString>& first, const std::optional<QString>& back)
{
    if (!first || !back)
        return !first && !back;
    return fuzz::throughCp1251(*first) == *back;
}

// The file keeps 15 significant digits: the error of that rounding is at most
// half a unit of the 15th digit, 5e-15 of the value; the reading adds at most
// half a unit of the double's last place.
bool sameNumber(const std::optional<double>& first, const std::optional<double>& back)
{
    if (!first || !back)
        return !first && !back;
    return *first == *back || std::fabs(*first - *back) <= std::fabs(*first) * 6e-15;
}

// Each line without its last column, the sum.
QByteArray withoutSums(const QByteArray& file)
{
    QByteArray out;
    for (const QByteArray& line : file.split('\n'))
        out += line.left(line.lastIndexOf('\t')) + '\n';
    return out;
}

bool sameRow(const OrderLine& first, const OrderLine& back)
{
    return first.id == back.id && sameText(first.name, back.name)
        && sameText(first.manufactureCode, back.manufactureCode) && sameText(first.number, back.number)
        && sameNumber(first.onStock, back.onStock) && sameNumber(first.minStock, back.minStock)
        && sameNumber(first.toOrder, back.toOrder) && sameNumber(first.cost, back.cost);
}

void checkWhole(const OrderLine& row)
{
    const auto finite = [](const std::optional<double>& v) { return !v || std::isfinite(*v); };
    FUZZ_CHECK(row.id && row.name, shown(row));
    FUZZ_CHECK(row.name->size() <= order::nameSize, shown(row));
    FUZZ_CHECK(!row.manufactureCode || row.manufactureCode->size() <= order::codeSize, shown(row));
    FUZZ_CHECK(!row.number || row.number->size() <= order::codeSize, shown(row));
    FUZZ_CHECK(finite(row.onStock) && finite(row.minStock) && finite(row.toOrder) && finite(row.cost), shown(row));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const order::ImportResult first = order::importOrder(bytes);
    for (const OrderLine& row : first.rows)
        checkWhole(row);

    const QByteArray written = order::exportOrder(first.rows);
    const order::ImportResult back = order::importOrder(written);
    FUZZ_CHECK(back.error.isEmpty(), "error " + fuzz::shown(back.error) + " reading " + fuzz::shown(written));
    FUZZ_CHECK(back.rows.size() == first.rows.size(),
               QByteArray::number(qsizetype(back.rows.size())) + " rows back of "
                   + QByteArray::number(qsizetype(first.rows.size())) + " from " + fuzz::shown(written));
    for (std::size_t i = 0; i < first.rows.size(); ++i)
        FUZZ_CHECK(sameRow(first.rows[i], back.rows[i]),
                   "row " + QByteArray::number(qsizetype(i)) + ": read " + shown(first.rows[i]) + ", back "
                       + shown(back.rows[i]) + " through " + fuzz::shown(written));

    const QByteArray again = order::exportOrder(back.rows);
    FUZZ_CHECK(withoutSums(again) == withoutSums(written), fuzz::shown(written) + "\nwritten again as\n" + fuzz::shown(again));
    return 0;
}
