#pragma once

#include <QString>

namespace platform {

// The embedded Firebird engine keeps its lock files in one folder
// (FIREBIRD_LOCK, by default /tmp/firebird). Where the server package is
// installed that folder belongs to the server's user and an ordinary user
// cannot open a single database; so unless FIREBIRD_LOCK is set, the program
// gives the engine a folder of the user's own before its first call into the
// client library: $XDG_RUNTIME_DIR/orvado-firebird, or, without a runtime
// folder, ~/.cache/Orvado/firebird-lock; made private (0700).
//
// Two processes with different lock folders are kept off one database file
// by the engine itself in its Super mode (the default): it takes an
// exclusive lock on the file, and the second one is refused with "Database
// already opened with engine instance". In Classic and SuperClassic modes
// the engines share the file and coordinate only through the lock folder, so
// there a private folder would let two of them write one file: the program
// then leaves FIREBIRD_LOCK alone.
//
// Returns the folder FIREBIRD_LOCK now names; empty when it was left alone
// (it was set already, or the engine does not run in Super mode, or no
// private folder could be made).
QString prepareEngineLock();

// The folder the engine keeps its lock files in: FIREBIRD_LOCK, or the
// engine's default.
QString engineLockFolder();

// The engine's ServerMode in the text of a firebird.conf: "Super" unless the
// file sets another; the aliases ThreadedDedicated, ThreadedShared and
// MultiProcess read as Super, SuperClassic and Classic.
QString serverModeIn(const QByteArray& firebirdConf);

// The ServerMode of the firebird.conf the client library reads
// ($FIREBIRD/firebird.conf, else the system's /etc/firebird/3.0/firebird.conf).
QString engineServerMode();

} // namespace platform
