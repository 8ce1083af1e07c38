#include "data/Catalogue.h"

#include <algorithm>

namespace data::catalogue {

using fb::ColumnDef;
using fb::ColumnType;

QStringList lines(std::initializer_list<const char*> l)
{
    QStringList out;
    for (const char* s : l)
        out << QString::fromUtf8(s);
    return out;
}

ColumnDef text(const char* name, int size, const char* label, bool emptyAsNull)
{
    return ColumnDef{QString::fromLatin1(name), ColumnType::Text, size, QString::fromUtf8(label), {}, emptyAsNull, true};
}

ColumnDef col(const char* name, ColumnType type, const char* label, const char* format)
{
    return ColumnDef{QString::fromLatin1(name), type, 0, QString::fromUtf8(label), QString::fromLatin1(format), false, true};
}

ColumnDef unread(const QString& name)
{
    return ColumnDef{name, ColumnType::Text, 0, {}, {}, false, false};
}

std::vector<ColumnDef> columnsNamed(const char* names, std::initializer_list<ColumnDef> read)
{
    std::vector<ColumnDef> out;
    for (const QString& n : QString::fromLatin1(names).split(QLatin1Char(' '))) {
        const auto it = std::find_if(read.begin(), read.end(), [&n](const ColumnDef& c) { return c.name == n; });
        out.push_back(it == read.end() ? unread(n) : *it);
    }
    return out;
}

std::optional<double> number(const fb::Field& f)
{
    if (f.isNull())
        return std::nullopt;
    return f.asDouble();
}

std::optional<qint32> integer(const fb::Field& f)
{
    if (f.isNull())
        return std::nullopt;
    return f.asInteger();
}

std::vector<ColumnDef> part()
{
    return {col("ID", ColumnType::Integer), text("MANUFACTURECODE", 50, "Номер"), text("NUMBER", 50, "Оригинал"),
            text("NAME", 80), text("REMARK", 1024)};
}

std::vector<ColumnDef> sums()
{
    return {col("SUM", ColumnType::Double)};
}

} // namespace data::catalogue
