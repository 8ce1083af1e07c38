#include "tests/support/PrivateServer.h"
#include "tests/support/Loopback.h"

#include "data/firebird/Client.h"
#include "data/firebird/Database.h"
#include "data/firebird/Error.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

// The program's own connection parameters must work against this server.
const QString kPassword = QStringLiteral("kavuntelo");

QString installDir(unsigned code)
{
    const char* d = fb::master()->getConfigManager()->getDirectory(code);
    return d ? QDir::cleanPath(QString::fromLocal8Bit(d)) : QString();
}

QString installRoot()
{
    const char* d = fb::master()->getConfigManager()->getRootDirectory();
    return d ? QDir::cleanPath(QString::fromLocal8Bit(d)) : QString();
}

QString serverBinary()
{
    return installDir(Firebird::IConfigManager::DIR_SBIN) + QStringLiteral("/firebird");
}

QString securityDatabase()
{
    return installDir(Firebird::IConfigManager::DIR_SECDB) + QStringLiteral("/security3.fdb");
}

int freeLoopbackPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return 0;
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool accepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return false;
    sockaddr_in a = loopback(port);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

PrivateServer::PrivateServer() = default;

PrivateServer::~PrivateServer()
{
    kill();
}

bool PrivateServer::saysServerIsGone(const QString& text)
{
    for (const char* says : {"Error reading data from the connection", "Error writing data to the connection",
                             "Unable to complete network request", "connection shutdown", "Connection shutdown"})
        if (text.contains(QLatin1String(says)))
            return true;
    return false;
}

QString PrivateServer::unavailableReason()
{
    const QString bin = serverBinary();
    if (!QFileInfo(bin).isExecutable())
        return QStringLiteral("no Firebird 3 server binary at %1 (package firebird3.0-server)").arg(bin);
    const QString sec = securityDatabase();
    if (!QFileInfo(sec).isReadable())
        return QStringLiteral("the security database %1 cannot be read by this user").arg(sec);
    return {};
}

bool PrivateServer::prepareRoot(QString* error)
{
    root_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/orvado-fbserver-XXXXXX"));
    if (!root_->isValid())
        return fail(error, QStringLiteral("no temporary folder: ") + root_->errorString());
    // ORVADO_KEEP_SERVER_ROOT=1 keeps the folder (and its firebird.log) for a look after the run.
    root_->setAutoRemove(qEnvironmentVariableIsEmpty("ORVADO_KEEP_SERVER_ROOT"));
    const QDir dir(root_->path());
    const QString inst = installRoot();
    for (const char* name : {"firebird.msg", "plugins", "plugins.conf", "lib"}) {
        const QString n = QString::fromLatin1(name);
        if (!QFile::link(inst + QLatin1Char('/') + n, dir.filePath(n)))
            return fail(error, QStringLiteral("cannot link %1 into %2").arg(n, dir.path()));
    }
    // The character sets are looked up beside the root's own intl folder.
    dir.mkpath(QStringLiteral("intl"));
    dir.mkpath(QStringLiteral("lock"));
    const QString intl = installDir(Firebird::IConfigManager::DIR_INTL);
    for (const char* name : {"libfbintl.so", "fbintl.conf"}) {
        const QString n = QString::fromLatin1(name);
        if (!QFile::copy(intl + QLatin1Char('/') + n, dir.filePath(QStringLiteral("intl/") + n)))
            return fail(error, QStringLiteral("cannot copy %1/%2").arg(intl, n));
    }
    const QString sec = dir.filePath(QStringLiteral("security3.fdb"));
    const QString draft = dir.filePath(QStringLiteral("security-draft.fdb"));
    if (!QFile::copy(securityDatabase(), draft))
        return fail(error, QStringLiteral("cannot copy %1").arg(securityDatabase()));
    QFile::setPermissions(draft, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QFile conf(dir.filePath(QStringLiteral("firebird.conf")));
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Text))
        return fail(error, QStringLiteral("cannot write ") + conf.fileName());
    conf.write(QStringLiteral("RemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\nSecurityDatabase = %2\n")
                   .arg(port_)
                   .arg(sec)
                   .toLocal8Bit());
    conf.close();

    // SYSDBA gets the program's password in a draft copy, through the
    // embedded engine pointed at the draft as its security database. The
    // engine keeps the draft open for a while after, so the server gets a
    // copy of it instead.
    try {
        fb::Database db(QStringLiteral("fbserver"), fb::CloseAction::Commit, fb::Access::ReadWrite);
        db.setDatabaseName(draft);
        db.params().password = kPassword;
        db.params().config = QStringLiteral("SecurityDatabase = ") + draft;
        db.connect();
        db.executeImmediate(QStringLiteral("create or alter user SYSDBA password '%1' using plugin Srp").arg(kPassword));
        db.disconnect();
    } catch (const fb::Error& e) {
        return fail(error, QStringLiteral("cannot set the SYSDBA password in the security copy: ") + e.text());
    }
    if (!QFile::copy(draft, sec))
        return fail(error, QStringLiteral("cannot copy ") + draft);
    return true;
}

bool PrivateServer::start(QString* error)
{
    if (running())
        return true;
    if (const QString why = unavailableReason(); !why.isEmpty())
        return fail(error, why);
    if (!root_) {
        port_ = freeLoopbackPort();
        if (port_ == 0)
            return fail(error, QStringLiteral("no free loopback port"));
        if (!prepareRoot(error)) {
            root_.reset();
            return false;
        }
    }
    proc_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), root());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), root() + QStringLiteral("/lock"));
    proc_->setProcessEnvironment(env);
    proc_->setWorkingDirectory(root());
    proc_->setProcessChannelMode(QProcess::MergedChannels);
    proc_->setStandardOutputFile(root() + QStringLiteral("/server.out"), QIODevice::Append);
    // A test that crashes must not leave its server behind.
    proc_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    proc_->start(serverBinary(), {});
    if (!proc_->waitForStarted(10000))
        return fail(error, QStringLiteral("cannot start %1: %2").arg(serverBinary(), proc_->errorString()));
    return waitUntilListening(error);
}

bool PrivateServer::waitUntilListening(QString* error)
{
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (proc_->state() != QProcess::Running) {
            QFile out(root() + QStringLiteral("/server.out"));
            out.open(QIODevice::ReadOnly);
            return fail(error, QStringLiteral("the Firebird server ended at start (exit %1): %2")
                                   .arg(proc_->exitCode())
                                   .arg(QString::fromLocal8Bit(out.readAll()).trimmed()));
        }
        if (accepts(port_))
            return true;
        QThread::msleep(50);
    }
    kill();
    return fail(error, QStringLiteral("the Firebird server does not listen on port %1").arg(port_));
}

void PrivateServer::stop()
{
    if (!running())
        return;
    proc_->terminate();
    if (!proc_->waitForFinished(3000))
        kill();
    proc_.reset();
}

void PrivateServer::kill()
{
    if (!proc_)
        return;
    if (proc_->state() != QProcess::NotRunning) {
        proc_->kill();
        proc_->waitForFinished(10000);
    }
    proc_.reset();
}

bool PrivateServer::running() const
{
    return proc_ && proc_->state() == QProcess::Running;
}

qint64 PrivateServer::pid() const
{
    return running() ? proc_->processId() : 0;
}

QString PrivateServer::databaseName(const QString& absolutePath) const
{
    return QStringLiteral("localhost/%1:%2").arg(port_).arg(absolutePath);
}

} // namespace testsupport
