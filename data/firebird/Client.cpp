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
    return Error(QString::fromLocal8Bit(buf, static_cast<qsizetype>(n)).trimmed(), std::move(codes));
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
