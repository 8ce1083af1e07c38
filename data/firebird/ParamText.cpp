#include "data/firebird/ParamText.h"

namespace fb {

namespace {

bool startsName(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool inName(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

} // namespace

PositionalText positionalParams(const QString& text)
{
    PositionalText out;
    out.text.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text runs to its closing quote; a doubled quote inside
            // closes and reopens it, which copies the same characters.
            qsizetype j = text.indexOf(c, i + 1);
            if (j < 0)
                j = n - 1;
            out.text += QStringView(text).mid(i, j - i + 1);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && text[i + 1] == QLatin1Char('-')) {
            qsizetype j = text.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            out.text += QStringView(text).mid(i, j - i);
            i = j - 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('*')) {
            qsizetype j = text.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out.text += QStringView(text).mid(i, j - i);
            i = j - 1;
        } else if (c == QLatin1Char(':') && i + 1 < n && startsName(text[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && inName(text[j]))
                ++j;
            out.names << text.mid(i + 1, j - i - 1);
            out.text += QLatin1Char('?');
            i = j - 1;
        } else {
            out.text += c;
        }
    }
    return out;
}

} // namespace fb
