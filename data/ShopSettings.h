#pragma once

#include "platform/IniFile.h"

#include <QString>

namespace fb {
class Database;
}

namespace data {

// The settings as the program reads them: the user's settings file, and for
// a key that file lacks, the shop-wide one (installed program only:
// /etc/orvado/Orvado.INI). The user's file wins where both name a key, even
// with an empty value: it is the file the program writes (a picked database,
// saved markups), so what the person at the desk chose last stays in force.
// Writes go to the user's file alone.
class SettingsFiles {
public:
    SettingsFiles(); // the files of platform::places()
    SettingsFiles(QString userFile, QString shopFile);

    QString readString(const QString& section, const QString& key, const QString& def) const;
    // def when the value that counts is empty or not a number.
    double readFloat(const QString& section, const QString& key, double def, QChar decimalSep) const;

private:
    platform::IniFile user_;
    QString shopFile_;
};

// What the person at the desk is told when the shop-wide file is there but
// this user may not read it (not in the desk users' group): without it the
// program would ask for files the administrator has named, and say nothing
// of why. Empty when the file is missing or readable.
QString unreadableShopFile(const QString& shopFile);

// Sections of the shop-wide file naming the account of a connection.
inline const QString kSectionAeAccount = QStringLiteral("AEAccount");
inline const QString kSectionPriceAccount = QStringLiteral("PriceAccount");

// The account the shop-wide file names for a connection, in its section:
// "User", "Password" and "Role"; each key there replaces the built-in value
// or the alias record's. Read from the shop-wide file only: the user's file
// is the program's to write, and no password is ever written anywhere.
void applyShopAccount(fb::Database& db, const QString& section, const QString& shopFile);

} // namespace data
