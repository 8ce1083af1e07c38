#pragma once

#include <QByteArray>

class QFileDevice;

namespace platform {

// Writes every byte to the open file and flushes it; false when the file
// system refuses, and then the file's errorString() gives the system's
// reason. Open a QSaveFile Unbuffered: its commit() does not check the
// flush of a buffered write, and would put an empty file in place of the
// old one when the disk is full.
bool writeFully(QFileDevice& file, const QByteArray& bytes);

} // namespace platform
