#pragma once

#include <QString>

#include <optional>

namespace platform {

// The connection alias records. The desktop these records were kept in had a
// per-user registry; here they live in a per-user file,
// $XDG_CONFIG_HOME/Orvado/aliases.ini (~/.config/Orvado/aliases.ini), one
// section per alias.
struct AliasRecord {
    QString databaseName;
    QString userName;
    QString lcCtype;
    QString sqlRoleName;
    QString sqlDialect;
};

QString aliasStorePath();
void storeAlias(const QString& alias, const AliasRecord& rec);
std::optional<AliasRecord> readAlias(const QString& alias);

} // namespace platform
