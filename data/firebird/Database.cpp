#include "data/firebird/Database.h"

#include "data/firebird/Attach.h"
#include "data/firebird/Client.h"
#include "data/firebird/Line.h"
#include "data/firebird/Query.h"
#include "data/firebird/Transaction.h"
#include "platform/Cp1251.h"

#include <algorithm>
#include <optional>

namespace fb {

using namespace Firebird;


Database::Database(QString alias, CloseAction closeAction, Access access, QObject* parent)
    : QObject(parent), alias_(std::move(alias)),
      tra_(std::make_unique<Transaction>(*this, closeAction, access))
{
}

Database::~Database()
{
    try {
        disconnect();
    } catch (const Error&) {
        // Nothing sensible to report from a destructor.
    }
}

QByteArray Database::buildDpb(int createPageSize, int connectTimeout) const
{
    QByteArray out;
    fb::call([&](ThrowStatusWrapper& st) {
        IXpbBuilder* b = util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
        auto str = [&](unsigned char tag, const QString& v) {
            if (!v.isEmpty()) {
                QByteArray bytes = platform::toCp1251(v);
                b->insertBytes(&st, tag, bytes.constData(), static_cast<unsigned>(bytes.size()));
            }
        };
        str(isc_dpb_lc_ctype, params_.charset);
        str(isc_dpb_user_name, params_.userName);
        str(isc_dpb_password, params_.password);
        str(isc_dpb_sql_role_name, params_.role);
        QString config = params_.config;
        if (params_.pageBuffers > 0) {
            if (!config.isEmpty())
                config += QLatin1Char('\n');
            config += QStringLiteral("DefaultDbCachePages = %1").arg(params_.pageBuffers);
        }
        str(isc_dpb_config, config);
        const int timeout = connectTimeout > 0 ? connectTimeout : params_.connectTimeout;
        if (timeout > 0)
            b->insertInt(&st, isc_dpb_connect_timeout, timeout);
        if (params_.forcedWrites >= 0)
            b->insertInt(&st, isc_dpb_force_write, params_.forcedWrites);
        if (createPageSize > 0) {
            b->insertInt(&st, isc_dpb_sql_dialect, params_.dialect);
            b->insertInt(&st, isc_dpb_page_size, createPageSize);
            b->insertString(&st, isc_dpb_set_db_charset, "WIN1251");
        }
        out = QByteArray(reinterpret_cast<const char*>(b->getBuffer(&st)),
                         static_cast<qsizetype>(b->getBufferLength(&st)));
        b->dispose();
    });
    return out;
}

namespace {

// The server's id of an attachment (isc_info_attachment_id); 0 when not told.
qint64 attachmentIdOf(IAttachment* a)
{
    const unsigned char items[] = {isc_info_attachment_id, isc_info_end};
    unsigned char buf[16] = {};
    try {
        fb::call([&](ThrowStatusWrapper& st) { a->getInfo(&st, sizeof items, items, sizeof buf, buf); });
    } catch (const Error&) {
        return 0;
    }
    if (buf[0] != isc_info_attachment_id)
        return 0;
    const int len = buf[1] | (buf[2] << 8);
    qint64 id = 0;
    for (int i = 0; i < len && i < 8; ++i)
        id |= qint64(buf[3 + i]) << (8 * i);
    return id;
}

} // namespace

Firebird::IAttachment* Database::attach()
{
    const QByteArray dpb = buildDpb(0);
    const QByteArray name = platform::toCp1251(name_);
    // A whole attach waits as long as its connect may: the client library's
    // own timeout covers only the server's first answer.
    const int boundMs = (params_.connectTimeout > 0 ? params_.connectTimeout : 180) * 1000;
    const std::optional<ServerName> server = splitServerName(name_);
    const int port = server ? (server->port > 0 ? server->port : 3050) : 0;
    Attached a = attachWithin(name, dpb, boundMs, port);
    attachmentId_ = attachmentIdOf(a.attachment);
    {
        std::lock_guard<std::mutex> lock(serverMutex_);
        server_ = a.server;
    }
    return a.attachment;
}

QString Database::serverAddress() const
{
    std::lock_guard<std::mutex> lock(serverMutex_);
    return server_;
}

void Database::setAttachment(Firebird::IAttachment* a)
{
    std::lock_guard<std::mutex> lock(attMutex_);
    att_ = a;
}

void Database::connect()
{
    // As a whole on the connection's thread, after any job running there,
    // the after-connect action with it: what it opens is used there.
    if (att_)
        return;
    perform([this] {
        if (attachNow() && afterConnect_)
            afterConnect_();
    });
}

bool Database::attachNow()
{
    if (att_)
        return false;
    attaching_ = true;
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = false; }
    } done{attaching_};
    setAttachment(attach());
    lost_ = false;
    cutBy_ = Cut::None;
    return true;
}

