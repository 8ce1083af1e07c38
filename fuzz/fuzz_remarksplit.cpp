// The remark splitter on arbitrary text: the input read as Windows-1251 (as
// a remark comes from the database) and, to reach every UTF-16 unit, as
// UTF-16 too.
//
// Properties: the entries are what a plain reading of the rules gives (CR LF,
// a lone CR and a lone LF each end an entry; a line end at the very end adds
// no empty entry; nothing trimmed); no entry holds a line break; and the
// entries joined with LF give the remark back with its line ends as LF and
// without the last one.

#include "FuzzCheck.h"

#include "windows/RemarkSplit.h"

#include <cstddef>
#include <cstdint>

namespace {

QString lfOnly(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QStringList plainSplit(const QString& remark)
{
    if (remark.isEmpty())
        return {};
    QString text = lfOnly(remark);
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

void check(const QString& remark)
{
    const QStringList entries = windows::splitRemark(remark);
    FUZZ_CHECK(entries == plainSplit(remark),
               fuzz::shown(remark) + " split as " + fuzz::shown(entries) + ", not " + fuzz::shown(plainSplit(remark)));
    for (const QString& entry : entries)
        FUZZ_CHECK(!entry.contains(QLatin1Char('\r')) && !entry.contains(QLatin1Char('\n')), fuzz::shown(entry));
    QString back = lfOnly(remark);
    if (back.endsWith(QLatin1Char('\n')))
        back.chop(1);
    FUZZ_CHECK(entries.join(QLatin1Char('\n')) == back || (entries.isEmpty() && remark.isEmpty()),
               fuzz::shown(remark) + " joined back as " + fuzz::shown(entries.join(QLatin1Char('\n'))));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::eachReading(data, size, check);
    return 0;
}
