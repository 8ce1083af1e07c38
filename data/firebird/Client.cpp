#include "data/firebird/Client.h"

#include <QString>

#include <algorithm>
#include <iterator>

namespace fb {

bool Error::hasCode(intptr_t code) const
{
    for (auto c : codes_)
        if (c == code)
            return true;
    return false;
}

bool Error::connectionLost() const
{
    // Measured against a Firebird 3 server: the first call after the server
    // died (SIGKILL or SIGTERM) reads nothing back, every later one cannot
    // write; an attachment the server ended says "connection shutdown".
    static constexpr intptr_t lost[] = {isc_network_error,  isc_net_read_err,       isc_net_write_err,
                                        isc_conn_lost,      isc_lost_db_connection, isc_att_shutdown,
                                        isc_net_server_shutdown, kServerSilent, kConnectionDead};
    return !codes_.empty() && std::find(std::begin(lost), std::end(lost), codes_.front()) != std::end(lost);
}

bool Error::unreachable() const
{
    // A stopped server makes an attach wait out its connect timeout and then
    // says "connection rejected by remote interface".
    static constexpr intptr_t unanswered[] = {isc_connect_reject, isc_net_connect_err, isc_net_connect_listen_err,
                                              isc_net_event_connect_timeout, kAttachGivenUp};
    return connectionLost() ||
           (!codes_.empty() &&
            std::find(std::begin(unanswered), std::end(unanswered), codes_.front()) != std::end(unanswered));
}

Firebird::IMaster* master()
{
    static Firebird::IMaster* m = Firebird::fb_get_master_interface();
    return m;
}

Firebird::IUtil* util()
{
    static Firebird::IUtil* u = master()->getUtilInterface();
    return u;
}

Firebird::IProvider* provider()
{
    static Firebird::IProvider* p = master()->getDispatcher();
    return p;
}

namespace {

// What the person at the desk is told first about the client library's most
// common failures; the library's own text follows as the second line.
QString plainWords(const std::vector<intptr_t>& codes)
{
    if (codes.empty())
        return {};
    switch (codes.front()) {
    case isc_io_error:
        return QStringLiteral("Файл базы данных не найден или недоступен. Проверьте путь к нему в файле Orvado.INI.");
    case isc_network_error:
        return QStringLiteral("Сервер базы данных недоступен: нет связи с ним по сети. Проверьте, что сервер "
                              "включён и сеть работает.");
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_conn_lost:
    case isc_lost_db_connection:
        return QStringLiteral("Связь с сервером базы данных прервалась. Программа подключится снова при "
                              "следующей команде.");
    case isc_connect_reject:
        return QStringLiteral("Сервер базы данных не отвечает. Программа подключится к нему снова при "
                              "следующей команде.");
    case isc_login:
        return QStringLiteral("Сервер базы данных не принял имя пользователя или пароль программы.");
    case isc_shutdown:
    case isc_shutinprog:
        return QStringLiteral("База данных закрыта администратором для обслуживания.");
    case isc_att_shutdown:
    case isc_net_server_shutdown:
        return QStringLiteral("Сервер базы данных прервал подключение. Программа подключится снова при "
                              "следующей команде.");
    case isc_lock_conflict:
    case isc_deadlock:
    case isc_update_conflict:
        return QStringLiteral("Запись занята другим пользователем. Повторите позже.");
    default:
        return {};
    }
}

} // namespace

Error toError(const Firebird::FbException& e)
{
    char buf[4096];
    unsigned n = util()->formatStatus(buf, sizeof buf, e.getStatus());
    std::vector<intptr_t> codes;
    const intptr_t* v = e.getStatus()->getErrors();
    // Scan the whole vector: the top code is often a generic one.
    while (v && *v != isc_arg_end) {
        intptr_t kind = v[0];
        if (kind == isc_arg_gds)
            codes.push_back(v[1]);
        if (kind == isc_arg_cstring)
            v += 3;
        else
            v += 2;
    }
    QString text = QString::fromLocal8Bit(buf, static_cast<qsizetype>(n)).trimmed();
    const QString words = plainWords(codes);
    if (!words.isEmpty())
        text = words + QLatin1Char('\n') + text;
    return Error(text, std::move(codes));
}

void call(const std::function<void(Firebird::ThrowStatusWrapper&)>& body)
{
    Firebird::IStatus* st = master()->getStatus();
    Firebird::ThrowStatusWrapper status(st);
    try {
        body(status);
    } catch (const Firebird::FbException& e) {
        Error err = toError(e);
        status.dispose();
        throw err;
    }
    status.dispose();
}

} // namespace fb
