// The data module's start: the settings, the database files, the first
// connect, the reconnect ticks and the refresh.

#include "data/TdmMain.h"

#include "data/OpenFailure.h"
#include "data/Settings.h"
#include "data/ShopSettings.h"
#include "platform/IniFile.h"
#include "platform/NumberText.h"
#include "platform/Places.h"
#include "platform/Regional.h"

#include <QFileInfo>

namespace data {

namespace {

// The fixed start-up message, and below it the reason when one is known.
QString withReason(const QString& message, const QString& reason)
{
    return reason.isEmpty() ? message : message + QLatin1Char('\r') + reason;
}

} // namespace

bool TdmMain::checkDatabaseFile(platform::Prompts& prompts, fb::Database& db, const QString& key,
                                const QString& filter, const QString& title, const QString& cancelMessage)
{
    const QString name = db.databaseName();
    if (fb::isRemoteName(name))
        return true; // the connect reports an unreachable server
    // A folder is no database file, whatever its name.
    if (!name.isEmpty() && QFileInfo(name).isFile())
        return true;
    platform::FileDialogSpec spec;
    spec.filter = filter;
    spec.title = title;
    spec.directory = dialogDir_;
    auto picked = prompts.openFileName(spec);
    if (!picked) {
        prompts.message(cancelMessage);
        return false;
    }
    dialogDir_ = QFileInfo(*picked).absolutePath();
    db.setDatabaseName(*picked);
    platform::IniFile(data::settingsPath()).writeString(data::kSectionPaths, key, *picked);
    return true;
}

bool TdmMain::DataModuleCreate(platform::Prompts& prompts)
{
    on(ibdAE, [this] { ibdAE.disconnect(); });
    on(dbMain, [this] { dbMain.disconnect(); });
    const platform::Places places = platform::places();
    if (const QString why = unreadableShopFile(places.shopSettingsFile); !why.isEmpty())
        prompts.message(why);
    applyShopAccount(ibdAE, kSectionAeAccount, places.shopSettingsFile);
    applyShopAccount(dbMain, kSectionPriceAccount, places.shopSettingsFile);
    const SettingsFiles ini(places.settingsFile, places.shopSettingsFile);
    const QChar sep = platform::Regional::current().decimalSeparator;
    ibdAE.setDatabaseName(ini.readString(data::kSectionPaths, QStringLiteral("AEDir"), QStringLiteral("AENTER.GDB")));
    dbMain.setDatabaseName(ini.readString(data::kSectionPaths, QStringLiteral("VaderIzar"),
                                          places.priceDatabase));
    auto& m = data::markup();
    m.other = platform::toSingle(ini.readFloat(data::kSectionCharges, QStringLiteral("OtherRate"), 1, sep));
    m.opt = platform::toSingle(ini.readFloat(data::kSectionCharges, QStringLiteral("OptRate"), 1, sep));
    m.rozn = platform::toSingle(ini.readFloat(data::kSectionCharges, QStringLiteral("RoznRate"), 1, sep));
    if (!checkDatabaseFile(prompts, ibdAE, QStringLiteral("AEDir"), QStringLiteral("AEnter.gdb (Автопредприятие)|AEnter.gdb"),
                           QStringLiteral("Укажите путь к файлу AEnter.gdb"),
                           QStringLiteral("База данных AutoSoft Автопредприятия не найдена")))
        return false;
    if (!checkDatabaseFile(prompts, dbMain, QStringLiteral("VaderIzar"),
                           QStringLiteral("Orvado.gdb (Tovrin Zevaveraz)|Orvado.gdb"),
                           QStringLiteral("Укажите путь к файлу Orvado.gdb"),
                           QStringLiteral("База данных Tovrin Zevaveraz не найдена")))
        return false;
    connectAtStart(prompts);
    return true;
}

void TdmMain::connectAtStart(platform::Prompts& prompts)
{
    try {
        on(ibdAE, [this] { ibdAE.connect(); });
    } catch (const platform::Failure& f) {
        prompts.message(withReason(kAeOpenFailed, whyNotOpened(ibdAE.databaseName(), f)));
    }
    try {
        TellCurrencies tell{this};
        on(dbMain, [this] { dbMain.connect(); });
    } catch (const platform::Failure& f) {
        // Attached, but the currency table would not open: the path is right,
        // so the user is told what is wrong with the database instead.
        if (dbMain.connected())
            prompts.error(f.text());
        else
            prompts.message(withReason(kPriceOpenFailed, whyNotOpened(dbMain.databaseName(), f)));
    }
}

bool TdmMain::connectEnterprise()
{
    on(ibdAE, [this] { ibdAE.connect(); });
    return ibdAE.connected();
}

bool TdmMain::connectPrice()
{
    // Only a connect that happens opens the table anew.
    TellCurrencies tell{this, !dbMain.connected()};
    on(dbMain, [this] { dbMain.connect(); });
    return dbMain.connected();
}

bool TdmMain::connected(Db which) const
{
    return which == Db::Enterprise ? ibdAE.connected() : dbMain.connected();
}

void TdmMain::closeEnterprise()
{
    try {
        on(ibdAE, [this] { ibdAE.disconnect(); });
    } catch (const platform::Failure&) {
        // Closing down: the enterprise transaction is only ever rolled back.
    }
}

void TdmMain::refreshConnections()
{
    TellCurrencies tell{this};
    try {
        // A connection the server has already dropped cannot end its
        // transaction (the server has rolled it back): it is closed all the
        // same, and the refresh goes on to connect it again.
        for (fb::Database* db : {&ibdAE, &dbMain}) {
            try {
                on(*db, [db] { db->disconnect(); });
            } catch (const fb::Error& e) {
                if (!e.connectionLost())
                    throw;
            }
        }
        on(ibdAE, [this] { ibdAE.connect(); });
        on(dbMain, [this] { dbMain.connect(); });
    } catch (...) {
        // A database the refresh closed and could not open again is to come
        // back: the next statement on it connects it, as after a lost
        // connection, and so does the next refresh.
        for (fb::Database* db : {&ibdAE, &dbMain})
            if (!db->connected())
                db->markLost();
        throw;
    }
}

void TdmMain::beginClosing()
{
    ibdAE.setClosing(true);
    dbMain.setClosing(true);
}

} // namespace data
