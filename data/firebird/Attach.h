#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace Firebird {
class IAttachment;
}

namespace fb {

// What an attach got: the handle, and the server it reached as a numeric
// address in the client library's form ("192.168.1.10/3050"), when the
// system tells.
struct Attached {
    Firebird::IAttachment* attachment = nullptr;
    QString server;
};

// An attach bounded as a whole: name resolution, the connect, the login and
// the server's answer. The client library cannot cancel an attach that has
// not returned its handle, so it runs on a thread of its own; at the bound it
// is given up: the sockets it opened are shut down, so that it ends soon, and
// a handle it still gets is let go of. One attach runs at a time in the
// process, so that the sockets that appear meanwhile are its own.
// serverPort: the port of the server the name reaches (0: unknown).
// Throws the client library's error, or, given up, an error whose code is
// Error::kAttachGivenUp.
Attached attachWithin(QByteArray name, QByteArray dpb, int boundMs, int serverPort);

// A thread of this layer that is to end before the program does (a probe);
// cut, when given, makes it end at once (it cuts what the thread waits for).
void keepUntilEnd(std::thread thread, std::shared_ptr<std::atomic<bool>> finished, std::function<void()> cut = {});

// At the program's end: what still runs of this layer (an attach given up, a
// probe) is cut and waited for, at most ms. False when something could not
// be ended: the client library must not then be torn down under it.
bool endStragglers(int ms);

} // namespace fb
