#include "platform/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace platform {
namespace {

constexpr int kMaxDigits = 17;

// |v| = d[0].d[1]d[2]...d[count-1] * 10^exp; count == 0 means zero.
struct Digits {
    bool negative = false;
    char d[kMaxDigits] = {};
    int count = 0;
    int exp = 0;

    bool isZero() const { return count == 0; }

    void stripTrailingZeros()
    {
        while (count > 0 && d[count - 1] == '0')
            --count;
    }

    // Keep the first `keep` digits, rounding half away from zero on the next
    // one. keep may be zero or negative (the value's leading digit lies below
    // the kept positions).
    void roundTo(int keep)
    {
        if (keep >= count) {
            stripTrailingZeros();
            return;
        }
        if (keep < 0) {
            count = 0;
            return;
        }
        const bool up = d[keep] >= '5';
        count = keep;
        if (up) {
            int i = keep - 1;
            while (i >= 0 && d[i] == '9')
                d[i--] = '0';
            if (i >= 0) {
                ++d[i];
            } else {
                // All nines (or nothing kept): becomes one unit higher.
                d[0] = '1';
                count = 1;
                ++exp;
            }
        }
        stripTrailingZeros();
    }
};

// The 17-significant-digit expansion of a finite v. Qt's digits, not
// std::to_chars': the two differ in the 17th digit on exact ties, and the
// rounding rule is defined on Qt's.
Digits expand(double v)
{
    Digits r;
    const QByteArray text = QByteArray::number(v, 'e', kMaxDigits - 1);
    const char* p = text.constData();
    const char* end = p + text.size();
    if (*p == '-') {
        r.negative = true;
        ++p;
    }
    r.d[r.count++] = *p++;
    if (p < end && *p == '.')
        ++p;
    while (p < end && *p != 'e' && r.count < kMaxDigits)
        r.d[r.count++] = *p++;
    if (p < end && *p == 'e') {
        ++p;
        if (p < end && *p == '+')
            ++p;
        std::from_chars(p, end, r.exp);
    }
    r.stripTrailingZeros();
    return r;
}

QString nonFinite(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

int clampPrecision(int precision) { return std::clamp(precision, 1, kMaxDigits); }

// Mantissa with a separator where needed, "E", then the exponent.
QString exponentForm(const Digits& x, QChar sep, bool explicitPlus)
{
    QString s;
    if (x.negative)
        s += u'-';
    s += QChar::fromLatin1(x.d[0]);
    if (x.count > 1) {
        s += sep;
        s += QLatin1StringView(x.d + 1, x.count - 1);
    }
    s += u'E';
    if (x.exp < 0)
        s += u'-';
    else if (explicitPlus)
        s += u'+';
    s += QString::number(std::abs(x.exp));
    return s;
}

// Plain positional form with at least minDecimals decimals.
QString plainForm(const Digits& x, QChar sep, int minDecimals)
{
    QString s;
    if (x.negative && !x.isZero())
        s += u'-';
    auto digitAt = [&](int pos) { // pos: power of ten
        const int i = x.exp - pos;
        return i >= 0 && i < x.count ? QChar::fromLatin1(x.d[i]) : QChar(u'0');
    };
    const int top = x.isZero() ? 0 : std::max(x.exp, 0);
    for (int pos = top; pos >= 0; --pos)
        s += digitAt(pos);
    const int lowest = x.isZero() ? 0 : x.exp - (x.count - 1);
    const int decimals = std::max(minDecimals, -lowest);
    if (decimals > 0) {
        s += sep;
        for (int pos = -1; pos >= -decimals; --pos)
            s += digitAt(pos);
    }
    return s;
}

// Whether the digits stand for a magnitude above the largest finite double.
bool beyondLargestDouble(const Digits& x)
{
    static const Digits largest = expand(std::numeric_limits<double>::max());
    if (x.exp != largest.exp)
        return x.exp > largest.exp;
    return std::lexicographical_compare(largest.d, largest.d + largest.count, x.d, x.d + x.count);
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

} // namespace

QString formatGeneral(double v, QChar decimalSep, int precision)
{
    if (!std::isfinite(v))
        return nonFinite(v);
    if (v == 0)
        return QStringLiteral("0");
    precision = clampPrecision(precision);
    Digits x = expand(v);
    const Digits whole = x;
    x.roundTo(precision);
    if (beyondLargestDouble(x)) {
        // Rounded up, the few values next to the largest double would give
        // a text that reads back as out of range: those are cut instead.
        x = whole;
        x.count = std::min(x.count, precision);
        x.stripTrailingZeros();
    }
    if (x.exp >= precision || x.exp < -5)
        return exponentForm(x, decimalSep, false);
    return plainForm(x, decimalSep, 0);
}

QString formatFixed(double v, int precision, int decimals, QChar decimalSep)
{
    if (!std::isfinite(v))
        return nonFinite(v);
    precision = clampPrecision(precision);
    decimals = std::max(decimals, 0);
    Digits x = v == 0 ? Digits{} : expand(v);
    if (!x.isZero()) {
        Digits sig = x;
        sig.roundTo(precision);
        if (sig.exp + 1 > precision)
            return exponentForm(sig, decimalSep, true);
        // One rounding from the expansion, to whichever limit bites first.
        x.roundTo(std::min(precision, x.exp + 1 + decimals));
    }
    return plainForm(x, decimalSep, decimals);
}

bool parseDecimal(const QString& text, QChar decimalSep, double* out)
{
    qsizetype i = 0, end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;

    // Rebuilt in the C form that from_chars reads.
    std::string c;
    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    int digits = 0, intDigits = 0, firstNonZero = -1;
    bool seenSep = false;
    for (; i < end; ++i) {
        const QChar ch = text[i];
        if (isAsciiDigit(ch)) {
            if (firstNonZero < 0 && ch != u'0')
                firstNonZero = digits;
            c += char(ch.unicode());
            ++digits;
            if (!seenSep)
                ++intDigits;
        } else if (ch == decimalSep && !seenSep) {
            c += '.';
            seenSep = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    long long exponent = 0;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        c += 'e';
        ++i;
        bool negExp = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            negExp = text[i] == u'-';
            c += char(text[i++].unicode());
        }
        int expDigits = 0;
        for (; i < end && isAsciiDigit(text[i]); ++i, ++expDigits) {
            c += char(text[i].unicode());
            exponent = std::min(exponent * 10 + (text[i].unicode() - u'0'), 1'000'000'000LL);
        }
        if (expDigits == 0)
            return false;
        if (negExp)
            exponent = -exponent;
    }
    if (i != end)
        return false;

    double v = 0;
    const auto res = std::from_chars(c.data(), c.data() + c.size(), v);
    if (res.ptr != c.data() + c.size())
        return false;
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars reports underflow and overflow alike; the decimal order
        // of the leading digit tells them apart. Too small reads as zero.
        const long long order = intDigits - 1 - firstNonZero + exponent;
        if (firstNonZero >= 0 && order >= 0)
            return false;
        v = 0;
    } else if (res.ec != std::errc()) {
        return false;
    }
    if (out)
        *out = negative ? -v : v;
    return true;
}

bool parseInteger(const QString& text, int* out)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == n)
        return false;
    // Accumulated as a negative number: the int range reaches one further down.
    constexpr long long lowest = std::numeric_limits<int>::min();
    long long acc = 0;
    for (; i < n; ++i) {
        if (!isAsciiDigit(text[i]))
            return false;
        acc = acc * 10 - (text[i].unicode() - u'0');
        if (acc < lowest)
            return false;
    }
    if (!negative) {
        acc = -acc;
        if (acc > std::numeric_limits<int>::max())
            return false;
    }
    if (out)
        *out = int(acc);
    return true;
}

int RoundUp(double x)
{
    if (std::isnan(x))
        return 0;
    const double whole = std::trunc(x);
    const double r = x - whole > 0 ? whole + 1 : whole;
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(r);
}

double roundHalfEven(double x)
{
    // Under the default rounding mode nearbyint rounds halves to even.
    return std::nearbyint(x);
}

float toSingle(double x)
{
    return static_cast<float>(x);
}

} // namespace platform
