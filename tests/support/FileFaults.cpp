#include "tests/support/FileFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace faults {

namespace {

QString errnoText(int e)
{
    return QString::fromLocal8Bit(std::strerror(e));
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The raw calls: glibc's wrappers would apply a change to every thread,
// and only the calling one is meant.
bool capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    const long rc = set ? ::syscall(SYS_capset, &header, data) : ::syscall(SYS_capget, &header, data);
    return rc == 0;
}

constexpr unsigned kDacCaps[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};

} // namespace

std::optional<QByteArray> fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QString differenceFrom(const QString& path, const QByteArray& expected)
{
    const std::optional<QByteArray> have = fileBytes(path);
    if (!have)
        return QStringLiteral("%1 cannot be read (%2)")
            .arg(path, QFileInfo(path).isDir() ? QStringLiteral("a folder") : QStringLiteral("missing or locked"));
    if (*have == expected)
        return {};
    qsizetype at = 0;
    while (at < have->size() && at < expected.size() && have->at(at) == expected.at(at))
        ++at;
    return QStringLiteral("%1: %2 bytes, expected %3; first difference at byte %4: \"%5\" instead of \"%6\"")
        .arg(path)
        .arg(have->size())
        .arg(expected.size())
        .arg(at)
        .arg(QString::fromLatin1(have->mid(at, 40).toPercentEncoding(" ")),
             QString::fromLatin1(expected.mid(at, 40).toPercentEncoding(" ")));
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(f.errorString()));
}

// ---- PermissionsObeyed -----------------------------------------------------

PermissionsObeyed::PermissionsObeyed()
{
    __user_cap_data_struct data[2]{};
    if (!capabilities(data, false)) {
        reason_ = QStringLiteral("capget: ") + errnoText(errno);
        return;
    }
    bool holdsAny = false;
    for (unsigned cap : kDacCaps)
        holdsAny = holdsAny || (data[cap / 32].effective & (1u << (cap % 32)));
    if (!holdsAny) {
        ok_ = true; // permission bits already apply to this process
        return;
    }
    for (unsigned cap : kDacCaps)
        data[cap / 32].effective &= ~(1u << (cap % 32));
    if (!capabilities(data, true)) {
        reason_ = QStringLiteral("capset: ") + errnoText(errno);
        return;
    }
    ok_ = dropped_ = true;
}

PermissionsObeyed::~PermissionsObeyed()
{
    if (!dropped_)
        return;
    __user_cap_data_struct data[2]{};
    if (capabilities(data, false)) {
        for (unsigned cap : kDacCaps)
            data[cap / 32].effective |= data[cap / 32].permitted & (1u << (cap % 32));
        if (capabilities(data, true))
            return;
    }
    qFatal("could not raise the file capabilities again: %s", std::strerror(errno));
}

// ---- ModeChange -------------------------------------------------------------

ModeChange::ModeChange(const QString& path, mode_t mode) : path_(path)
{
    struct stat st;
    if (::stat(native(path).constData(), &st) != 0) {
        reason_ = path + QStringLiteral(": ") + errnoText(errno);
        return;
    }
    old_ = st.st_mode & 07777;
    if (::chmod(native(path).constData(), mode) != 0) {
        reason_ = QStringLiteral("chmod %1: %2").arg(path, errnoText(errno));
        return;
    }
    ok_ = true;
}

ModeChange::~ModeChange()
{
    if (ok_ && ::chmod(native(path_).constData(), old_) != 0)
        qWarning("could not give %s its mode back: %s", qPrintable(path_), std::strerror(errno));
}

// ---- ImmutableFile ----------------------------------------------------------

ImmutableFile::ImmutableFile(const QString& path) : path_(path)
{
    ok_ = setFlag(true);
}

ImmutableFile::~ImmutableFile()
{
    release();
}

void ImmutableFile::release()
{
    if (ok_ && setFlag(false))
        ok_ = false;
}

