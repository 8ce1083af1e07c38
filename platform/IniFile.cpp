#include "platform/IniFile.h"

#include "platform/Cp1251.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"
#include "platform/NumberText.h"

#include <QByteArray>
#include <QFile>

#include <optional>
#include <vector>

namespace platform {
namespace {

constexpr qsizetype kMaxValueLength = 2047;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimBlanks(QByteArray s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line of the file: its text and its own line end, kept apart so that
// lines we do not change are written back exactly as read.
struct Line {
    QByteArray text;
    QByteArray end; // "\r\n", "\n" or empty for a last line without one

    enum Kind { Other, Section, Value } kind = Other;
    QString name;        // section or key name, trimmed
    qsizetype eqPos = -1; // Value: index of the first '='
};

std::vector<Line> splitLines(const QByteArray& data)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype nl = data.indexOf('\n', start);
        Line line;
        if (nl < 0) {
            line.text = data.mid(start);
            start = data.size();
        } else {
            qsizetype textEnd = nl;
            if (textEnd > start && data[textEnd - 1] == '\r')
                --textEnd;
            line.text = data.mid(start, textEnd - start);
            line.end = data.mid(textEnd, nl + 1 - textEnd);
            start = nl + 1;
        }
        // A final line cut off after its CR still counts as a CR-ended line.
        if (line.end.isEmpty() && line.text.endsWith('\r')) {
            line.text.chop(1);
            line.end = "\r";
        }
        lines.push_back(std::move(line));
    }

    for (Line& line : lines) {
        const QByteArray t = trimBlanks(line.text);
        if (t.startsWith('[')) {
            const qsizetype close = t.indexOf(']');
            if (close > 0) {
                line.kind = Line::Section;
                line.name = trimBlanks(fromCp1251(t.mid(1, close - 1)));
            }
        } else if (!t.startsWith(';')) {
            const qsizetype eq = line.text.indexOf('=');
            if (eq >= 0) {
                const QString key = trimBlanks(fromCp1251(line.text.left(eq)));
                if (!key.isEmpty()) {
                    line.kind = Line::Value;
                    line.name = key;
                    line.eqPos = eq;
                }
            }
        }
    }
    return lines;
}

// nullopt when the file is missing or cannot be read.
std::optional<QByteArray> readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

// Where a key lives. Sections of the same name are taken as one, in file
// order, so the first occurrence of a key wins wherever it stands.
struct Location {
    qsizetype firstSection = -1; // header line of the first matching section
    qsizetype lastValueOfFirstSection = -1;
    qsizetype keyLine = -1;
};

Location locate(const std::vector<Line>& lines, const QString& section, const QString& key)
{
    Location loc;
    bool inSection = false;
    bool inFirst = false;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const Line& line = lines[size_t(i)];
        if (line.kind == Line::Section) {
            inSection = sameName(line.name, section);
            inFirst = inSection && loc.firstSection < 0;
            if (inFirst)
                loc.firstSection = i;
        } else if (line.kind == Line::Value && inSection) {
            if (inFirst)
                loc.lastValueOfFirstSection = i;
            if (loc.keyLine < 0 && sameName(line.name, key))
                loc.keyLine = i;
        }
    }
    return loc;
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

const QString& IniFile::path() const { return path_; }

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    const auto data = readAll(path_);
    if (!data)
        return def;
    const auto lines = splitLines(*data);
    const Location loc = locate(lines, trimBlanks(section), trimBlanks(key));
    if (loc.keyLine < 0)
        return def;
    const Line& line = lines[size_t(loc.keyLine)];
    // Blanks around the value are dropped: "Key = value" means "value".
    return trimBlanks(fromCp1251(line.text.mid(line.eqPos + 1))).left(kMaxValueLength);
}

double IniFile::readFloat(const QString& section, const QString& key, double def, QChar decimalSep) const
{
    const QString text = readString(section, key, QString());
    double v = 0;
    if (text.isEmpty() || !parseDecimal(text, decimalSep, &v))
        return def;
    return v;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const Failure failure(QStringLiteral("Unable to write to ") + path_);

    QByteArray data;
    if (QFile::exists(path_)) {
        // Rewriting a file we cannot read would lose everything else in it.
        const auto existing = readAll(path_);
        if (!existing)
            throw failure;
        data = *existing;
    }
    std::vector<Line> lines = splitLines(data);
    const QString sectionName = trimBlanks(section);
    const QString keyName = trimBlanks(key);

    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray encodedValue = toCp1251(flat);

    const Location loc = locate(lines, sectionName, keyName);
    const QByteArray crlf("\r\n");
    if (loc.keyLine >= 0) {
        // Keep the key as spelt in the file, and its spacing around '='.
        Line& line = lines[size_t(loc.keyLine)];
        qsizetype keep = line.eqPos + 1;
        while (keep < line.text.size() && isBlank(line.text[keep]))
            ++keep;
        line.text = line.text.left(keep) + encodedValue;
    } else {
        Line added;
        added.text = toCp1251(keyName) + '=' + encodedValue;
        added.end = crlf;
        if (loc.firstSection >= 0) {
            // After the section's last value, so comments and blank lines
            // leading into the next section stay with it.
            const qsizetype after = loc.lastValueOfFirstSection >= 0 ? loc.lastValueOfFirstSection
                                                                      : loc.firstSection;
            Line& prev = lines[size_t(after)];
            // A lone CR ends a line only at the end of the file: once a line
            // follows, it needs its LF too, or the two would read as one.
            if (!prev.end.endsWith('\n'))
                prev.end = crlf;
            lines.insert(lines.begin() + after + 1, std::move(added));
        } else {
            if (!lines.empty() && !lines.back().end.endsWith('\n'))
                lines.back().end = crlf;
            Line header;
            header.text = '[' + toCp1251(sectionName) + ']';
            header.end = crlf;
            lines.push_back(std::move(header));
            lines.push_back(std::move(added));
        }
    }

    QByteArray out;
    out.reserve(data.size() + encodedValue.size() + 64);
    for (const Line& line : lines) {
        out += line.text;
        out += line.end;
    }

    if (!saveFileAtomically(path_, out))
        throw failure;
}

void IniFile::writeFloat(const QString& section, const QString& key, double value, QChar decimalSep)
{
    writeString(section, key, formatGeneral(value, decimalSep, 15));
}

} // namespace platform
