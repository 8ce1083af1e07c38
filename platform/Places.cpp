#include "platform/Places.h"

#include "platform/Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

const QString kInstalledBin = QStringLiteral("/usr/bin");
const QString kFolderName = QStringLiteral("Orvado");

// The executable's own name without its extension: a copy saved as "Shop"
// has the settings file Shop.INI.
QString baseName()
{
    QString name = QFileInfo(exePath()).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return name;
}

} // namespace

Places places()
{
    Places p;
    const QString dir = QFileInfo(exePath()).absolutePath();
    p.installed = dir.endsWith(kInstalledBin);
    if (!p.installed) {
        const QString beside = exeDir();
        p.settingsFile = exeWithExtension(QStringLiteral(".INI"));
        p.historyFile = beside + QStringLiteral("SearchedNum.log");
        p.priceDatabase = beside + QStringLiteral("ORVADO.GDB");
        p.guideFolder = beside + QStringLiteral("guide");
        return p;
    }
    p.root = dir.left(dir.size() - kInstalledBin.size());
    p.userConfigFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + kFolderName;
    p.userDataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + kFolderName;
    p.settingsFile = p.userConfigFolder + QLatin1Char('/') + baseName() + QStringLiteral(".INI");
    p.historyFile = p.userDataFolder + QStringLiteral("/SearchedNum.log");
    p.shopSettingsFile = p.root + QStringLiteral("/etc/orvado/Orvado.INI");
    p.priceDatabase = p.root + QStringLiteral("/var/lib/orvado/ORVADO.GDB");
    p.guideFolder = p.root + QStringLiteral("/usr/share/orvado/guide");
    return p;
}

void makeUserFolders()
{
    const Places p = places();
    if (!p.installed)
        return;
    for (const QString& folder : {p.userConfigFolder, p.userDataFolder})
        QDir().mkpath(folder);
}

} // namespace platform
