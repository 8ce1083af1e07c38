#include "data/firebird/ServerWatch.h"

#include "data/firebird/Attach.h"
#include "data/firebird/Database.h"
#include "data/firebird/Query.h"
#include "data/firebird/Transaction.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace fb {

namespace {

// A snapshot of the monitoring tables is taken per transaction: every look
// runs in one of its own. Dialect 3, which can name the tables' 64-bit
// columns; what is read comes back in types the layer reads.
const QStringList kLook{
    QStringLiteral("select cast(A.MON$STATE as integer) as ASTATE,"),
    QStringLiteral("  cast((select count(*) from MON$STATEMENTS S"),
    QStringLiteral("        where S.MON$ATTACHMENT_ID = A.MON$ATTACHMENT_ID and S.MON$STATE = 1) as integer) as ACTIVE,"),
    QStringLiteral("  cast(I.MON$PAGE_READS as double precision) as READS,"),
    QStringLiteral("  cast(I.MON$PAGE_WRITES as double precision) as WRITES,"),
    QStringLiteral("  cast(I.MON$PAGE_FETCHES as double precision) as FETCHES,"),
    QStringLiteral("  cast(I.MON$PAGE_MARKS as double precision) as MARKS"),
    QStringLiteral("from MON$ATTACHMENTS A left join MON$IO_STATS I on I.MON$STAT_ID = A.MON$STAT_ID"),
    QStringLiteral("where A.MON$ATTACHMENT_ID = :ID")};

std::vector<ColumnDef> lookColumns()
{
    auto col = [](const char* name, ColumnType type) {
        ColumnDef c;
        c.name = QString::fromLatin1(name);
        c.type = type;
        return c;
    };
    std::vector<ColumnDef> out{col("ASTATE", ColumnType::Integer), col("ACTIVE", ColumnType::Integer)};
    for (const char* c : {"READS", "WRITES", "FETCHES", "MARKS"})
        out.push_back(col(c, ColumnType::Double));
    return out;
}

} // namespace

// What the probe's thread and the watch share; the thread may outlive the
// watch, and ends before the program does.
struct ServerWatch::Probe {
    enum class Attach { Pending, Attached, Unanswered, Refused };
    std::mutex m;
    std::condition_variable cv;
    Attach attach = Attach::Pending;
    bool lookWanted = false;
    bool stop = false;
    int looksDone = 0;
    bool lookFailed = false;
    Look look;
    Database* db = nullptr; // the probe's connection, while it exists

    // Cuts the probe's own connection: whatever it waits for ends at once.
    void cut()
    {
        std::lock_guard<std::mutex> lock(m);
        if (db)
            db->cutSilent();
    }
};

AttachmentLook::AttachmentLook(Database& probe)
    : db_(probe), q_(std::make_unique<Query>(probe, QStringLiteral("look"), kLook, lookColumns()))
{
}

AttachmentLook::~AttachmentLook() = default;

ServerWatch::Look AttachmentLook::at(qint64 attachmentId)
{
    ServerWatch::Look l;
    q_->setParam(QStringLiteral("ID"), qint32(attachmentId));
    q_->open();
    if (q_->hasRow()) {
        l.found = true;
        l.working = q_->field(QStringLiteral("ASTATE")).asInteger() == 1 ||
                    q_->field(QStringLiteral("ACTIVE")).asInteger() > 0;
        int i = 0;
        for (const char* c : {"READS", "WRITES", "FETCHES", "MARKS"})
            l.pages[size_t(i++)] = q_->field(QString::fromLatin1(c)).asDouble();
    }
    q_->close();
    db_.transaction().commit();
    return l;
}

bool ServerWatch::deadBetween(const Look& before, const Look& now)
{
    return !before.working && !now.working && before.pages == now.pages;
}

ServerWatch::ServerWatch(Database& db) : db_(db), remote_(db.remote())
{
    running_.start();
}

ServerWatch::~ServerWatch()
{
    if (!probe_)
        return;
    {
        std::lock_guard<std::mutex> lock(probe_->m);
        probe_->stop = true;
    }
    probe_->cv.notify_all();
    // A look still out, or an attach not yet answered, is not waited for.
    if (lookPending_ || probe_->attach == Probe::Attach::Pending)
        probe_->cut();
}