void Database::reconnect()
{
    perform([this] {
        if (reattachNow() && afterConnect_)
            afterConnect_();
    });
}

bool Database::reattachNow()
{
    if (!att_)
        return attachNow();
    attaching_ = true;
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = false; }
    } done{attaching_};
    IAttachment* fresh = attach();
    cut();
    for (Query* q : queries_)
        q->forgetStatement();
    tra_->abandon();
    IAttachment* old = att_;
    setAttachment(fresh);
    lost_ = false;
    cutBy_ = Cut::None;
    try {
        call([&](ThrowStatusWrapper& st) { old->detach(&st); });
    } catch (const Error&) {
        old->release();
    }
    return true;
}

void Database::cut()
{
    // From any thread: the reference keeps the attachment alive while it is
    // cut, even if its own thread lets go of it meanwhile. The cut itself
    // answers at once, whatever the server does.
    IAttachment* a = nullptr;
    {
        std::lock_guard<std::mutex> lock(attMutex_);
        a = att_;
        if (a)
            a->addRef();
    }
    if (!a)
        return;
    try {
        fb::call([&](ThrowStatusWrapper& st) { a->cancelOperation(&st, fb_cancel_abort); });
    } catch (const Error&) {
        // Already closed.
    }
    a->release();
}

void Database::cutSilent()
{
    cutFor(Cut::Silent);
}

void Database::cutDead()
{
    cutFor(Cut::Dead);
}

void Database::cutFor(Cut why)
{
    cutBy_ = why;
    lost_ = true;
    cut();
}

void Database::noteFailure(const Error& e)
{
    if (att_ && e.connectionLost())
        lost_ = true;
}

void Database::create(int pageSize)
{
    if (att_)
        return;
    const QByteArray dpb = buildDpb(pageSize > 0 ? pageSize : 8192);
    const QByteArray name = platform::toCp1251(name_);
    IAttachment* a = nullptr;
    call([&](ThrowStatusWrapper& st) {
        a = provider()->createDatabase(&st, name.constData(), static_cast<unsigned>(dpb.size()),
                                       reinterpret_cast<const unsigned char*>(dpb.constData()));
    });
    setAttachment(a);
}

void Database::disconnect()
{
    // As a whole on the connection's thread, where its queries are used.
    if (!att_)
        return;
    perform([this] { detachNow(); });
}

void Database::detachNow()
{
    if (!att_)
        return;
    // Queries first: their statements belong to this attachment. A
    // connection known lost is cut before them; one that a statement's
    // release finds lost, before its transaction is let go of.
    const bool wasCut = lost_;
    if (wasCut)
        cut();
    auto open = queries_;
    for (Query* q : open)
        q->release();
    if (lost_ && !wasCut)
        cut();
    std::optional<Error> failure;
    if (lost_) {
        // A connection given up never commits: its transaction is let go of
        // and the server ends it on its own.
        tra_->abandon();
    } else {
        try {
            tra_->end();
        } catch (const Error& e) {
            failure = e;
        }
    }
    IAttachment* a = att_;
    setAttachment(nullptr);
    attachmentId_ = 0;
    lost_ = false;
    cutBy_ = Cut::None;
    try {
        call([&](ThrowStatusWrapper& st) { a->detach(&st); });
    } catch (const Error& e) {
        // A lost server cannot be detached from; drop the handle all the same.
        a->release();
        if (!failure)
            failure = e;
    }
    if (failure)
        throw *failure;
}

void Database::executeImmediate(const QString& sql)
{
    if (!att_)
        throw notOpen();
    QByteArray text = platform::toCp1251(sql);
    ITransaction* t = tra_->handle();
    call([&](ThrowStatusWrapper& st) {
        att_.load()->execute(&st, t, static_cast<unsigned>(text.size()), text.constData(),
                             static_cast<unsigned>(params_.dialect), nullptr, nullptr, nullptr, nullptr);
    });
}

void Database::attachQuery(Query* q)
{
    queries_.push_back(q);
}

void Database::detachQuery(Query* q)
{
    queries_.erase(std::remove(queries_.begin(), queries_.end(), q), queries_.end());
}

} // namespace fb
