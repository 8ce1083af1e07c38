#include "data/firebird/Transaction.h"

#include "data/firebird/Client.h"

namespace fb {

using namespace Firebird;

Transaction::Transaction(Database& db, CloseAction closeAction, Access access)
    : db_(db), closeAction_(closeAction), access_(access)
{
}

Transaction::~Transaction()
{
    if (tra_)
        tra_->release();
}

ITransaction* Transaction::handle()
{
    if (tra_)
        return tra_;
    if (!db_.attachment())
        throw Error(QStringLiteral("Database %1 is not open").arg(db_.databaseName()));
    // read committed + rec_version + nowait; the enterprise database is only
    // read, so its transaction says so and holds back no garbage collection.
    unsigned char tpb[] = {isc_tpb_version3,
                           static_cast<unsigned char>(access_ == Access::ReadOnly ? isc_tpb_read : isc_tpb_write),
                           isc_tpb_nowait, isc_tpb_rec_version, isc_tpb_read_committed};
    call([&](ThrowStatusWrapper& st) {
        tra_ = db_.attachment()->startTransaction(&st, sizeof tpb, tpb);
    });
    return tra_;
}

void Transaction::commitRetaining()
{
    if (!tra_)
        return;
    try {
        call([&](ThrowStatusWrapper& st) { tra_->commitRetaining(&st); });
    } catch (const Error& e) {
        db_.noteFailure(e);
        throw;
    }
}

void Transaction::commit()
{
    if (!tra_)
        return;
    ITransaction* t = tra_;
    tra_ = nullptr;
    try {
        call([&](ThrowStatusWrapper& st) { t->commit(&st); });
    } catch (const Error&) {
        t->release();
        throw;
    }
}

void Transaction::rollback()
{
    if (!tra_)
        return;
    ITransaction* t = tra_;
    tra_ = nullptr;
    try {
        call([&](ThrowStatusWrapper& st) { t->rollback(&st); });
    } catch (const Error&) {
        t->release();
        throw;
    }
}

void Transaction::abandon()
{
    try {
        end();
    } catch (const Error&) {
        // Expected: commit() and rollback() have let go of the handle.
    }
}

void Transaction::end()
{
    if (closeAction_ == CloseAction::Commit)
        commit();
    else
        rollback();
}

} // namespace fb
