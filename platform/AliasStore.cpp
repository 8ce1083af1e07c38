#include "platform/AliasStore.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {
QString section(const QString& alias)
{
    return QStringLiteral("Software\\FIBC_Software\\Aliases\\") + alias;
}
} // namespace

QString aliasStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Orvado/aliases.ini");
}

void storeAlias(const QString& alias, const AliasRecord& rec)
{
    const QString path = aliasStorePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile ini(path);
    const QString s = section(alias);
    ini.writeString(s, QStringLiteral("Database Name"), rec.databaseName);
    ini.writeString(s, QStringLiteral("user_name"), rec.userName);
    ini.writeString(s, QStringLiteral("lc_ctype"), rec.lcCtype);
    ini.writeString(s, QStringLiteral("sql_role_name"), rec.sqlRoleName);
    ini.writeString(s, QStringLiteral("SQL_DIALECT"), rec.sqlDialect);
}

std::optional<AliasRecord> readAlias(const QString& alias)
{
    const QString path = aliasStorePath();
    if (!QFileInfo::exists(path))
        return std::nullopt;
    IniFile ini(path);
    const QString s = section(alias);
    const QString missing = QStringLiteral("\x01");
    AliasRecord rec;
    rec.databaseName = ini.readString(s, QStringLiteral("Database Name"), missing);
    if (rec.databaseName == missing)
        return std::nullopt;
    rec.userName = ini.readString(s, QStringLiteral("user_name"), {});
    rec.lcCtype = ini.readString(s, QStringLiteral("lc_ctype"), {});
    rec.sqlRoleName = ini.readString(s, QStringLiteral("sql_role_name"), {});
    rec.sqlDialect = ini.readString(s, QStringLiteral("SQL_DIALECT"), {});
    return rec;
}

} // namespace platform
