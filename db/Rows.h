#pragma once

#include "data/firebird/Query.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace fb {
class Database;
}

namespace db {

// Values as the Firebird layer takes them; a missing value is NULL.
inline fb::Value textOrNull(const QString& s)
{
    return s.isNull() ? fb::Value{} : fb::Value{s};
}

inline fb::Value numberOrNull(std::optional<double> d)
{
    return d ? fb::Value{*d} : fb::Value{};
}

inline fb::Value timeOrNull(const QDateTime& t)
{
    return t.isValid() ? fb::Value{t} : fb::Value{};
}

// One INSERT for a fixed list of columns, prepared once and executed per row.
// Every value starts as NULL and is NULL again after each insert, so callers
// set only the columns a row has.
class RowInserter {
public:
    RowInserter(fb::Database& db, const QString& table, const QStringList& columns);
    ~RowInserter();

    void set(int column, const fb::Value& v) { q_->setParamAt(column, v); }
    void set(const QString& column, const fb::Value& v);
    void insert();

private:
    QStringList columns_;
    std::unique_ptr<fb::Query> q_;
};

// The largest ID of a table (0 when it is empty).
int maxId(fb::Database& db, const QString& table);

// A read-write connection to a database being filled; its transaction is
// committed when it disconnects. forcedWrites: as fb::ConnectParams.
std::unique_ptr<fb::Database> openForLoading(const QString& path, int forcedWrites = -1);

} // namespace db
