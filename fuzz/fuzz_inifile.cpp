// The settings file on arbitrary bytes: the input is the file.
//
// Properties:
// - readString finds what a plain reading of the file's rules finds: lines end
//   at LF (a CR before it, or one ending the file, belongs to the line end);
//   "[name]" opens a section, ";" starts a comment, "key=value" is a value;
//   the first occurrence of the key in any section of that name wins, names
//   compared without regard to case; the value trimmed of blanks, cut to 2047.
// - readFloat gives the default for an empty or missing value, and a number
//   it read and writeFloat wrote back reads again to 15 significant digits.
// - after writeString(section, key, value), readString gives the value back
//   with line breaks as blanks, trimmed and cut; every other setting reads as
//   before; the file's other lines stay byte for byte: the key's own line is
//   changed, or the key's line (with its section's header when the section is
//   new) is inserted whole, and only an unended last line may gain its end.

#include "FuzzCheck.h"

#include "platform/Cp1251.h"
#include "platform/Failure.h"
#include "platform/IniFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr qsizetype maxValue = 2047;

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimmed(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

struct Setting {
    QString section, key;
};

QByteArray shown(const Setting& s) { return "[" + fuzz::shown(s.section) + "] " + fuzz::shown(s.key); }

bool sameSetting(const Setting& a, const Setting& b)
{
    return a.section.compare(b.section, Qt::CaseInsensitive) == 0 && a.key.compare(b.key, Qt::CaseInsensitive) == 0;
}

// The texts of the lines, line ends removed.
QList<QByteArray> lineTexts(const QByteArray& data)
{
    QList<QByteArray> lines = data.split('\n');
    lines.removeLast(); // after the last LF: empty, or a last line without one
    if (!data.endsWith('\n'))
        lines.append(data.mid(data.lastIndexOf('\n') + 1));
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// What a line is: a section header, a value or neither.
struct Parsed {
    enum { Other, Section, Value } kind = Other;
    QString name;
    QByteArray value;
};

Parsed parse(const QByteArray& text)
{
    Parsed p;
    const QString decoded = trimmed(platform::fromCp1251(text));
    if (decoded.startsWith(QLatin1Char('['))) {
        const qsizetype close = decoded.indexOf(QLatin1Char(']'));
        if (close >= 0) {
            p.kind = Parsed::Section;
            p.name = trimmed(decoded.mid(1, close - 1));
        }
    } else if (!decoded.startsWith(QLatin1Char(';'))) {
        const qsizetype eq = text.indexOf('=');
        if (eq >= 0 && !trimmed(platform::fromCp1251(text.left(eq))).isEmpty()) {
            p.kind = Parsed::Value;
            p.name = trimmed(platform::fromCp1251(text.left(eq)));
            p.value = text.mid(eq + 1);
        }
    }
    return p;
}

// Each file is parsed once: the checks read it many times.
using ParsedFile = std::vector<Parsed>;

ParsedFile parseFile(const QByteArray& data)
{
    ParsedFile lines;
    for (const QByteArray& text : lineTexts(data))
        lines.push_back(parse(text));
    return lines;
}

std::optional<QString> plainRead(const ParsedFile& file, const Setting& wanted)
{
    bool inSection = false;
    for (const Parsed& p : file) {
        if (p.kind == Parsed::Section)
            inSection = p.name.compare(wanted.section, Qt::CaseInsensitive) == 0;
        else if (p.kind == Parsed::Value && inSection && p.name.compare(wanted.key, Qt::CaseInsensitive) == 0)
            return trimmed(platform::fromCp1251(p.value)).left(maxValue);
    }
    return std::nullopt;
}

bool hasSection(const ParsedFile& file, const QString& section)
{
    for (const Parsed& p : file) {
        if (p.kind == Parsed::Section && p.name.compare(section, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The settings the program itself uses, some of the file's own (names that
// read as U+FFFD cannot be written back as they read), and new ones.
std::vector<Setting> settingsFor(const ParsedFile& file)
{
    std::vector<Setting> all = {
        {QStringLiteral("Paths"), QStringLiteral("AEDir")},
        {QStringLiteral("Charges"), QStringLiteral("RoznRate")},
        {QStringLiteral(u"Склад"), QStringLiteral(u"Имя")},
    };
    QString section, firstSection;
    bool inSection = false;
    int taken = 0;
    for (const Parsed& p : file) {
        if (p.name.contains(QChar(0xFFFD)))
            continue;
        if (p.kind == Parsed::Section) {
            section = p.name;
            if (!inSection)
                firstSection = section;
            inSection = true;
        } else if (p.kind == Parsed::Value && inSection && taken < 6) {
            all.push_back({section, p.name});
            ++taken;
        }
    }
    if (inSection) {
        all.push_back({firstSection, QStringLiteral("NewKey")});
        all.push_back({QStringLiteral(u"Новый раздел"), all.back().key});
    }
    return all;
}

// The lines with their ends, cut after every LF.
QList<QByteArray> linesWithEnds(const QByteArray& data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype nl = data.indexOf('\n', start);
        const qsizetype end = nl < 0 ? data.size() : nl + 1;
        lines.append(data.mid(start, end - start));
        start = end;
    }
    return lines;
}

QByteArray shownFiles(const QByteArray& before, const QByteArray& after)
{
    return "before " + fuzz::shown(before) + "\nafter  " + fuzz::shown(after);
}

void checkOnlyItsLineChanged(const QByteArray& before, const QByteArray& after, bool keyExisted, bool sectionExisted)
{
    const QList<QByteArray> b = linesWithEnds(before), a = linesWithEnds(after);
    if (keyExisted) {
        FUZZ_CHECK(a.size() == b.size(), shownFiles(before, after));
        int changed = 0;
        for (qsizetype i = 0; i < b.size(); ++i)
            changed += a[i] != b[i];
        FUZZ_CHECK(changed <= 1, shownFiles(before, after));
        return;
    }
    const qsizetype added = sectionExisted ? 1 : 2;
    FUZZ_CHECK(a.size() == b.size() + added, shownFiles(before, after));
    // The last line ahead of the insertion point that is still the same.
    qsizetype at = 0;
    while (at < b.size() && a[at] == b[at])
        ++at;
    // An unended last line, with the insertion right after it, gains its end.
    if (at == b.size() - 1 && !b[at].endsWith('\n')
        && (a[at] == b[at] + "\r\n" || (b[at].endsWith('\r') && a[at] == b[at] + "\n")))
        ++at;
    for (qsizetype i = at; i < at + added; ++i)
        FUZZ_CHECK(a[i].endsWith("\r\n") && a[i].count('\n') == 1, shownFiles(before, after));
    for (qsizetype i = at; i < b.size(); ++i)
        FUZZ_CHECK(a[i + added] == b[i], shownFiles(before, after));
}

QString flattened(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

void checkWrite(platform::IniFile& ini, const std::vector<Setting>& settings, const Setting& target,
                const QString& value)
{
    const QByteArray before = fuzz::readFile(ini.path());
    const ParsedFile parsedBefore = parseFile(before);
    const bool keyExisted = plainRead(parsedBefore, target).has_value();
    const bool sectionExisted = hasSection(parsedBefore, target.section);
    try {
        ini.writeString(target.section, target.key, value);
    } catch (const platform::Failure& failure) {
        fuzz::fail("writeString succeeds", failure.what());
    }
    const QByteArray after = fuzz::readFile(ini.path());
    const ParsedFile parsedAfter = parseFile(after);

    const QString expected = trimmed(flattened(fuzz::throughCp1251(value))).left(maxValue);
    const QString back = ini.readString(target.section, target.key, QStringLiteral("\n(default)"));
    FUZZ_CHECK(back == expected, shown(target) + " wrote " + fuzz::shown(value) + " read " + fuzz::shown(back) + "\n"
                                     + shownFiles(before, after));
    for (const Setting& other : settings) {
        if (!sameSetting(other, target))
            FUZZ_CHECK(plainRead(parsedAfter, other) == plainRead(parsedBefore, other),
                       shown(other) + " changed by writing " + shown(target) + "\n" + shownFiles(before, after));
    }
    checkOnlyItsLineChanged(before, after, keyExisted, sectionExisted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = fuzz::privateDir() + QStringLiteral("/Orvado.INI");
    fuzz::writeFile(path, bytes);
    platform::IniFile ini(path);
    const ParsedFile parsed = parseFile(bytes);
    const std::vector<Setting> settings = settingsFor(parsed);

    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    std::optional<std::pair<Setting, double>> number;
    for (const Setting& s : settings) {
        const QString text = ini.readString(s.section, s.key, QStringLiteral("\n(default)"));
        const std::optional<QString> plain = plainRead(parsed, s);
        FUZZ_CHECK(text == plain.value_or(QStringLiteral("\n(default)")),
                   shown(s) + " read " + fuzz::shown(text) + " expected "
                       + (plain ? fuzz::shown(*plain) : QByteArray("the default")) + " in " + fuzz::shown(bytes));
        for (QChar sep : {QLatin1Char('.'), QLatin1Char(',')}) {
            const double v = ini.readFloat(s.section, s.key, none, sep);
            if (text.isEmpty() || !plain)
                FUZZ_CHECK(std::isnan(v), shown(s) + " empty or missing reads as " + QByteArray::number(v));
            else if (!std::isnan(v) && !number)
                number = std::pair(s, v);
        }
    }

    // Values from the input itself: its first line as it stands (blanks,
    // CRs and all), and its tail, line breaks included.
    const qsizetype firstEnd = bytes.indexOf('\n');
    const QString firstLine = platform::fromCp1251(firstEnd < 0 ? bytes : bytes.left(firstEnd));
    const QString tail = platform::fromCp1251(bytes.right(64));
    checkWrite(ini, settings, settings[size % settings.size()], firstLine);
    checkWrite(ini, settings, settings.back(), tail);
    checkWrite(ini, settings, settings[(size / 3) % settings.size()], tail + firstLine);

    if (number) {
        const auto& [s, v] = *number;
        ini.writeFloat(s.section, s.key, v, QLatin1Char(','));
        const double back = ini.readFloat(s.section, s.key, none, QLatin1Char(','));
        FUZZ_CHECK(back == v || std::fabs(back - v) <= std::fabs(v) * 6e-15,
                   shown(s) + " wrote " + QByteArray::number(v, 'g', 17) + " read " + QByteArray::number(back, 'g', 17)
                       + " from " + fuzz::shown(fuzz::readFile(path)));
    }
    return 0;
}
