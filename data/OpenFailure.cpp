#include "data/OpenFailure.h"

#include "data/firebird/Client.h"
#include "data/firebird/Database.h"
#include "platform/EngineLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace data {

namespace {

QString userName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::geteuid());
}

QString ownerOf(const struct stat& st)
{
    const passwd* pw = ::getpwuid(st.st_uid);
    const group* gr = ::getgrgid(st.st_gid);
    return QStringLiteral("владелец %1, группа %2")
        .arg(pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(st.st_uid),
             gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(st.st_gid));
}

bool canUse(const QString& path, int mode)
{
    return ::access(QFile::encodeName(path).constData(), mode) == 0;
}

// The engine's lock folder when it stopped the engine: the folder (or the one
// it is to be made in) cannot be written by this user, or the engine named a
// file in it that it could not open (a lock file another user made). Files
// of the folder are not looked at one by one: other engines make and remove
// them all the time.
QString lockProblem(const QString& text)
{
    const QString folder = platform::engineLockFolder();
    const QFileInfo fi(folder);
    if (fi.exists() ? !canUse(folder, W_OK | X_OK) : !canUse(fi.absolutePath(), W_OK | X_OK))
        return folder;
    // The engine names the folder ("operating system directive access
    // failed ... /tmp/firebird/") or the lock file it could not open.
    if (text.contains(QDir::cleanPath(folder) + QLatin1Char('/')))
        return folder;
    return {};
}

// Another engine in Super mode holds an exclusive lock on the file: a shared
// one is refused at once. Taken and dropped again straight away.
bool heldByAnother(const QString& path)
{
    // Never waits: a name the user typed may be a pipe or a device.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return held;
}

// The first folder on the way to the file that this user cannot pass.
QString closedFolder(const QString& path)
{
    QString dir = QFileInfo(path).absolutePath();
    QStringList chain;
    for (; !dir.isEmpty(); dir = QFileInfo(dir).path()) {
        chain.prepend(dir);
        if (dir == QLatin1String("/"))
            break;
    }
    for (const QString& d : chain)
        if (QFileInfo(d).isDir() && !canUse(d, X_OK))
            return d;
    return {};
}

} // namespace

QString whyNotOpened(const QString& databaseName, const platform::Failure& failure)
{
    if (databaseName.isEmpty() || fb::isRemoteName(databaseName))
        return {};
    const auto* error = dynamic_cast<const fb::Error*>(&failure);
    const QString path = QFileInfo(databaseName).absoluteFilePath();

    if ((error && error->hasCode(isc_already_opened)) || heldByAnother(path))
        return QStringLiteral("Файл базы занят другой программой (другой копией программы или сервером Firebird): "
                              "%1")
            .arg(path);

    // The engine could not start: its lock folder or a lock file in it
    // belongs to someone else (the server package's folder /tmp/firebird).
    if (const QString lock = lockProblem(failure.text()); !lock.isEmpty())
        return QStringLiteral("Папка блокировок Firebird %1 недоступна для записи пользователю %2 "
                              "(переменная FIREBIRD_LOCK)")
            .arg(lock, userName());

    const QString folder = closedFolder(path);
    if (!folder.isEmpty())
        return QStringLiteral("Нет доступа к папке %1 у пользователя %2").arg(folder, userName());

    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && !canUse(path, R_OK | W_OK))
        return QStringLiteral("Нет прав на чтение и запись файла %1 у пользователя %2 (%3)")
            .arg(path, userName(), ownerOf(st));
    return {};
}

} // namespace data
