#include "data/firebird/Value.h"

#include "data/firebird/Error.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

#include <cmath>

namespace fb {

namespace {
const Value kNull{};
}

const Value& Field::value() const
{
    return v_ ? *v_ : kNull;
}

QString Field::asString() const
{
    if (isNull())
        return {};
    const Value& v = *v_;
    if (auto s = std::get_if<QString>(&v))
        return *s;
    if (auto i = std::get_if<qint32>(&v))
        return QString::number(*i);
    if (auto d = std::get_if<double>(&v))
        return platform::formatGeneral(*d, platform::Regional::current().decimalSeparator);
    if (auto t = std::get_if<QDateTime>(&v))
        return t->toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return {};
}

qint32 Field::asInteger() const
{
    if (isNull())
        return 0;
    const Value& v = *v_;
    if (auto i = std::get_if<qint32>(&v))
        return *i;
    if (auto d = std::get_if<double>(&v))
        return static_cast<qint32>(std::llround(*d));
    if (auto s = std::get_if<QString>(&v)) {
        int out = 0;
        if (!platform::parseInteger(*s, &out))
            throw Error(QStringLiteral("'%1' is not a valid integer value").arg(*s));
        return out;
    }
    return 0;
}

double Field::asDouble() const
{
    if (isNull())
        return 0;
    const Value& v = *v_;
    if (auto d = std::get_if<double>(&v))
        return *d;
    if (auto i = std::get_if<qint32>(&v))
        return *i;
    if (auto s = std::get_if<QString>(&v)) {
        double out = 0;
        if (!platform::parseDecimal(*s, platform::Regional::current().decimalSeparator, &out))
            throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(*s));
        return out;
    }
    return 0;
}

QDateTime Field::asDateTime() const
{
    if (isNull())
        return {};
    if (auto t = std::get_if<QDateTime>(v_))
        return *t;
    return {};
}

} // namespace fb
