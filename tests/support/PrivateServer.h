#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

// A Firebird 3 server of the test's own on a free loopback port: a root
// folder with links to the installed Firebird files, copies of the intl
// module and of the security database (where SYSDBA gets the program's
// password), and a firebird.conf naming the port and the security database.
// The server runs as a child process and dies with the test process.
class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // The client library's texts for a server that went away or is not there.
    static bool saysServerIsGone(const QString& text);

    // Empty when a server can run here; otherwise why not (no server binary,
    // no security database to copy).
    static QString unavailableReason();

    // Sets up the root folder (first time only) and starts the server,
    // returning once it accepts connections; later starts use the same port.
    // On failure returns false with the reason in *error.
    bool start(QString* error = nullptr);
    void stop();    // SIGTERM, and SIGKILL when it does not end soon
    void kill();    // SIGKILL: the server is gone at once
    bool restart(QString* error = nullptr) { stop(); return start(error); }

    bool running() const;
    // The server's process id (0 when not running), for a test that kills it
    // from another thread at a chosen moment; kill() then collects it.
    qint64 pid() const;
    int port() const { return port_; }
    QString root() const { return root_ ? root_->path() : QString(); }

    // "localhost/<port>:<absolutePath>", the name the client library hands
    // to this server.
    QString databaseName(const QString& absolutePath) const;

private:
    bool prepareRoot(QString* error);
    bool waitUntilListening(QString* error);

    std::unique_ptr<QTemporaryDir> root_;
    std::unique_ptr<QProcess> proc_;
    int port_ = 0;
};

} // namespace testsupport

// Skips the running test when no server can run here, and fails it when one
// should but does not start.
// In initTestCase: the whole test is skipped where no server can run.
#define PRIVATE_SERVER_REQUIRED()                                                                                  \
    do {                                                                                                           \
        const QString why_ = testsupport::PrivateServer::unavailableReason();                                      \
        if (!why_.isEmpty())                                                                                       \
            QSKIP(qPrintable(QStringLiteral("no Firebird server can run here, so the server tests cannot: ") +  \
                             why_));                                                                               \
    } while (false)

#define PRIVATE_SERVER_START(server)                                                                               \
    do {                                                                                                           \
        const QString why_ = testsupport::PrivateServer::unavailableReason();                                      \
        if (!why_.isEmpty())                                                                                       \
            QSKIP(qPrintable(why_));                                                                               \
        QString error_;                                                                                            \
        if (!(server).start(&error_))                                                                              \
            QFAIL(qPrintable(error_));                                                                             \
    } while (false)
