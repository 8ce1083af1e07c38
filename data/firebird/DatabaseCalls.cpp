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
    if (url.match(name).hasMatch())
        return true;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 2)
        return false; // no colon, or a drive letter
    static const QRegularExpression host(QStringLiteral("^[A-Za-z0-9_.\\-\\[\\]]+(/[A-Za-z0-9_\\-]+)?$"));
    return host.match(name.left(colon)).hasMatch();
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
        if (silenced_.exchange(false))
            throw silentError(*failure);
        std::rethrow_exception(*failure);
    }
}

Error Database::silentError(const std::exception_ptr& cause) const
{
    QString why;
    std::vector<intptr_t> codes{Error::kServerSilent};
    try {
        std::rethrow_exception(cause);
    } catch (const Error& e) {
        // The cut's own read error says nothing more than the first line.
        why = e.text().section(QLatin1Char('\n'), -1);
        codes.insert(codes.end(), e.codes().begin(), e.codes().end());
    } catch (const platform::Failure& f) {
        why = f.text();
    } catch (...) {
    }
    QString text = QStringLiteral("Сервер %1 «%2» не отвечает. Программа подключится к ней сама, как только сервер "
                                  "ответит.")
                       .arg(title_, name_);
    if (!why.isEmpty())
        text += QLatin1Char('\n') + why;
    return Error(text, std::move(codes));
}

Error Database::notOpen() const
{
    return Error(QStringLiteral("Нет соединения с базой данных «%1». Программа подключится к ней сама, как только "
                                "база станет доступна.")
                     .arg(name_));
}

void Database::call(const std::function<void(ThrowStatusWrapper&)>& body)
{
    perform([&] { fb::call(body); });
}

} // namespace fb
