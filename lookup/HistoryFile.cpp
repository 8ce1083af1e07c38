#include "lookup/HistoryFile.h"

#include "platform/Cp1251.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace lookup {

namespace {

using Stamp = HistoryFile::Stamp;

platform::Failure openFailure(const QString& path, const QString& reason)
{
    return platform::Failure(
        QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason));
}

platform::Failure createFailure(const QString& path, const QString& reason)
{
    return platform::Failure(
        QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason));
}

#ifdef Q_OS_WIN
std::optional<Stamp> stampOfPath(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(native.utf16()), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok)
        return std::nullopt;
    const quint64 ticks = (quint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    Stamp s;
    s.size = qint64((quint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    s.mtimeSec = qint64(ticks / 10000000u);
    s.mtimeNsec = qint64(ticks % 10000000u) * 100;
    s.device = info.dwVolumeSerialNumber;
    s.fileId = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return s;
}

std::optional<Stamp> stampOfOpen(QFile& file)
{
    return stampOfPath(file.fileName());
}
#else
Stamp fromStat(const struct stat& st)
{
    Stamp s;
    s.size = qint64(st.st_size);
    s.mtimeSec = qint64(st.st_mtim.tv_sec);
    s.mtimeNsec = qint64(st.st_mtim.tv_nsec);
    s.device = quint64(st.st_dev);
    s.fileId = quint64(st.st_ino);
    return s;
}

std::optional<Stamp> stampOfPath(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return fromStat(st);
}

// Asked of the open descriptor, so the answer is about the very file we
// hold, even if the name was given to another file meanwhile.
std::optional<Stamp> stampOfOpen(QFile& file)
{
    struct stat st;
    if (::fstat(file.handle(), &st) != 0)
        return std::nullopt;
    return fromStat(st);
}
#endif

// One pass over the bytes, one allocation per line. crlfForm tells whether
// the bytes are exactly what joinHistoryLines would make of the lines: every
// line end CR LF, nothing after the last one.
QStringList splitLines(const QByteArray& bytes, bool* crlfForm)
{
    QStringList lines;
    lines.reserve(qsizetype(std::count(bytes.cbegin(), bytes.cend(), '\n')) + 1);
    bool crlf = true;
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n')
            ++q;
        lines.append(platform::fromCp1251(p, q - p));
        if (q == end) { // text after the last line end
            crlf = false;
            break;
        }
        if (*q == '\r' && q + 1 < end && q[1] == '\n') {
            q += 2;
        } else {
            crlf = false;
            ++q;
        }
        p = q;
    }
    if (crlfForm)
        *crlfForm = crlf;
    return lines;
}

struct FileContents {
    bool exists = false;
    QByteArray bytes;
    std::optional<Stamp> stamp; // only when it surely describes these bytes
};

FileContents readFile(const QString& path)
{
    FileContents contents;
    if (!QFileInfo::exists(path))
        return contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw openFailure(path, file.errorString());
    const std::optional<Stamp> before = stampOfOpen(file);
    contents.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw openFailure(path, file.errorString());
    contents.exists = true;
    // A writer busy during our read would leave us bytes no stamp describes.
    if (before && before->size == contents.bytes.size() && stampOfOpen(file) == before)
        contents.stamp = before;
    return contents;
}

} // namespace

QStringList splitHistoryLines(const QByteArray& bytes)
{
    return splitLines(bytes, nullptr);
}

QByteArray joinHistoryLines(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return platform::toCp1251(text);
}

QString historyLine(const QDateTime& when, const QString& number, const platform::Regional& regional)
{
    QString text = platform::formatShortDate(when.date(), regional);
    const QTime time = when.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0) {
        text += QLatin1Char(' ');
        text += platform::formatLongTime(time, regional);
    }
    text += QLatin1Char(' ');
    text += number;
    return text;
}

HistoryFile::HistoryFile(QString path)
    : path_(std::move(path))
{
}

void HistoryFile::load()
{
    known_.reset();
    lines_ = unsaved_;
    const FileContents contents = readFile(path_); // on failure known_ stays unset: the next save re-reads
    if (!contents.exists)
        return;
    bool crlf = false;
    lines_ = splitLines(contents.bytes, &crlf);
    lines_ += unsaved_;
    if (crlf && contents.stamp && unsaved_.isEmpty())
        known_ = contents.stamp;
}

void HistoryFile::append(const QString& line)
{
    lines_.append(line);
    unsaved_.append(line);
    if (appendInPlace(joinHistoryLines(unsaved_))) {
        unsaved_.clear();
        return;
    }
    rewrite();
}

// Appends when the file is still the one we know; false when it is not, so
// the caller rewrites it instead.
bool HistoryFile::appendInPlace(const QByteArray& bytes)
{
    if (!known_ || !QFileInfo::exists(path_))
        return false;
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw createFailure(path_, file.errorString());
    const std::optional<Stamp> now = stampOfOpen(file);
    if (!now || *now != *known_)
        return false;
    if (!platform::writeFully(file, bytes)) {
        const QString reason = file.errorString();
        file.resize(now->size); // no half line left behind
        known_.reset();
        throw createFailure(path_, reason);
    }
    known_ = stampOfOpen(file);
    return true;
}

// Writes the file's current lines plus ours to a new file that then replaces
// the old one, so a failure leaves the old file whole.
void HistoryFile::rewrite()
{
    known_.reset();
    const FileContents current = readFile(path_);
    QStringList all = splitLines(current.bytes, nullptr);
    all += unsaved_;
    const QByteArray bytes = joinHistoryLines(all);

    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw createFailure(path_, file.errorString());
    if (!platform::writeFully(file, bytes)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw createFailure(path_, reason);
    }
    if (!file.commit())
        throw createFailure(path_, file.errorString());

    lines_ = std::move(all);
    unsaved_.clear();
    known_ = stampOfPath(path_);
}

QStringList HistoryFile::readForView(const QString& path)
{
    return splitLines(readFile(path).bytes, nullptr);
}

} // namespace lookup
