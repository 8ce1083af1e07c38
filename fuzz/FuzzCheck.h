#pragma once

// What the fuzz targets share: a property that fails prints what differed and
// aborts, so libFuzzer keeps the input as a crash artifact.

#include "platform/Cp1251.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Bytes as C escapes, so a report shows exactly which bytes differ.
inline QByteArray shown(const QByteArray& bytes)
{
    QByteArray out = "\"";
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '\\' || u == '"')
            out += QByteArray("\\") + c;
        else if (u >= 0x20 && u < 0x7F)
            out += c;
        else
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out + '"';
}

inline QByteArray shown(const QString& text)
{
    QByteArray out = "\"";
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '"')
            out += QByteArray("\\") + char(u);
        else if (u >= 0x20 && u < 0x7F)
            out += char(u);
        else
            out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
    }
    return out + '"';
}

inline QByteArray shown(const QStringList& lines)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < lines.size(); ++i)
        out += (i ? ", " : "") + shown(lines[i]);
    return out + "] (" + QByteArray::number(lines.size()) + " lines)";
}

// The input read both ways a text reaches the program: as Windows-1251
// bytes, and, to reach every UTF-16 unit, as UTF-16.
template <class Check>
void eachReading(const std::uint8_t* data, std::size_t size, Check check)
{
    check(platform::fromCp1251(reinterpret_cast<const char*>(data), qsizetype(size)));
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        utf16[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    check(utf16);
}

[[noreturn]] inline void fail(const char* property, const QByteArray& detail)
{
    std::fprintf(stderr, "\n*** property broken: %s\n%s\n", property, detail.constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::fuzz::fail(#condition, (detail));                                                                        \
    } while (0)

// A folder of the process's own for the targets that read files: under
// $TMPDIR when set (scripts/fuzz.sh points it at its scratch folder), else in
// memory under /dev/shm, else the system's temporary folder.
inline QString privateDir()
{
    static const QString path = [] {
        QString base = qEnvironmentVariable("TMPDIR");
        if (base.isEmpty() || !QDir(base).exists())
            base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        static QTemporaryDir dir(base + QStringLiteral("/orvado-fuzz-XXXXXX"));
        if (!dir.isValid())
            fail("a private folder", QFile::encodeName(base));
        return dir.path();
    }();
    return path;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
               QFile::encodeName(path));
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly), QFile::encodeName(path));
    return file.readAll();
}

// A text after one trip through a Windows-1251 file: the one byte the code
// page leaves undefined reads as U+FFFD, which writes back as '?'.
inline QString throughCp1251(QString text)
{
    return text.replace(QChar(0xFFFD), QLatin1Char('?'));
}

inline QStringList throughCp1251(QStringList lines)
{
    for (QString& line : lines)
        line = throughCp1251(line);
    return lines;
}

} // namespace fuzz
