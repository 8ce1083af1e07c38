#pragma once

#include <QString>

namespace platform {

// Where the program's files lie. Decided by where the executable is, never by
// whether its folder can be written (root can write to /usr/bin):
//
// - Installed by the package: the executable lies in a folder ".../usr/bin"
//   (the machine's /usr/bin, or the same layout unpacked under another root
//   folder). Every person at the desk has files of their own: the settings
//   file in $XDG_CONFIG_HOME/Orvado (~/.config/Orvado), the search history in
//   $XDG_DATA_HOME/Orvado (~/.local/share/Orvado). The desk's files lie under
//   the root: the shop-wide settings file <root>/etc/orvado/Orvado.INI, the
//   price database <root>/var/lib/orvado/ORVADO.GDB, the guide
//   <root>/usr/share/orvado/guide.
// - Anywhere else (a build folder, a test's folder, a folder a shop unpacked
//   the program into): everything beside the executable, and no shop-wide
//   file.
struct Places {
    bool installed = false;
    QString root;             // installed: the folder that holds usr/ ("" for the machine's own)
    QString settingsFile;     // the user's settings file, the one the program writes
    QString shopSettingsFile; // read for keys the user's file lacks; empty when there is none
    QString historyFile;      // SearchedNum.log
    QString priceDatabase;    // the price database when no settings file names one
    QString guideFolder;      // the user guide's folder, without a trailing '/'
    QString userConfigFolder; // installed: where settingsFile lies; empty otherwise
    QString userDataFolder;   // installed: where historyFile lies; empty otherwise
};

// Worked out from the executable's path (platform::exePath) and the
// environment at each call.
Places places();

// Makes the installed program's per-user folders, so the first write of the
// settings or the history finds its folder. Nothing for a program in a
// folder of its own; a folder that cannot be made is left to the write that
// needs it to report.
void makeUserFolders();

} // namespace platform
