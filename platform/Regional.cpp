#include "platform/Regional.h"

#include <QLocale>

namespace platform {
namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

void chopBlanks(QString& s)
{
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
}

// Length of the quoted literal starting at fmt[i] == '\'', quotes included;
// '' inside or outside a literal stands for one quote.
qsizetype quotedLength(const QString& fmt, qsizetype i)
{
    qsizetype j = i + 1;
    while (j < fmt.size()) {
        if (fmt[j] == u'\'') {
            if (j + 1 < fmt.size() && fmt[j + 1] == u'\'') {
                j += 2;
                continue;
            }
            return j - i + 1;
        }
        ++j;
    }
    return j - i; // unterminated: runs to the end
}

QString unquote(const QString& quoted)
{
    if (quoted == u"''")
        return QStringLiteral("'");
    QString body = quoted.mid(1);
    if (body.endsWith(u'\''))
        body.chop(1);
    return body.replace(QStringLiteral("''"), QStringLiteral("'"));
}

qsizetype runLength(const QString& fmt, qsizetype i)
{
    qsizetype j = i;
    while (j < fmt.size() && fmt[j] == fmt[i])
        ++j;
    return j - i;
}

bool hasMarker(const QString& fmt)
{
    for (qsizetype i = 0; i < fmt.size();) {
        if (fmt[i] == u'\'') {
            i += quotedLength(fmt, i);
            continue;
        }
        if (fmt[i] == u'a' || fmt[i] == u'A')
            return true;
        ++i;
    }
    return false;
}

// Qt's long time formats end in the time zone ("HH:mm:ss t"); the program
// never shows one, so drop every zone field with the blanks that set it off.
QString withoutTimeZone(const QString& fmt)
{
    QString out;
    bool skipLeadingBlanks = false;
    for (qsizetype i = 0; i < fmt.size();) {
        const QChar c = fmt[i];
        if (c == u'\'') {
            const qsizetype n = quotedLength(fmt, i);
            out += fmt.mid(i, n);
            i += n;
            skipLeadingBlanks = false;
        } else if (c == u't') {
            chopBlanks(out);
            i += runLength(fmt, i);
            skipLeadingBlanks = out.isEmpty();
        } else if (skipLeadingBlanks && isBlank(c)) {
            ++i;
        } else {
            out += c;
            ++i;
            skipLeadingBlanks = false;
        }
    }
    chopBlanks(out);
    return out;
}

// The literal right after the first hour field, e.g. ':' in "HH:mm:ss".
QChar timeSeparatorOf(const QString& fmt)
{
    for (qsizetype i = 0; i < fmt.size();) {
        if (fmt[i] == u'\'') {
            i += quotedLength(fmt, i);
            continue;
        }
        if (fmt[i] == u'h' || fmt[i] == u'H') {
            const qsizetype j = i + runLength(fmt, i);
            if (j < fmt.size() && !fmt[j].isLetter() && fmt[j] != u'\'' && !isBlank(fmt[j]))
                return fmt[j];
            break;
        }
        ++i;
    }
    return u':';
}

QString padded(int v, int width) { return QString::number(v).rightJustified(width, u'0'); }

QChar firstOr(const QString& s, QChar fallback) { return s.isEmpty() ? fallback : s.front(); }

} // namespace

Regional Regional::current()
{
    const QLocale locale;
    Regional r;
    r.decimalSeparator = firstOr(locale.decimalPoint(), u'.');
    r.thousandSeparator = firstOr(locale.groupSeparator(), u',');
    r.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    r.longTimeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    r.timeSeparator = timeSeparatorOf(r.longTimeFormat);
    // Qt reports "AM"/"PM" even for locales whose clock has no marker.
    if (hasMarker(r.longTimeFormat)) {
        r.amText = locale.amText();
        r.pmText = locale.pmText();
    }
    return r;
}

QString formatShortDate(const QDate& date, const Regional& regional)
{
    // The C locale keeps the digits ASCII: history lines written with this
    // are read back with the same format.
    return QLocale::c().toString(date, regional.shortDateFormat);
}

QString formatLongTime(const QTime& time, const Regional& regional)
{
    // Formatted by hand rather than with QLocale::toString, whose AP field
    // would print the markers of whatever locale does the formatting rather
    // than those of regional.
    if (!time.isValid())
        return {};
    const QString& fmt = regional.longTimeFormat;
    const bool twelveHour = hasMarker(fmt);
    const bool am = time.hour() < 12;
    QString out;
    for (qsizetype i = 0; i < fmt.size();) {
        const QChar c = fmt[i];
        const qsizetype run = runLength(fmt, i);
        if (c == u'\'') {
            const qsizetype n = quotedLength(fmt, i);
            out += unquote(fmt.mid(i, n));
            i += n;
        } else if (c == u'h' || c == u'H' || c == u'm' || c == u's') {
            const int width = run >= 2 ? 2 : 1;
            int v = c == u'm' ? time.minute() : c == u's' ? time.second() : time.hour();
            if (c == u'h' && twelveHour) {
                v %= 12;
                if (v == 0)
                    v = 12;
            }
            out += padded(v, width);
            i += width;
        } else if (c == u'z') {
            if (run >= 3) {
                out += padded(time.msec(), 3);
                i += 3;
            } else {
                // Fraction of the second without trailing zeros, as Qt's 'z'.
                QString ms = padded(time.msec(), 3);
                while (ms.size() > 1 && ms.back() == u'0')
                    ms.chop(1);
                out += ms;
                i += 1;
            }
        } else if (c == u'a' || c == u'A') {
            const QString& text = am ? regional.amText : regional.pmText;
            if (i + 1 < fmt.size() && (fmt[i + 1] == u'p' || fmt[i + 1] == u'P')) {
                const bool upper = c == u'A' && fmt[i + 1] == u'P';
                const bool lower = c == u'a' && fmt[i + 1] == u'p';
                out += upper ? text.toUpper() : lower ? text.toLower() : text;
                i += 2;
            } else {
                out += c == u'A' ? text.toUpper() : text.toLower();
                i += 1;
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace platform
