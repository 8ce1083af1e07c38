// The named-parameter rewriting on arbitrary statement text, read as
// Windows-1251 (as the program sends it) and as UTF-16.
//
// Properties: every ":Name" that becomes "?" shortens the text by the name's
// length and nothing else changes length, so the rewritten text plus the
// names' lengths is the original length; the "?" marks are the text's own
// plus one per name; every name starts as a name must; text without a colon
// comes back unchanged and names nothing.

#include "FuzzCheck.h"

#include "data/firebird/ParamText.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(const QString& text)
{
    const fb::PositionalText out = fb::positionalParams(text);
    qsizetype names = 0;
    for (const QString& n : out.names) {
        FUZZ_CHECK(!n.isEmpty() && (n[0].isLetter() || n[0] == QLatin1Char('_')),
                   fuzz::shown(text) + " named " + fuzz::shown(n));
        names += n.size();
    }
    FUZZ_CHECK(out.text.size() + names == text.size(),
               fuzz::shown(text) + " became " + fuzz::shown(out.text) + " with " + fuzz::shown(out.names));
    FUZZ_CHECK(out.text.count(QLatin1Char('?')) == text.count(QLatin1Char('?')) + out.names.size(),
               fuzz::shown(text) + " became " + fuzz::shown(out.text));
    if (!text.contains(QLatin1Char(':')))
        FUZZ_CHECK(out.text == text && out.names.isEmpty(), fuzz::shown(text) + " changed without a colon");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::eachReading(data, size, check);
    return 0;
}
