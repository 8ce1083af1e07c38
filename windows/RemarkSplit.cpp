#include "windows/RemarkSplit.h"

namespace windows {

QStringList splitRemark(const QString& remark)
{
    QStringList entries;
    const qsizetype n = remark.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && remark[end] != QLatin1Char('\r') && remark[end] != QLatin1Char('\n'))
            ++end;
        entries.append(remark.sliced(start, end - start));
        if (end < n && remark[end] == QLatin1Char('\r') && end + 1 < n && remark[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return entries;
}

} // namespace windows
