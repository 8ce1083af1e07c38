#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// Real file-system faults for the tests: a full disk, a read-only folder, an
// immutable file, an unreadable file. Each one is an RAII guard that undoes
// itself, also when a check fails half-way through a test.
namespace faults {

// The whole file, or nothing when it is missing or cannot be read.
std::optional<QByteArray> fileBytes(const QString& path);
// Empty when the file holds exactly these bytes; otherwise what differs, for
// QVERIFY2.
QString differenceFrom(const QString& path, const QByteArray& expected);
void writeBytes(const QString& path, const QByteArray& bytes);

// Drops CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER from the
// effective set of the calling thread, so that root obeys permission bits as
// a clerk's account would; they stay permitted and are raised again on
// destruction. Does nothing (ok() false) when the process does not hold them.
class PermissionsObeyed {
public:
    PermissionsObeyed();
    ~PermissionsObeyed();
    PermissionsObeyed(const PermissionsObeyed&) = delete;
    PermissionsObeyed& operator=(const PermissionsObeyed&) = delete;

    bool ok() const { return ok_; }
    const QString& reason() const { return reason_; }

private:
    bool ok_ = false;
    bool dropped_ = false;
    QString reason_;
};

// chmod for the life of the guard; the old mode comes back afterwards.
class ModeChange {
public:
    ModeChange(const QString& path, mode_t mode);
    ~ModeChange();
    ModeChange(const ModeChange&) = delete;
    ModeChange& operator=(const ModeChange&) = delete;

    bool ok() const { return ok_; }
    const QString& reason() const { return reason_; }

private:
    QString path_;
    mode_t old_ = 0;
    bool ok_ = false;
    QString reason_;
};

// The immutable attribute (chattr +i): nobody, root included, may change,
// replace or remove the file. ok() is false where the file system refuses
// the attribute.
class ImmutableFile {
public:
    explicit ImmutableFile(const QString& path);
    ~ImmutableFile();
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;

    bool ok() const { return ok_; }
    const QString& reason() const { return reason_; }
    void release(); // chattr -i now

private:
    bool setFlag(bool on);
    QString path_;
    bool ok_ = false;
    QString reason_;
};

// A folder on which writing runs out of room. Preferably a tmpfs of its own,
// mounted by the test; where mounting is refused, an ordinary folder and a
// file-size limit (RLIMIT_FSIZE, SIGXFSZ ignored) so that no file may grow
// past what it holds, which is how a full disk looks to a writer.
class FullDisk {
public:
    FullDisk(); // a fresh folder; mounts when it can
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    const QString& dir() const { return dir_; }
    QString path(const QString& name) const { return dir_ + QLatin1Char('/') + name; }
    bool isTmpfs() const { return mounted_; }
    QString how() const; // one line for qInfo

    // From now on a write fails once it needs more than `room` bytes of new
    // space (0: any new block at all). A tmpfs is filled with a filler file.
    // Otherwise the size limit becomes the size of `growing` (the file the
    // step appends to; none: 0) plus room, for every file of the process, so
    // keep the faulty step short and away from database writes.
    void fill(qint64 room = 0, const QString& growing = {});
    // Frees the space (removes the filler, lifts the limit).
    void release();

    static constexpr qint64 kSize = 1024 * 1024;

private:
    QString base_; // removed on destruction
    QString dir_;
    bool mounted_ = false;
    QString refusal_;
    bool filled_ = false;
    bool limited_ = false;
    struct Saved;
    Saved* saved_ = nullptr;
};

} // namespace faults
