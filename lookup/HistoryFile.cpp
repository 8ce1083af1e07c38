#include "lookup/HistoryFile.h"

#include "platform/Cp1251.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

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

// One pass over the bytes, one allocation per line.
QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines;
    lines.reserve(qsizetype(std::count(bytes.cbegin(), bytes.cend(), '\n')) + 1);
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n')
            ++q;
        lines.append(platform::fromCp1251(p, q - p));
        if (q == end) // text after the last line end
            break;
        q += (*q == '\r' && q + 1 < end && q[1] == '\n') ? 2 : 1;
        p = q;
    }
    return lines;
}

struct FileContents {
    bool exists = false;
    QByteArray bytes;
};

FileContents readFile(const QString& path)
{
    FileContents contents;
    if (!QFileInfo::exists(path))
        return contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw openFailure(path, file.errorString());
    contents.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw openFailure(path, file.errorString());
    contents.exists = true;
    return contents;
}

// Whether bytes fed in blocks are in CR LF form: every line end CR LF and
// nothing after the last one. Only memchr walks over the two line-end bytes,
// decoding nothing: a million lines take a few milliseconds.
class CrLfForm {
public:
    void feed(const char* p, qsizetype n)
    {
        if (n <= 0 || !ok_)
            return;
        const char* const end = p + n;
        if (last_ == '\r' && *p != '\n') // a CR that ended the block before
            ok_ = false;
        for (const char* q = p; ok_ && (q = find(q, end, '\n')); ++q)
            ok_ = (q == p ? last_ : q[-1]) == '\r';
        for (const char* q = p; ok_ && (q = find(q, end, '\r')); ++q)
            ok_ = q + 1 == end || q[1] == '\n';
        last_ = end[-1];
        fed_ = true;
    }
    bool holds() const { return ok_ && (!fed_ || last_ == '\n'); }

private:
    static const char* find(const char* from, const char* end, char c)
    {
        return static_cast<const char*>(std::memchr(from, c, size_t(end - from)));
    }

    bool ok_ = true;
    bool fed_ = false;
    char last_ = 0;
};

enum class Check { CrLf, Other, Unknown };

// Checks, without decoding a line, that the file is still the one stamped
// seen and whether it is in CR LF form. Unknown when it changed, is gone or
// cannot be read now: the rewrite then reads it again and reports.
Check checkFile(const QString& path, const Stamp& seen)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || stampOfOpen(file) != seen)
        return Check::Unknown;
    CrLfForm form;
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0)
            return Check::Unknown;
        if (n == 0)
            break;
        form.feed(block.constData(), n);
        total += n;
    }
    // A writer busy during our read would leave us bytes the stamp does not describe.
    if (total != seen.size || stampOfOpen(file) != seen)
        return Check::Unknown;
    return form.holds() ? Check::CrLf : Check::Other;
}

} // namespace

QStringList splitHistoryLines(const QByteArray& bytes)
{
    return splitLines(bytes);
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
    seen_.reset();
    form_ = Form::Unchecked;
    lines_.reset();
    if (!QFileInfo::exists(path_)) {
        lines_ = unsaved_;
        return;
    }
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        lines_ = unsaved_; // its lines stay unknown: the next save reads the file again
        throw openFailure(path_, file.errorString());
    }
    seen_ = stampOfOpen(file);
}

QStringList HistoryFile::lines() const
{
    if (lines_)
        return *lines_;
    try {
        lines_ = splitLines(readFile(path_).bytes) + unsaved_;
    } catch (const platform::Failure&) {
        return unsaved_; // asked again later, when the file may be readable
    }
    return *lines_;
}

void HistoryFile::append(const QString& line)
{
    if (lines_)
        lines_->append(line);
    unsaved_.append(line);
    if (appendInPlace(joinHistoryLines(unsaved_))) {
        unsaved_.clear();
        return;
    }
    rewrite();
}

// Appends when the file is still the one we know and in CR LF form; false
// when it is not, so the caller rewrites it instead.
bool HistoryFile::appendInPlace(const QByteArray& bytes)
{
    if (!seen_ || !QFileInfo::exists(path_))
        return false;
    if (form_ == Form::Unchecked) {
        const Check check = checkFile(path_, *seen_);
        if (check == Check::Unknown)
            return false;
        form_ = check == Check::CrLf ? Form::CrLf : Form::Other;
    }
    if (form_ != Form::CrLf)
        return false;
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw createFailure(path_, file.errorString());
    const std::optional<Stamp> now = stampOfOpen(file);
    if (!now || *now != *seen_)
        return false;
    if (!platform::writeFully(file, bytes)) {
        const QString reason = file.errorString();
        file.resize(now->size); // no half line left behind
        seen_.reset();
        throw createFailure(path_, reason);
    }
    seen_ = stampOfOpen(file);
    return true;
}

// Writes the file's current lines plus ours, so a line someone else added
// stays; the old file is replaced only once the new one is whole.
void HistoryFile::rewrite()
{
    seen_.reset();
    form_ = Form::Unchecked;
    QStringList all = splitLines(readFile(path_).bytes);
    all += unsaved_;
    QString reason;
    if (!platform::saveFileAtomically(path_, joinHistoryLines(all), &reason))
        throw createFailure(path_, reason);

    if (lines_)
        lines_ = std::move(all);
    unsaved_.clear();
    seen_ = stampOfPath(path_);
    form_ = Form::CrLf;
}

QStringList HistoryFile::readForView(const QString& path)
{
    return splitLines(readFile(path).bytes);
}

} // namespace lookup