bool ImmutableFile::setFlag(bool on)
{
    // O_NONBLOCK: a FIFO or device must not hang the test.
    const int fd = ::open(native(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason_ = QStringLiteral("open %1: %2").arg(path_, errnoText(errno));
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (!done)
        reason_ = QStringLiteral("chattr %1i %2: %3").arg(on ? u'+' : u'-').arg(path_, errnoText(errno));
    ::close(fd);
    if (!done && !on)
        qWarning("%s", qPrintable(reason_));
    return done;
}

// ---- FullDisk ---------------------------------------------------------------

struct FullDisk::Saved {
    struct rlimit limit{};
    struct sigaction xfsz{};
};

FullDisk::FullDisk()
{
    QByteArray tmpl = native(QDir::tempPath() + QStringLiteral("/orvado-fulldisk-XXXXXX"));
    if (!::mkdtemp(tmpl.data()))
        qFatal("mkdtemp: %s", std::strerror(errno));
    base_ = QFile::decodeName(tmpl);
    dir_ = base_ + QStringLiteral("/disk");
    if (!QDir().mkpath(dir_))
        qFatal("cannot make %s", qPrintable(dir_));

    if (qEnvironmentVariableIsSet("ORVADO_TEST_NO_TMPFS")) {
        refusal_ = QStringLiteral("ORVADO_TEST_NO_TMPFS is set");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(kSize) + ",mode=0755";
    if (::mount("tmpfs", native(dir_).constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0)
        mounted_ = true;
    else
        refusal_ = QStringLiteral("mount -t tmpfs refused: ") + errnoText(errno);
}

FullDisk::~FullDisk()
{
    release();
    if (mounted_) {
        QDir(dir_).removeRecursively(); // files may carry attributes a lazy unmount would hide
        if (::umount2(native(dir_).constData(), 0) != 0 && ::umount2(native(dir_).constData(), MNT_DETACH) != 0)
            qWarning("could not unmount %s: %s", qPrintable(dir_), std::strerror(errno));
    }
    QDir(base_).removeRecursively();
}

QString FullDisk::how() const
{
    if (mounted_)
        return QStringLiteral("full disk: a tmpfs of %1 KiB mounted at %2, filled up").arg(kSize / 1024).arg(dir_);
    return QStringLiteral("full disk: %1; a file-size limit (RLIMIT_FSIZE, SIGXFSZ ignored) stands in").arg(refusal_);
}

void FullDisk::fill(qint64 room, const QString& growing)
{
    release();
    if (mounted_) {
        const QByteArray filler = native(path(QStringLiteral(".filler")));
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            qFatal("filler: %s", std::strerror(errno));
        const QByteArray chunk(64 * 1024, 'F');
        qint64 written = 0;
        for (;;) {
            const ssize_t n = ::write(fd, chunk.constData(), size_t(chunk.size()));
            if (n > 0) {
                written += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // ENOSPC: nothing more fits
        }
        if (room > 0 && ::ftruncate(fd, std::max<qint64>(0, written - room)) != 0)
            qFatal("filler: %s", std::strerror(errno));
        ::close(fd);
        filled_ = true;
        return;
    }

    // The growing file may take room bytes more; any other write past that
    // size fails too, whichever file it goes to.
    const qint64 from = growing.isEmpty() ? 0 : QFileInfo(growing).size();
    saved_ = new Saved;
    ::getrlimit(RLIMIT_FSIZE, &saved_->limit);
    struct sigaction ignore{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &saved_->xfsz);
    struct rlimit limit = saved_->limit;
    limit.rlim_cur = rlim_t(from + room);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        qFatal("setrlimit: %s", std::strerror(errno));
    limited_ = true;
}

void FullDisk::release()
{
    if (filled_) {
        QFile::remove(path(QStringLiteral(".filler")));
        filled_ = false;
    }
    if (limited_) {
        ::setrlimit(RLIMIT_FSIZE, &saved_->limit);
        ::sigaction(SIGXFSZ, &saved_->xfsz, nullptr);
        limited_ = false;
    }
    delete saved_;
    saved_ = nullptr;
}

} // namespace faults
