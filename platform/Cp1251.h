#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Windows-1251, the single-byte character set of every file and database the
// program touches. The upper half is a fixed table of our own, so decoding
// does not depend on which codecs the Qt build carries and stays a plain
// table lookup (it runs over every text a query returns).

// Decodes len bytes; a negative len means data is NUL-terminated. The one
// byte the code page leaves undefined (0x98) decodes to U+FFFD.
QString fromCp1251(const char* data, qsizetype len);
QString fromCp1251(const QByteArray& bytes);

// Encodes text; a character the code page lacks becomes '?' and sets *ok to
// false (otherwise *ok is set to true).
QByteArray toCp1251(const QString& text, bool* ok = nullptr);

} // namespace platform