void ServerWatch::startProbe()
{
    const std::optional<ServerName> server = splitServerName(db_.databaseName());
    const QString address = db_.serverAddress();
    const QString name = server && !address.isEmpty() ? address + QLatin1Char(':') + server->path : db_.databaseName();
    ConnectParams params = db_.params();
    params.dialect = 3;
    params.pageBuffers = 0;
    params.forcedWrites = -1;
    params.connectTimeout = std::max(1, (db_.watchTimes().probeAttachMs + 999) / 1000);
    const qint64 attachmentId = db_.attachmentId();
    probe_ = std::make_shared<Probe>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([probe = probe_, finished, name, params, attachmentId] {
        {
            Database db(QStringLiteral("PROBE"), CloseAction::Rollback, Access::ReadOnly);
            db.setDatabaseName(name);
            db.params() = params;
            {
                std::lock_guard<std::mutex> lock(probe->m);
                probe->db = &db;
            }
            Probe::Attach attached = Probe::Attach::Attached;
            try {
                db.connect();
            } catch (const Error& e) {
                attached = e.unreachable() ? Probe::Attach::Unanswered : Probe::Attach::Refused;
            }
            {
                std::lock_guard<std::mutex> lock(probe->m);
                probe->attach = attached;
            }
            probe->cv.notify_all();
            if (attached == Probe::Attach::Attached) {
                AttachmentLook look(db);
                for (;;) {
                    {
                        std::unique_lock<std::mutex> lock(probe->m);
                        probe->cv.wait(lock, [&] { return probe->stop || probe->lookWanted; });
                        if (probe->stop)
                            break;
                        probe->lookWanted = false;
                    }
                    Look l;
                    try {
                        l = look.at(attachmentId);
                    } catch (const Error&) {
                        std::lock_guard<std::mutex> lock(probe->m);
                        probe->lookFailed = true;
                        break;
                    }
                    {
                        std::lock_guard<std::mutex> lock(probe->m);
                        probe->look = l;
                        ++probe->looksDone;
                    }
                    probe->cv.notify_all();
                }
            }
            {
                std::lock_guard<std::mutex> lock(probe->m);
                probe->db = nullptr;
            }
            probe->cv.notify_all();
        } // the probe's connection goes here: a detach, or nothing left after a cut
        *finished = true;
    });
    keepUntilEnd(std::move(thread), finished, [probe = probe_] { probe->cut(); });
    asked_.start();
}

void ServerWatch::check()
{
    if (!remote_ || decided_ || !db_.connected() || db_.attaching())
        return;
    const WatchTimes& t = db_.watchTimes();
    if (db_.closing()) {
        // Closing: nothing is kept that a call not done by now could save.
        if (running_.elapsed() >= t.closingMs) {
            decided_ = true;
            db_.cutSilent();
        }
        return;
    }
    if (!probe_) {
        if (running_.elapsed() >= t.quietMs)
            startProbe();
        return;
    }
    auto decide = [this](bool silent) {
        decided_ = true;
        if (silent)
            db_.cutSilent();
        else
            db_.cutDead();
    };
    std::unique_lock<std::mutex> lock(probe_->m);
    switch (probe_->attach) {
    case Probe::Attach::Pending:
        // The probe's attach gives up at its bound by itself; this is a
        // margin over it.
        if (asked_.elapsed() > t.probeAttachMs + 1000) {
            lock.unlock();
            decide(true);
        }
        return;
    case Probe::Attach::Unanswered:
        lock.unlock();
        decide(true);
        return;
    case Probe::Attach::Refused:
        return; // the server answers, but lets no probe look: the call is waited for
    case Probe::Attach::Attached:
        break;
    }
    if (probe_->lookFailed) {
        lock.unlock();
        decide(true); // the server stopped answering the probe too
        return;
    }
    if (lookPending_) {
        if (probe_->looksDone == looksSeen_) {
            if (asked_.elapsed() > t.lookAnswerMs) {
                lock.unlock();
                decide(true);
            }
            return;
        }
        lookPending_ = false;
        looksSeen_ = probe_->looksDone;
        const Look now = probe_->look;
        lock.unlock();
        if (last_ && deadBetween(*last_, now)) {
            decide(false);
            return;
        }
        // The first two looks come close together; a call the server is
        // working on is looked at less and less often.
        gap_ = last_ ? std::min(gap_ * 2, t.lookEveryMaxMs) : t.lookGapMs;
        last_ = now;
        nextLookAt_ = running_.elapsed() + gap_;
        return;
    }
    if (running_.elapsed() < nextLookAt_)
        return;
    probe_->lookWanted = true;
    lookPending_ = true;
    lock.unlock();
    probe_->cv.notify_all();
    asked_.restart();
}

} // namespace fb
