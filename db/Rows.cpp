#include "db/Rows.h"

#include "data/firebird/Database.h"
#include "data/firebird/Error.h"

namespace db {

RowInserter::RowInserter(fb::Database& db, const QString& table, const QStringList& columns)
    : columns_(columns)
{
    QStringList params;
    for (const QString& c : columns)
        params << QLatin1Char(':') + c;
    q_ = std::make_unique<fb::Query>(
        db, QStringLiteral("insert into ") + table,
        QStringList{QStringLiteral("INSERT INTO %1 (%2)").arg(table, columns.join(QStringLiteral(", "))),
                    QStringLiteral("VALUES (%1)").arg(params.join(QStringLiteral(", ")))});
    q_->prepare();
}

RowInserter::~RowInserter() = default;

void RowInserter::set(const QString& column, const fb::Value& v)
{
    int i = static_cast<int>(columns_.indexOf(column));
    if (i < 0)
        throw fb::Error(QStringLiteral("%1: no column %2 in this insert").arg(q_->name(), column));
    q_->setParamAt(i, v);
}

void RowInserter::insert()
{
    q_->execute();
    for (int i = 0; i < columns_.size(); ++i)
        q_->setParamAt(i, fb::Value{});
}

int maxId(fb::Database& db, const QString& table)
{
    fb::Query q(db, QStringLiteral("max id"), {QStringLiteral("SELECT MAX(ID) AS M FROM ") + table},
                {fb::ColumnDef{QStringLiteral("M"), fb::ColumnType::Integer, 0, {}, {}, false, true}});
    q.open();
    return q.field(QStringLiteral("M")).asInteger();
}

std::unique_ptr<fb::Database> openForLoading(const QString& path, int forcedWrites)
{
    auto db = std::make_unique<fb::Database>(QStringLiteral("makedb"), fb::CloseAction::Commit, fb::Access::ReadWrite);
    db->setDatabaseName(path);
    db->params().password = QStringLiteral("masterkey");
    db->params().forcedWrites = forcedWrites;
    db->connect();
    return db;
}

} // namespace db
