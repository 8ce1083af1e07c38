#include "platform/EngineLock.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const char* const kLockVariable = "FIREBIRD_LOCK";

// A folder of this user's alone: made when missing, refused when it is a
// link, belongs to another user or lets others in (a folder someone else
// prepared under a name we would use).
bool privateFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return ::access(native.constData(), W_OK | X_OK) == 0;
}

QString fromEnv(const char* name)
{
    return QFile::decodeName(qgetenv(name));
}

} // namespace

QString serverModeIn(const QByteArray& firebirdConf)
{
    QString mode = QStringLiteral("Super");
    for (QByteArray line : firebirdConf.split('\n')) {
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || line.left(eq).trimmed().toLower() != "servermode")
            continue;
        const QString value = QString::fromLatin1(line.mid(eq + 1).trimmed()).toLower();
        if (value == QLatin1String("super") || value == QLatin1String("threadeddedicated"))
            mode = QStringLiteral("Super");
        else if (value == QLatin1String("superclassic") || value == QLatin1String("threadedshared"))
            mode = QStringLiteral("SuperClassic");
        else if (value == QLatin1String("classic") || value == QLatin1String("multiprocess"))
            mode = QStringLiteral("Classic");
    }
    return mode;
}

QString engineServerMode()
{
    QString conf = QStringLiteral("/etc/firebird/3.0/firebird.conf");
    const QString root = fromEnv("FIREBIRD");
    if (!root.isEmpty())
        conf = root + QStringLiteral("/firebird.conf");
    QFile f(conf);
    if (!f.open(QIODevice::ReadOnly))
        return serverModeIn({});
    return serverModeIn(f.readAll());
}

QString engineLockFolder()
{
    const QString set = fromEnv(kLockVariable);
    return set.isEmpty() ? QStringLiteral("/tmp/firebird") : set;
}

QString prepareEngineLock()
{
    if (!qEnvironmentVariableIsEmpty(kLockVariable) || engineServerMode() != QLatin1String("Super"))
        return {};
    QList<QString> candidates;
    const QString runtime = fromEnv("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')))
        candidates << runtime + QStringLiteral("/orvado-firebird");
    QString cache = fromEnv("XDG_CACHE_HOME");
    if (!cache.startsWith(QLatin1Char('/'))) {
        const QString home = fromEnv("HOME");
        if (home.startsWith(QLatin1Char('/')))
            cache = home + QStringLiteral("/.cache");
    }
    if (cache.startsWith(QLatin1Char('/')))
        candidates << cache + QStringLiteral("/Orvado/firebird-lock");
    for (const QString& folder : candidates) {
        if (privateFolder(folder)) {
            qputenv(kLockVariable, QFile::encodeName(folder));
            return folder;
        }
    }
    return {};
}

} // namespace platform
