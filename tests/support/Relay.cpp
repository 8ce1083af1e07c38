#include "tests/support/Relay.h"
#include "tests/support/Loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <list>

namespace testsupport {

namespace {

// Forwards what one side has to the other; false when that side is done.
bool forward(int from, int to)
{
    char buf[16384];
    const ssize_t n = ::recv(from, buf, sizeof buf, 0);
    if (n <= 0)
        return false;
    for (ssize_t sent = 0; sent < n;) {
        const ssize_t k = ::send(to, buf + sent, size_t(n - sent), MSG_NOSIGNAL);
        if (k <= 0)
            return false;
        sent += k;
    }
    return true;
}

} // namespace

struct Relay::Pair {
    int desk = -1;
    int server = -1;
    bool frozen = false;
    bool stallAfterReply = false; // frozen once the server's first reply went through
    ~Pair()
    {
        if (desk >= 0)
            ::close(desk);
        if (server >= 0)
            ::close(server);
    }
};

Relay::Relay(int serverPort) : serverPort_(serverPort)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    ::listen(listener_, 16);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
    thread_ = std::thread([this] { run(); });
}

Relay::~Relay()
{
    quit_ = true;
    wake();
    thread_.join();
    ::close(listener_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

QString Relay::databaseName(const QString& absolutePath) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(port_).arg(absolutePath);
}

void Relay::freezeOpen()
{
    ++freezeAsked_;
    wake();
}

void Relay::stallNew(bool on)
{
    stallNew_ = on;
}

void Relay::wake()
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &c, 1);
}

void Relay::run()
{
    std::list<std::unique_ptr<Pair>> pairs;
    int freezesDone = 0;
    while (!quit_) {
        if (freezeAsked_.load() != freezesDone) {
            freezesDone = freezeAsked_.load();
            for (auto& p : pairs)
                p->frozen = true;
        }
        std::vector<pollfd> fds{{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        std::vector<Pair*> of;
        for (auto& p : pairs) {
            if (p->frozen)
                continue; // nothing is read: the bytes stay where they are
            fds.push_back({p->desk, POLLIN, 0});
            of.push_back(p.get());
            fds.push_back({p->server, POLLIN, 0});
            of.push_back(p.get());
        }
        if (::poll(fds.data(), fds.size(), 200) <= 0)
            continue;
        if (fds[1].revents) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            const int desk = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (desk >= 0) {
                auto p = std::make_unique<Pair>();
                p->desk = desk;
                p->server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_in a = loopback(serverPort_);
                const int one = 1;
                ::setsockopt(p->desk, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                ::setsockopt(p->server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                if (::connect(p->server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
                    p->stallAfterReply = stallNew_.load();
                    pairs.push_back(std::move(p));
                    ++accepted_;
                }
            }
        }
        std::vector<Pair*> done;
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            Pair* p = of[i - 2];
            if (p->frozen)
                continue;
            const bool fromDesk = fds[i].fd == p->desk;
            if (!forward(fds[i].fd, fromDesk ? p->server : p->desk)) {
                done.push_back(p);
                continue;
            }
            if (!fromDesk && p->stallAfterReply)
                p->frozen = true;
        }
        pairs.remove_if([&](const std::unique_ptr<Pair>& p) {
            return std::find(done.begin(), done.end(), p.get()) != done.end();
        });
    }
}

} // namespace testsupport
