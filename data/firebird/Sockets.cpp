#include "data/firebird/Sockets.h"

#include <QDir>
#include <QFile>

#include <algorithm>

#if defined(__linux__)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fb::sockets {

#if defined(__linux__)

namespace {

unsigned long inodeOf(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode))
        return 0;
    return static_cast<unsigned long>(st.st_ino);
}

bool isTcp(int fd)
{
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    int type = 0;
    socklen_t tlen = sizeof type;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    if (a.ss_family != AF_INET && a.ss_family != AF_INET6)
        return false;
    return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &tlen) == 0 && type == SOCK_STREAM;
}

} // namespace

std::vector<Socket> tcpSockets()
{
    std::vector<Socket> out;
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& name : fds) {
        bool ok = false;
        const int fd = name.toInt(&ok);
        if (!ok)
            continue;
        const unsigned long inode = inodeOf(fd);
        if (inode != 0 && isTcp(fd))
            out.push_back({fd, inode});
    }
    return out;
}

QString peerServer(int fd, int* port)
{
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return {};
    char host[INET6_ADDRSTRLEN] = {};
    int p = 0;
    QString out;
    if (a.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&a);
        ::inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        p = ntohs(in->sin_port);
        out = QString::fromLatin1(host);
    } else if (a.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&a);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
        p = ntohs(in6->sin6_port);
        out = QLatin1Char('[') + QString::fromLatin1(host) + QLatin1Char(']');
    } else {
        return {};
    }
    if (port)
        *port = p;
    return out + QLatin1Char('/') + QString::number(p);
}

void shutDown(const Socket& s)
{
    if (inodeOf(s.fd) == s.inode)
        ::shutdown(s.fd, SHUT_RDWR);
}

#else

std::vector<Socket> tcpSockets()
{
    return {};
}

QString peerServer(int, int*)
{
    return {};
}

void shutDown(const Socket&) {}

#endif

std::vector<Socket> since(const std::vector<Socket>& before)
{
    std::vector<Socket> out;
    for (const Socket& s : tcpSockets())
        if (std::none_of(before.begin(), before.end(), [&](const Socket& b) { return b.inode == s.inode; }))
            out.push_back(s);
    return out;
}

} // namespace fb::sockets
