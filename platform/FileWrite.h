#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace platform {

// Replaces the whole file at path with bytes (creating it when missing): they
// go to a temporary file beside it, which is then renamed over the old one,
// so a full disk or a crash leaves the old file whole. False when that fails;
// then *reason (when given) holds the system's reason and no temporary file
// is left behind.
bool saveFileAtomically(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Writes every byte to the open file and flushes it; false when the file
// system refuses, and then the file's errorString() gives the system's
// reason. Open a QSaveFile Unbuffered: its commit() does not check the
// flush of a buffered write, and would put an empty file in place of the
// old one when the disk is full.
bool writeFully(QFileDevice& file, const QByteArray& bytes);

} // namespace platform
