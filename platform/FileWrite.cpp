#include "platform/FileWrite.h"

#include <QFileDevice>
#include <QSaveFile>

namespace platform {

bool saveFileAtomically(const QString& path, const QByteArray& bytes, QString* reason)
{
    QSaveFile file(path);
    // Unbuffered: see writeFully.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeFully(file, bytes) && file.commit())
        return true;
    // Taken before cancelWriting(), which puts its own text in its place.
    if (reason)
        *reason = file.errorString();
    file.cancelWriting();
    return false;
}

bool writeFully(QFileDevice& file, const QByteArray& bytes)
{
    // A disk that fills up part-way first takes a short write, which Qt
    // passes on without a reason ("Unknown error"); the next attempt is
    // refused outright and carries the system's own reason.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    // A buffered device writes here; a short flush is retried the same way.
    qint64 left = file.bytesToWrite();
    while (!file.flush()) {
        const qint64 now = file.bytesToWrite();
        if (now <= 0 || now >= left)
            return false;
        left = now;
        file.unsetError();
    }
    return true;
}

} // namespace platform
