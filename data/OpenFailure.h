#pragma once

#include <QString>

namespace platform {
class Failure;
}

namespace data {

// Why a database file given by a bare path did not open in this process, in
// one line for the person at the desk, when the reason is not the one the
// start-up message already names (a wrong path, a file that is no database):
// the engine's lock folder cannot be written, the file cannot be read and
// written by this user, or another program holds the file. Found from the
// codes of the whole status (the client library tries its next provider
// after the embedded engine failed, and what it keeps need not be the
// engine's word) and from the file system. Empty when none of these holds,
// and for a database on a server, whose own text the reconnect tick shows.
QString whyNotOpened(const QString& databaseName, const platform::Failure& failure);

} // namespace data
