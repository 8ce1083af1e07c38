#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace testsupport {

// A TCP relay on loopback in front of a server, as the network between a desk
// and its server: it passes bytes both ways until told otherwise.
//  - freezeOpen(): the connections open now stop moving bytes either way,
//    their sockets staying open, as when a router, NAT or firewall dropped
//    the connection's state; new connections pass as before.
//  - stallNew(true): every new connection gets the server's first reply and
//    then nothing more, as a server stuck in its login or a link that dies
//    in the middle of the handshake.
// Runs on a thread of its own; ends with the object.
class Relay {
public:
    explicit Relay(int serverPort);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    int port() const { return port_; }
    // "127.0.0.1/<port>:<absolutePath>": a database of the server, reached
    // through the relay.
    QString databaseName(const QString& absolutePath) const;

    void freezeOpen();
    void stallNew(bool on);
    // Connections the relay has taken so far, open or frozen.
    int accepted() const { return accepted_.load(); }

private:
    struct Pair;
    void run();
    void wake();

    int serverPort_;
    int port_ = 0;
    int listener_ = -1;
    int wakeRead_ = -1, wakeWrite_ = -1;
    std::atomic<bool> quit_{false};
    std::atomic<bool> stallNew_{false};
    std::atomic<int> freezeAsked_{0};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

} // namespace testsupport
