#include "order/OrderFile.h"

#include "platform/Cp1251.h"
#include "platform/NumberText.h"

#include <QStringList>
#include <array>

namespace order {

namespace {

constexpr std::array<OrderField, orderFieldCount> allFields = {
    OrderField::ID,      OrderField::NAME,     OrderField::MANUFACTURECODE,
    OrderField::NUMBER,  OrderField::OnStock,  OrderField::MINSTOCK,
    OrderField::ToOrder, OrderField::Cost,     OrderField::SumCost,
};

const QChar tab = QLatin1Char('\t');
const QLatin1String lineEnd("\r\n");

void appendEscaped(QString& out, const std::optional<QString>& text)
{
    if (!text)
        return;
    for (QChar c : *text) {
        switch (c.unicode()) {
        case '%': out += QLatin1String("%%"); break;
        case '\r': out += QLatin1String("%c"); break;
        case '\n': out += QLatin1String("%n"); break;
        case 0: out += QLatin1String("%0"); break;
        default: out += c;
        }
    }
}

QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('%') && i + 1 < text.size()) {
            bool escape = true;
            switch (text[i + 1].unicode()) {
            case '%': out += QLatin1Char('%'); break;
            case 'c': out += QLatin1Char('\r'); break;
            case 'n': out += QLatin1Char('\n'); break;
            case '0': out += QChar(0); break;
            default: escape = false;
            }
            if (escape) {
                ++i;
                continue;
            }
        }
        // A % that starts none of the four escapes, or ends the text, is not
        // something this program writes; it is kept as it stands so nothing
        // of a foreign file is lost.
        out += c;
    }
    return out;
}

void appendDouble(QString& out, const std::optional<double>& value)
{
    if (value)
        out += platform::formatGeneral(*value, QLatin1Char('.'), 15);
}

// Only a–z are folded: a Cyrillic label written in other case matches nothing.
QString foldAscii(QStringView text)
{
    QString out = text.toString();
    for (QChar& c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return out;
}

std::optional<OrderField> fieldForHeader(QStringView header)
{
    const QString folded = foldAscii(header);
    for (OrderField field : allFields) {
        if (foldAscii(fieldLabel(field)) == folded)
            return field;
    }
    return std::nullopt;
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0;
}

// Lines at every run of CR, LF and NUL, so empty lines vanish.
QList<QStringView> splitLines(const QString& text)
{
    QList<QStringView> lines;
    const QStringView all(text);
    qsizetype start = 0;
    const qsizetype n = all.size();
    while (start < n) {
        while (start < n && isLineBreak(all[start]))
            ++start;
        qsizetype end = start;
        while (end < n && !isLineBreak(all[end]))
            ++end;
        if (end > start)
            lines.append(all.sliced(start, end - start));
        start = end;
    }
    return lines;
}

QStringView firstValue(QStringView line)
{
    const qsizetype t = line.indexOf(tab);
    return t < 0 ? line : line.first(t);
}

// Stores one value into its field; returns the refusal message, or an empty
// text when the value was taken.
QString storeValue(OrderLine& row, OrderField field, QStringView value)
{
    if (value.isEmpty())
        return {}; // an empty value leaves the field empty

    auto number = [&](std::optional<double>& target) -> QString {
        double v = 0;
        if (!platform::parseDecimal(value.toString(), QLatin1Char('.'), &v))
            return invalidFloatMessage(value.toString(), field);
        target = v;
        return {};
    };

    switch (field) {
    case OrderField::ID: {
        int v = 0;
        if (!platform::parseInteger(value.toString(), &v))
            return invalidIntegerMessage(value.toString(), field);
        row.id = v;
        return {};
    }
    case OrderField::NAME: row.name = unescape(value); return {};
    case OrderField::MANUFACTURECODE: row.manufactureCode = unescape(value); return {};
    case OrderField::NUMBER: row.number = unescape(value); return {};
    case OrderField::OnStock: return number(row.onStock);
    case OrderField::MINSTOCK: return number(row.minStock);
    case OrderField::ToOrder: return number(row.toOrder);
    case OrderField::Cost: return number(row.cost);
    case OrderField::SumCost: return {}; // computed, never read back
    }
    return {};
}

} // namespace

QByteArray exportOrder(const std::vector<OrderLine>& rows)
{
    QString text;
    text.reserve(qsizetype(rows.size() + 1) * 96);

    for (OrderField field : allFields) {
        if (field != OrderField::ID)
            text += tab;
        text += fieldLabel(field);
    }
    text += lineEnd;

    for (const OrderLine& row : rows) {
        if (row.id)
            text += QString::number(*row.id);
        text += tab;
        appendEscaped(text, row.name);
        text += tab;
        appendEscaped(text, row.manufactureCode);
        text += tab;
        appendEscaped(text, row.number);
        text += tab;
        appendDouble(text, row.onStock);
        text += tab;
        appendDouble(text, row.minStock);
        text += tab;
        appendDouble(text, row.toOrder);
        text += tab;
        appendDouble(text, row.cost);
        text += tab;
        text += platform::formatGeneral(sumCost(row), QLatin1Char('.'), 15);
        text += lineEnd;
    }
    return platform::toCp1251(text);
}

ImportResult importOrder(const QByteArray& bytes)
{
    ImportResult result;
    const QString text = platform::fromCp1251(bytes);
    const QList<QStringView> lines = splitLines(text);

    // Definition blocks may precede the header in files of other origin.
    qsizetype at = 0;
    while (at < lines.size()) {
        const QStringView first = firstValue(lines[at]);
        if (first == QLatin1String("@@FILE VERSION@@")) {
            ++at;
        } else if (first == QLatin1String("@@TABLEDEF START@@")) {
            while (at < lines.size() && firstValue(lines[at]) != QLatin1String("@@TABLEDEF END@@"))
                ++at;
            ++at; // past the end marker
        } else {
            break;
        }
    }
    if (at >= lines.size())
        return result;

    // Column n of every line goes to columns[n]; no field: the value is skipped.
    std::vector<std::optional<OrderField>> columns;
    bool hasId = false, hasName = false;
    for (QStringView header : lines[at].split(tab)) {
        std::optional<OrderField> field = fieldForHeader(header);
        if (field == OrderField::SumCost)
            field.reset();
        hasId = hasId || field == OrderField::ID;
        hasName = hasName || field == OrderField::NAME;
        columns.push_back(field);
    }
    // Without these columns no row could be stored; say so at once rather
    // than read a foreign file as if it were empty.
    if (!hasId || !hasName) {
        result.error = requiredFieldMessage(hasId ? OrderField::NAME : OrderField::ID);
        return result;
    }

    for (++at; at < lines.size(); ++at) {
        OrderLine row;
        const QList<QStringView> values = lines[at].split(tab);
        const qsizetype count = std::min<qsizetype>(values.size(), qsizetype(columns.size()));
        for (qsizetype i = 0; i < count; ++i) {
            if (!columns[size_t(i)])
                continue;
            QString refusal = storeValue(row, *columns[size_t(i)], values[i]);
            if (!refusal.isEmpty()) {
                result.error = std::move(refusal);
                return result;
            }
        }
        if (!row.id) {
            result.error = requiredFieldMessage(OrderField::ID);
            return result;
        }
        if (!row.name) {
            result.error = requiredFieldMessage(OrderField::NAME);
            return result;
        }
        cutToFieldSizes(row);
        result.rows.push_back(std::move(row));
    }
    return result;
}

} // namespace order
