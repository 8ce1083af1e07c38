#include "windows/MovesFormat.h"

#include "platform/NumberText.h"

namespace windows {

QString movementDate(const QDateTime& t, const platform::Regional& r)
{
    if (!t.isValid())
        return {};
    const QTime time = t.time();
    int hour = time.hour() % 12;
    if (hour == 0)
        hour = 12;
    const QString& marker = time.hour() < 12 ? r.amText : r.pmText;
    return t.date().toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ') +
           QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')) + r.timeSeparator +
           QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0')) + QLatin1Char(' ') + marker;
}

namespace {

QString grouped(const QString& fixed, QChar decimalSep, QChar thousandSep)
{
    if (fixed.contains(QLatin1Char('E')))
        return fixed;
    qsizetype start = fixed.startsWith(QLatin1Char('-')) ? 1 : 0;
    qsizetype end = fixed.indexOf(decimalSep);
    if (end < 0)
        end = fixed.size();
    QString out = fixed.left(start);
    for (qsizetype i = start; i < end; ++i) {
        if (i > start && (end - i) % 3 == 0)
            out += thousandSep;
        out += fixed[i];
    }
    return out + fixed.mid(end);
}

} // namespace

QString movementCount(double v, int scale, const platform::Regional& r)
{
    if (scale < 0)
        return grouped(platform::formatFixed(v, 15, -scale, r.decimalSeparator), r.decimalSeparator,
                       r.thousandSeparator);
    return platform::formatGeneral(v, r.decimalSeparator, 15);
}

QString movementMoney(double v, const platform::Regional& r)
{
    return platform::formatFixed(v, 15, 2, r.decimalSeparator);
}

bool documentMatches(const QString& text, bool numberIsNull, qint32 number)
{
    if (numberIsNull)
        return text.isEmpty();
    int n = 0;
    return !text.isEmpty() && platform::parseInteger(text, &n) && n == number;
}

QVariant movementRowColour(std::optional<int> direction, int role, const QColor& windowColour)
{
    if (direction == 1 && role == Qt::ForegroundRole)
        return kReceiptColour;
    if (direction == -1 && role == Qt::BackgroundRole)
        return windowColour;
    return {};
}

} // namespace windows
