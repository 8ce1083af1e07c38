#include "tests/support/TestDatabases.h"

#include "data/Settings.h"
#include "data/TdmMain.h"
#include "data/firebird/Database.h"
#include "data/firebird/Error.h"
#include "data/firebird/Transaction.h"
#include "db/Rows.h"
#include "db/Schema.h"
#include "platform/Desktop.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace testdb {

namespace {

fb::Value text(const QString& s)
{
    return s.isNull() ? fb::Value{} : fb::Value{s};
}

fb::Value number(std::optional<double> d)
{
    return d ? fb::Value{*d} : fb::Value{};
}

fb::Value integer(std::optional<int> i)
{
    return i ? fb::Value{static_cast<qint32>(*i)} : fb::Value{};
}

fb::Value when(const QDateTime& t)
{
    return t.isValid() ? fb::Value{t} : fb::Value{};
}

void append(Extra& row, const Extra& more)
{
    for (const auto& kv : more) {
        bool replaced = false;
        for (auto& have : row)
            if (have.first.compare(kv.first, Qt::CaseInsensitive) == 0) {
                have.second = kv.second;
                replaced = true;
            }
        if (!replaced)
            row.push_back(kv);
    }
}

qint32 take(qint32 wanted, qint32& next)
{
    const qint32 id = wanted != 0 ? wanted : next;
    next = std::max(next, id + 1);
    return id;
}

Line line(qint32 part, std::optional<double> counts, std::optional<double> price, const QDateTime& date,
          const QString& sklad, int direction, int reserve)
{
    Line l;
    l.part = part;
    l.counts = counts;
    l.price = price;
    l.date = date;
    l.sklad = sklad;
    l.direction = direction;
    l.reserve = reserve;
    return l;
}

} // namespace

Line income(qint32 part, std::optional<double> counts, std::optional<double> price, const QDateTime& date,
            const QString& sklad)
{
    return line(part, counts, price, date, sklad, 1, 0);
}

Line output(qint32 part, std::optional<double> counts, std::optional<double> price, const QDateTime& date,
            const QString& sklad)
{
    return line(part, counts, price, date, sklad, -1, 0);
}

Line reserve(qint32 part, std::optional<double> counts, const QDateTime& date, const QString& sklad)
{
    return line(part, counts, std::nullopt, date, sklad, 0, 1);
}

TestDatabases::TestDatabases()
{
    if (!tmp_.isValid())
        throw fb::Error(QStringLiteral("no temporary folder: ") + tmp_.errorString());
    // The embedded engine keeps its lock files there; a plain user cannot
    // write the default one.
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK") && ::geteuid() != 0)
        qputenv("FIREBIRD_LOCK", (QDir::tempPath() + QStringLiteral("/firebird-lock-%1").arg(::geteuid())).toLocal8Bit());
    hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    oldConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toLocal8Bit());
    oldExePath_ = platform::exePath();
    platform::setExePathForTests(exePath());
    // Throwaway files: the engine need not wait for the disk.
    db::createEnterprise(enterprisePath(), false);
    db::createPrice(pricePath(), false);
}

