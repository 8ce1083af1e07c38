#include "data/firebird/Message.h"

#include "data/firebird/Client.h"
#include "data/firebird/Error.h"
#include "platform/Cp1251.h"
#include "platform/NumberText.h"

#include <firebird/Interface.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fb {

namespace {

constexpr unsigned kText = SQL_TEXT, kVarying = SQL_VARYING, kShort = SQL_SHORT, kLong = SQL_LONG,
                   kFloat = SQL_FLOAT, kDouble = SQL_DOUBLE, kDFloat = SQL_D_FLOAT, kTimestamp = SQL_TIMESTAMP,
                   kBlob = SQL_BLOB, kDate = SQL_TYPE_DATE, kTime = SQL_TYPE_TIME, kInt64 = SQL_INT64;

bool isInteger(unsigned t)
{
    return t == kShort || t == kLong || t == kInt64;
}

bool isNumeric(unsigned t)
{
    return isInteger(t) || t == kFloat || t == kDouble || t == kDFloat;
}

// A value of the buffer, which keeps no alignment of its own.
template <class T>
T load(const unsigned char* at)
{
    T x;
    std::memcpy(&x, at, sizeof x);
    return x;
}

template <class T>
void store(unsigned char* at, T x)
{
    std::memcpy(at, &x, sizeof x);
}

// The three integer widths share one path: the width follows the type.
qint64 readInteger(const unsigned char* at, unsigned type)
{
    switch (type) {
    case kShort: return load<qint16>(at);
    case kLong: return load<qint32>(at);
    default: return load<qint64>(at);
    }
}

void writeInteger(unsigned char* at, unsigned type, qint64 v)
{
    switch (type) {
    case kShort: store(at, static_cast<qint16>(v)); break;
    case kLong: store(at, static_cast<qint32>(v)); break;
    default: store(at, v); break;
    }
}

QDateTime fromTimestamp(ISC_DATE date, ISC_TIME time)
{
    const QDate d = QDate::fromJulianDay(static_cast<qint64>(date) + 2400001);
    const QTime t = QTime::fromMSecsSinceStartOfDay(static_cast<int>(time / 10));
    return QDateTime(d, t);
}

QString trimmedRight(const char* p, qsizetype n)
{
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return platform::fromCp1251(p, n);
}

double asNumber(const Value& v, int index)
{
    if (auto d = std::get_if<double>(&v))
        return *d;
    if (auto n = std::get_if<qint32>(&v))
        return *n;
    if (auto s = std::get_if<QString>(&v)) {
        double out = 0;
        if (platform::parseDecimal(*s, QLatin1Char('.'), &out))
            return out;
        throw Error(QStringLiteral("'%1' is not a number").arg(*s), {Error::kNotANumber}, {*s});
    }
    throw Error(QStringLiteral("parameter %1: the value does not fit").arg(index), {Error::kBadValue},
                {QString::number(index)});
}

QString asText(const Value& v)
{
    if (auto s = std::get_if<QString>(&v))
        return *s;
    if (auto n = std::get_if<qint32>(&v))
        return QString::number(*n);
    if (auto d = std::get_if<double>(&v))
        return platform::formatGeneral(*d, QLatin1Char('.'));
    return {};
}

} // namespace

Layout layoutOf(Firebird::IMessageMetadata* meta)
{
    Layout out;
    call([&](Firebird::ThrowStatusWrapper& st) {
        const unsigned count = meta->getCount(&st);
        for (unsigned i = 0; i < count; ++i) {
            const QString name = platform::fromCp1251(QByteArray(meta->getAlias(&st, i))).toUpper();
            QString unique = name;
            for (int k = 1; std::find(out.names.begin(), out.names.end(), unique) != out.names.end(); ++k)
                unique = name + QString::number(k);
            out.names.push_back(unique);
            out.places.push_back({meta->getType(&st, i), meta->getOffset(&st, i), meta->getNullOffset(&st, i),
                                 meta->getLength(&st, i), meta->getScale(&st, i)});
        }
        out.length = meta->getMessageLength(&st);
    });
    return out;
}

std::vector<Slot> declaredSlots(const Layout& output, const std::vector<ColumnDef>& columns)
{
    std::vector<Slot> found;
    for (const ColumnDef& def : columns) {
        const auto it = std::find(output.names.begin(), output.names.end(), def.name.toUpper());
        if (it == output.names.end())
            throw Error(QStringLiteral("no column %1 in the result").arg(def.name), {Error::kNoColumn}, {def.name});
        const Slot& slot = output.places[size_t(it - output.names.begin())];
        if (def.checkType && !compatible(def.type, slot))
            throw Error(QStringLiteral("column %1 has another type").arg(def.name), {Error::kColumnType}, {def.name});
        found.push_back(slot);
    }
    return found;
}

