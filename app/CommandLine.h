#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The program's version, as the package carries it.
QString version();

// "--version" and "--help": what they print, in Russian. The help names the
// files where this copy of the program keeps them (platform/Places.h).
QString versionText();
QString helpText();

// What a command line asks to be told on the terminal, before any window or
// display is needed: the help or the version. Nothing for any other command
// line (the toolkit's own options pass on to it).
enum class TerminalQuestion { None, Help, Version };
TerminalQuestion terminalQuestion(const QStringList& arguments);

// The text that answers it; the help needs the application object, which
// knows the executable's path.
QString terminalAnswer(TerminalQuestion question);

} // namespace app