TestDatabases::~TestDatabases()
{
    try {
        disconnectAll();
    } catch (const fb::Error&) {
    }
    platform::setExePathForTests(oldExePath_);
    if (hadConfigHome_)
        qputenv("XDG_CONFIG_HOME", oldConfigHome_);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString TestDatabases::dir() const
{
    return tmp_.path();
}

QString TestDatabases::path(const QString& name) const
{
    return tmp_.filePath(name);
}

QString TestDatabases::enterprisePath() const
{
    return path(QStringLiteral("AENTER.GDB"));
}

QString TestDatabases::pricePath() const
{
    return path(QStringLiteral("ORVADO.GDB"));
}

QString TestDatabases::exePath() const
{
    return path(QStringLiteral("Orvado"));
}

fb::Database& TestDatabases::writer(Db which)
{
    auto& slot = which == Db::Enterprise ? ent_ : price_;
    if (!slot) {
        slot = std::make_unique<fb::Database>(QStringLiteral("testdb"), fb::CloseAction::Commit,
                                              fb::Access::ReadWrite);
        slot->setDatabaseName(which == Db::Enterprise ? enterprisePath() : pricePath());
        slot->params().password = QStringLiteral("masterkey");
    }
    slot->connect();
    return *slot;
}

void TestDatabases::insert(Db which, const QString& table, const Extra& row)
{
    QStringList cols;
    for (const auto& kv : row)
        cols << kv.first.toUpper();
    const QString key = QString::number(static_cast<int>(which)) + table + QLatin1Char('|') + cols.join(QLatin1Char(','));
    fb::Database& db = writer(which);
    auto& ins = inserters_[key];
    if (!ins)
        ins = std::make_unique<db::RowInserter>(db, table, cols);
    for (int i = 0; i < static_cast<int>(row.size()); ++i)
        ins->set(i, row[static_cast<size_t>(i)].second);
    ins->insert();
    db.transaction().commitRetaining();
}

qint32 TestDatabases::addPart(const Part& p)
{
    const qint32 id = take(p.id, nextPart_);
    Extra row{{QStringLiteral("ID"), id},
              {QStringLiteral("MANUFACTURECODE"), text(p.manufactureCode)},
              {QStringLiteral("NUMBER"), text(p.number)},
              {QStringLiteral("NAME"), text(p.name)},
              {QStringLiteral("REMARK"), text(p.remark)},
              {QStringLiteral("PRICER"), number(p.priceR)},
              {QStringLiteral("PRICEMO"), number(p.priceMO)},
              {QStringLiteral("PRICEO"), number(p.priceO)},
              {QStringLiteral("PRICES"), number(p.priceS)},
              {QStringLiteral("MINSTOCK"), number(p.minStock)}};
    append(row, p.extra);
    insert(Db::Enterprise, QStringLiteral("PART"), row);
    return id;
}

qint32 TestDatabases::addDocument(const Document& d)
{
    const qint32 id = take(d.id, nextDoc_);
    Extra row{{QStringLiteral("ID"), id},
              {QStringLiteral("NUMBER"), d.number != 0 ? d.number : id},
              {QStringLiteral("DIRECTION"), static_cast<qint32>(d.direction)},
              {QStringLiteral("DATEIN"), when(d.date)}};
    append(row, d.extra);
    insert(Db::Enterprise, QStringLiteral("DOCHEADER"), row);
    return id;
}

qint32 TestDatabases::addLine(const Line& l)
{
    qint32 doc = l.doc;
    if (doc == 0) {
        Document d;
        d.number = l.docNumber;
        d.direction = l.direction.value_or(0);
        d.date = l.date;
        doc = addDocument(d);
    }
    const qint32 id = take(l.id, nextLine_);
    Extra row{{QStringLiteral("ID"), id},
              {QStringLiteral("IDDOCHEAD"), doc},
              {QStringLiteral("IDPART"), l.part},
              {QStringLiteral("DIRECTION"), integer(l.direction)},
              {QStringLiteral("RESERVE"), integer(l.reserve)},
              {QStringLiteral("COUNTS"), number(l.counts)},
              {QStringLiteral("PRICE"), number(l.price)},
              {QStringLiteral("DATEIN"), when(l.date)},
              {QStringLiteral("SKLAD"), text(l.sklad)},
              {QStringLiteral("CURRENCYSHORT"), text(l.currencyShort)},
              {QStringLiteral("SUMMCURRENCY"), number(l.summCurrency)},
              {QStringLiteral("SUMM"), number(l.summ)}};
    append(row, l.extra);
    insert(Db::Enterprise, QStringLiteral("DOCPARTS"), row);
    return id;
}

qint32 TestDatabases::addWarehouse(const Warehouse& w)
{
    const qint32 id = take(w.id, nextSklad_);
    insert(Db::Enterprise, QStringLiteral("STRUCTURESKLAD"),
           {{QStringLiteral("GROUPNAME"), text(w.groupName)},
            {QStringLiteral("ID"), id},
            {QStringLiteral("NAME"), text(w.name)}});
    return id;
}

void TestDatabases::addCurrency(const Currency& c)
{
    insert(Db::Price, QStringLiteral("CURRENCY"),
           {{QStringLiteral("CUNAME"), text(c.name)}, {QStringLiteral("CURATE"), number(c.rate)}});
}

void TestDatabases::exec(Db which, const QString& sql)
{
    fb::Database& db = writer(which);
    db.executeImmediate(sql);
    db.transaction().commitRetaining();
}

std::vector<fb::Value> TestDatabases::column(Db which, const QString& select)
{
    fb::Query q(writer(which), QStringLiteral("testdb column"),
                {QStringLiteral("SELECT V FROM ("), select, QStringLiteral(") T (V)")},
                {fb::ColumnDef{QStringLiteral("V"), fb::ColumnType::Text, 0, {}, {}, false, false}});
    q.open();
    std::vector<fb::Value> out;
    for (int r = 0; r < q.recordCount(); ++r)
        out.push_back(q.value(r, 0));
    return out;
}

QString TestDatabases::writeSettings(const QString& enterprise, const QString& price)
{
    platform::IniFile ini(data::settingsPath());
    ini.writeString(data::kSectionPaths, QStringLiteral("AEDir"), enterprise.isEmpty() ? enterprisePath() : enterprise);
    ini.writeString(data::kSectionPaths, QStringLiteral("VaderIzar"), price.isEmpty() ? pricePath() : price);
    return ini.path();
}

data::TdmMain& TestDatabases::dm()
{
    if (!dm_) {
        // The start asks nothing and tells nothing here: anything it would
        // say is a fault of the test's own set-up.
        class Silent : public platform::Prompts {
        public:
            void message(const QString& text) override { qWarning("start: %s", qPrintable(text)); }
            void error(const QString& text) override { qWarning("start: %s", qPrintable(text)); }
            std::optional<QString> openFileName(const platform::FileDialogSpec&) override { return std::nullopt; }
        } silent;
        const data::MarkupFactors factors = data::markup(); // the start reads them from the file
        // A settings file the fixture writes for the start goes again after
        // it: the test's folder stays as the test left it.
        const bool written = !QFileInfo::exists(data::settingsPath());
        if (written)
            writeSettings();
        dm_ = std::make_unique<data::TdmMain>();
        dm_->DataModuleCreate(silent);
        if (written)
            QFile::remove(data::settingsPath());
        data::markup() = factors;
    }
    dm_->connectEnterprise();
    dm_->connectPrice();
    return *dm_;
}

void TestDatabases::disconnectAll()
{
    dm_.reset();
    inserters_.clear();
    if (ent_)
        ent_->disconnect();
    if (price_)
        price_->disconnect();
}

CounterShop fillCounterShop(TestDatabases& dbs)
{
    const auto day = [](int d) { return QDateTime(QDate(2026, 3, d), QTime(10, 0)); };
    CounterShop shop;
    shop.filter = dbs.addPart({.manufactureCode = QStringLiteral("W712/75"),
                               .number = QStringLiteral("OE-1"),
                               .name = QStringLiteral("Фильтр масляный"),
                               .priceR = 19.5});
    dbs.addLine(income(shop.filter, 5, 10, day(1)));
    dbs.addLine(output(shop.filter, 1, 15, day(2)));
    dbs.addLine(income(shop.filter, 1, 10, day(3)));
    for (int i = 1; i <= 3; ++i) {
        const qint32 id = dbs.addPart({.manufactureCode = QStringLiteral("K-%1").arg(i),
                                       .name = QStringLiteral("Колодки %1").arg(i),
                                       .minStock = 10});
        dbs.addLine(income(id, i, 20.0 * i, day(i)));
        shop.belowMinimum << id;
    }
    dbs.addCurrency({QStringLiteral("EUR"), 98.5});
    return shop;
}

} // namespace testdb