bool compatible(ColumnType declared, const Slot& slot)
{
    switch (declared) {
    case ColumnType::Integer:
    case ColumnType::SmallInt:
        return isInteger(slot.type) && slot.scale == 0;
    case ColumnType::Double:
        return isNumeric(slot.type);
    case ColumnType::Timestamp:
        return slot.type == kTimestamp || slot.type == kDate;
    case ColumnType::Text:
        return slot.type == kText || slot.type == kVarying;
    case ColumnType::TextBlob:
        return slot.type == kBlob;
    }
    return false;
}

void encodeParam(const Value& v, const Slot& slot, int index, bool toStore, unsigned char* buffer)
{
    unsigned char* nul = buffer + slot.nullOffset;
    unsigned char* at = buffer + slot.offset;
    store(nul, short(0));
    if (isNull(v)) {
        store(nul, short(-1));
        return;
    }
    switch (slot.type) {
    case kText:
    case kVarying: {
        const QString s = asText(v);
        const QByteArray bytes = platform::toCp1251(s);
        if (static_cast<unsigned>(bytes.size()) > slot.length) {
            // A value to store must not be lost: refuse it.
            if (toStore)
                throw Error(QStringLiteral("text '%1' is longer than %2 characters").arg(s).arg(slot.length),
                            {Error::kTextTooLong}, {s, QString::number(slot.length)});
            store(nul, short(-1));
            return;
        }
        if (slot.type == kVarying) {
            store(at, static_cast<unsigned short>(bytes.size()));
            std::memcpy(at + sizeof(unsigned short), bytes.constData(), static_cast<size_t>(bytes.size()));
        } else {
            std::memset(at, ' ', slot.length);
            std::memcpy(at, bytes.constData(), static_cast<size_t>(bytes.size()));
        }
        return;
    }
    case kShort:
    case kLong:
    case kInt64:
        writeInteger(at, slot.type, std::llround(asNumber(v, index) / std::pow(10.0, slot.scale)));
        return;
    case kFloat:
        store(at, static_cast<float>(asNumber(v, index)));
        return;
    case kDouble:
    case kDFloat:
        store(at, asNumber(v, index));
        return;
    case kTimestamp: {
        auto dt = std::get_if<QDateTime>(&v);
        if (!dt)
            throw Error(QStringLiteral("parameter %1 needs a date and time").arg(index), {Error::kNeedsDateTime},
                        {QString::number(index)});
        ISC_TIMESTAMP ts;
        ts.timestamp_date = static_cast<ISC_DATE>(dt->date().toJulianDay() - 2400001);
        ts.timestamp_time = static_cast<ISC_TIME>(dt->time().msecsSinceStartOfDay()) * 10;
        store(at, ts);
        return;
    }
    default:
        throw Error(QStringLiteral("parameter %1: its type is not supported").arg(index), {Error::kTypeUnsupported},
                    {QString::number(index)});
    }
}

Value decodeColumn(const unsigned char* buffer, const Slot& slot)
{
    if (load<short>(buffer + slot.nullOffset) != 0)
        return {};
    const unsigned char* at = buffer + slot.offset;
    switch (slot.type) {
    case kVarying:
        return trimmedRight(reinterpret_cast<const char*>(at + sizeof(unsigned short)), load<unsigned short>(at));
    case kText:
        return trimmedRight(reinterpret_cast<const char*>(at), slot.length);
    case kShort:
    case kLong:
    case kInt64: {
        const qint64 x = readInteger(at, slot.type);
        // A 64-bit column, or one with decimals, does not fit the integer
        // value: it is read as a double with its scale applied.
        if (slot.type != kInt64 && slot.scale == 0)
            return static_cast<qint32>(x);
        const double d = static_cast<double>(x);
        return slot.scale == 0 ? d : d * std::pow(10.0, slot.scale);
    }
    case kFloat:
        return static_cast<double>(load<float>(at));
    case kDouble:
    case kDFloat:
        return load<double>(at);
    case kTimestamp: {
        const auto ts = load<ISC_TIMESTAMP>(at);
        return fromTimestamp(ts.timestamp_date, ts.timestamp_time);
    }
    case kDate:
        return fromTimestamp(load<ISC_DATE>(at), 0);
    case kTime:
        return QDateTime(QDate(1899, 12, 30),
                         QTime::fromMSecsSinceStartOfDay(static_cast<int>(load<ISC_TIME>(at) / 10)));
    default:
        // Blobs and other types nobody reads here: present but empty.
        return QString();
    }
}

} // namespace fb
