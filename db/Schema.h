#pragma once

#include <QString>
#include <QStringList>

namespace fb {
class Database;
}

namespace db {

// The SQL that builds each database, compiled in from enterprise.sql and
// price.sql beside this file, so nothing needs the source tree at run time.
QString enterpriseScript();
QString priceScript();

// The statements of a script in order: split at the terminator, SET TERM
// obeyed and dropped, comments removed, empty statements dropped.
QStringList splitScript(const QString& sqlText);

// Runs every statement of a script in the connection's default transaction,
// committing (retaining) after each, since later statements need the tables
// earlier ones made. isql's own commands (SET SQL DIALECT, SET NAMES,
// SET AUTODDL, COMMIT) are accepted: the connection has done their job.
void runScript(fb::Database& db, const QString& sqlText);

// Create a new database file (failing when it exists) with all its tables,
// and close it again. Without forced writes the engine does not wait for the
// disk: for throwaway files (tests) only.
void createEnterprise(const QString& path, bool forcedWrites = true);
void createPrice(const QString& path, bool forcedWrites = true);

} // namespace db
