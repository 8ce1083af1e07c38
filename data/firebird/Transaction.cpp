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
        throw db_.notOpen();
    // read committed + rec_version + nowait; the enterprise database is only
    // read, so its transaction says so and holds back no garbage collection.
    unsigned char tpb[] = {isc_tpb_version3,
                           static_cast<unsigned char>(access_ == Access::ReadOnly ? isc_tpb_read : isc_tpb_write),
                           isc_tpb_nowait, isc_tpb_rec_version, isc_tpb_read_committed};
    db_.call([&](ThrowStatusWrapper& st) { tra_ = db_.attachment()->startTransaction(&st, sizeof tpb, tpb); });
    return tra_;
}

void Transaction::commitRetaining()
{
    if (!tra_)
        return;
    try {
        db_.call([&](ThrowStatusWrapper& st) { tra_->commitRetaining(&st); });
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
        db_.call([&](ThrowStatusWrapper& st) { t->commit(&st); });
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
        db_.call([&](ThrowStatusWrapper& st) { t->rollback(&st); });
    } catch (const Error&) {
        t->release();
        throw;
    }
}

void Transaction::abandon()
{
    // Neither committed nor rolled back: a connection given up must never
    // commit, and its server ends the transaction with the attachment.
    if (!tra_)
        return;
    ITransaction* t = tra_;
    tra_ = nullptr;
    db_.perform([t] { t->release(); });
}

void Transaction::end()
{
    if (closeAction_ == CloseAction::Commit)
        commit();
    else
        rollback();
}

} // namespace fb
