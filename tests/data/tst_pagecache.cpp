// The page cache a connection asks for reaches the embedded engine, and it
// belongs to the database, not to the attachment: the attachment that opens
// the file sets it, later ones share it, and once the last has closed the
// next one sets it anew. (A server ignores it: it keeps its own setting.)

#include "data/firebird/Database.h"
#include "data/firebird/Query.h"
#include "tests/support/TestDatabases.h"

#include <QTest>

#include <memory>

using namespace testdb;

namespace {

std::unique_ptr<fb::Database> attach(const QString& path, int pages)
{
    auto db = std::make_unique<fb::Database>(QStringLiteral("cache"), fb::CloseAction::Rollback,
                                             fb::Access::ReadOnly);
    db->setDatabaseName(path);
    db->params().password = QStringLiteral("any");
    db->params().config = QStringLiteral("Providers = Engine12"); // the two settings share the one text
    db->params().pageBuffers = pages;
    db->connect();
    return db;
}

int cachePages(fb::Database& db)
{
    fb::Query q(db, QStringLiteral("cache"), {QStringLiteral("SELECT MON$PAGE_BUFFERS FROM MON$DATABASE")},
                {fb::ColumnDef{QStringLiteral("MON$PAGE_BUFFERS"), fb::ColumnType::Integer, 0, {}, {}, false, true}});
    q.open();
    return q.field(QStringLiteral("MON$PAGE_BUFFERS")).asInteger();
}

} // namespace

class TestPageCache : public QObject {
    Q_OBJECT

private slots:
    void belongsToTheDatabase()
    {
        TestDatabases t;
        t.disconnectAll();
        auto first = attach(t.enterprisePath(), 3000);
        QCOMPARE(cachePages(*first), 3000);
        auto second = attach(t.enterprisePath(), 5000);
        QCOMPARE(cachePages(*second), 3000);
        QCOMPARE(cachePages(*first), 3000);
        first.reset();
        second.reset();
        auto third = attach(t.enterprisePath(), 4000);
        QCOMPARE(cachePages(*third), 4000);
    }
};

QTEST_GUILESS_MAIN(TestPageCache)
#include "tst_pagecache.moc"
