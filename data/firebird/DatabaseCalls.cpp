// How a connection's calls run: on the connection's own thread, while the
// thread that asked keeps its windows answering and a watch tells a server
// that is slow from one that does not answer.

#include "data/firebird/Database.h"

#include "data/firebird/Client.h"
#include "data/firebird/Line.h"
#include "data/firebird/ServerWatch.h"
#include "platform/Waiting.h"

#include <QRegularExpression>

#include <optional>

namespace fb {

using namespace Firebird;


bool isRemoteName(const QString& name)
{
    static const QRegularExpression url(QStringLiteral("^[A-Za-z]+://"));
    return url.match(name).hasMatch() || splitServerName(name).has_value();
}

std::optional<ServerName> splitServerName(const QString& name)
{
    // host[/port]:path or [IPv6 address][/port]:path. A host has two
    // characters at least: a single letter before the colon is a drive.
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9_.\\-]{2,}$"));
    static const QRegularExpression portName(QStringLiteral("^[A-Za-z0-9_\\-]+$"));
    qsizetype end = 0;
    if (name.startsWith(QLatin1Char('['))) {
        end = name.indexOf(QLatin1Char(']'));
        if (end < 2)
            return std::nullopt;
        ++end;
    } else {
        while (end < name.size() && name[end] != QLatin1Char('/') && name[end] != QLatin1Char(':'))
            ++end;
        if (!hostName.match(name.left(end)).hasMatch())
            return std::nullopt;
    }
    ServerName out;
    out.server = name.left(end);
    if (end < name.size() && name[end] == QLatin1Char('/')) {
        const qsizetype colon = name.indexOf(QLatin1Char(':'), end + 1);
        const QString port = colon < 0 ? QString() : name.mid(end + 1, colon - end - 1);
        if (!portName.match(port).hasMatch())
            return std::nullopt;
        bool ok = false;
        out.port = port.toInt(&ok);
        if (!ok)
            out.port = 0; // a service name
        out.server += QLatin1Char('/') + port;
        end = colon;
    }
    if (end >= name.size() || name[end] != QLatin1Char(':') || end + 1 >= name.size())
        return std::nullopt;
    out.path = name.mid(end + 1);
    return out;
}

bool Database::remote() const
{
    return isRemoteName(name_);
}

void Database::useLine()
{
    if (!line_)
        line_ = std::make_unique<Line>();
}

bool Database::onItsThread() const
{
    return !line_ || line_->isCurrent();
}

void Database::perform(const std::function<void()>& job)
{
    if (!line_ || line_->isCurrent()) {
        job();
        return;
    }
    // The job's failure is written before the wait hears it is done, and read
    // after: the wait's one lock orders the two.
    auto failure = std::make_shared<std::exception_ptr>();
    {
        platform::Wait wait;
        line_->post([failure, &job, done = wait.done()] {
            try {
                job();
            } catch (...) {
                *failure = std::current_exception();
            }
            done();
        });
        // Most calls end at once: a short plain wait first, the watch only
        // for a call that runs on.
        std::optional<ServerWatch> watch;
        while (!wait.until(watch ? 100 : 20)) {
            if (!watch)
                watch.emplace(*this);
            else
                watch->check();
        }
    }
    if (*failure) {
        const Cut why = cutBy_.exchange(Cut::None);
        if (why != Cut::None)
            throw cutError(why, *failure);
        std::rethrow_exception(*failure);
    }
}

Error Database::cutError(Cut why, const std::exception_ptr& cause) const
{
    // The cause's own words (the cut's read error) go with it.
    QString text;
    std::vector<intptr_t> codes{why == Cut::Silent ? Error::kServerSilent : Error::kConnectionDead};
    try {
        std::rethrow_exception(cause);
    } catch (const Error& e) {
        text = e.text();
        codes.insert(codes.end(), e.codes().begin(), e.codes().end());
    } catch (const platform::Failure& f) {
        text = f.text();
    } catch (...) {
    }
    if (text.isEmpty())
        text = why == Cut::Silent ? QStringLiteral("the server does not answer")
                                  : QStringLiteral("the server shows the connection idle");
    return Error(text, std::move(codes), {name_});
}

Error Database::notOpen() const
{
    return Error(QStringLiteral("database not attached: %1").arg(name_), {Error::kNotAttached}, {name_});
}

void Database::call(const std::function<void(ThrowStatusWrapper&)>& body)
{
    perform([&] { fb::call(body); });
}

} // namespace fb
