#pragma once

#include <QChar>
#include <QString>

namespace platform {

// The settings file: Windows-1251 INI text, section and key names compared
// without regard to letter case. Nothing is cached: every read opens the file
// as it is now, and every write rewrites it at once through a temporary file
// renamed over the old one, changing only the one line it concerns.
class IniFile {
public:
    explicit IniFile(QString path);

    // The value, trimmed of blanks and cut to 2047 characters; def when the
    // file, section or key is missing.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // def also when the value is empty or not a number written with decimalSep.
    double readFloat(const QString& section, const QString& key, double def, QChar decimalSep) const;

    // Throw platform::Failure("Unable to write to <path>") when the file
    // cannot be written. Line breaks in value become blanks.
    void writeString(const QString& section, const QString& key, const QString& value);
    // Writes the general decimal form with 15 significant digits.
    void writeFloat(const QString& section, const QString& key, double value, QChar decimalSep);

    const QString& path() const;

private:
    QString path_;
};

} // namespace platform
