#include "data/ShopSettings.h"

#include "data/firebird/Database.h"
#include "platform/NumberText.h"
#include "platform/Places.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

namespace data {

namespace {

// A value the file does not hold reads as this, which no INI line can give
// back (line breaks end a value).
const QString kAbsent = QStringLiteral("\n");

std::optional<QString> lookUp(const QString& file, const QString& section, const QString& key)
{
    if (file.isEmpty())
        return std::nullopt;
    QString v = platform::IniFile(file).readString(section, key, kAbsent);
    if (v == kAbsent)
        return std::nullopt;
    return v;
}

} // namespace

SettingsFiles::SettingsFiles() : SettingsFiles(platform::places().settingsFile, platform::places().shopSettingsFile) {}

SettingsFiles::SettingsFiles(QString userFile, QString shopFile) : user_(std::move(userFile)), shopFile_(std::move(shopFile))
{
}

QString SettingsFiles::readString(const QString& section, const QString& key, const QString& def) const
{
    if (auto v = lookUp(user_.path(), section, key))
        return *v;
    return lookUp(shopFile_, section, key).value_or(def);
}

double SettingsFiles::readFloat(const QString& section, const QString& key, double def, QChar decimalSep) const
{
    const QString text = readString(section, key, QString());
    double v = 0;
    if (text.isEmpty() || !platform::parseDecimal(text, decimalSep, &v))
        return def;
    return v;
}

QString unreadableShopFile(const QString& shopFile)
{
    const QByteArray native = QFile::encodeName(shopFile);
    struct stat st {};
    if (shopFile.isEmpty() || ::stat(native.constData(), &st) != 0 || ::access(native.constData(), R_OK) == 0)
        return {};
    const passwd* pw = ::getpwuid(::geteuid());
    const group* gr = ::getgrgid(st.st_gid);
    return QStringLiteral("Нет доступа к общим настройкам магазина %1 у пользователя %2.\r"
                          "Попросите администратора добавить пользователя в группу %3.")
        .arg(shopFile, pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid()),
             gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(st.st_gid));
}

void applyShopAccount(fb::Database& db, const QString& section, const QString& shopFile)
{
    if (auto user = lookUp(shopFile, section, QStringLiteral("User")); user && !user->isEmpty())
        db.params().userName = *user;
    if (auto password = lookUp(shopFile, section, QStringLiteral("Password")))
        db.params().password = *password;
    if (auto role = lookUp(shopFile, section, QStringLiteral("Role")))
        db.params().role = *role;
}

} // namespace data
