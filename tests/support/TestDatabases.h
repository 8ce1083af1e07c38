#pragma once

#include "data/firebird/Query.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace fb {
class Database;
}
namespace data {
class TdmMain;
}
namespace db {
class RowInserter;
}

namespace testdb {

// Further columns of a row, by name: {"FIRM", QString("Bosch")}.
using Extra = std::vector<std::pair<QString, fb::Value>>;

// A row of PART. A null QString (the default) and an empty optional write
// NULL; QString("") writes empty text.
struct Part {
    qint32 id = 0; // 0: the next free ID
    QString manufactureCode{};
    QString number{};
    QString name{};
    QString remark{};
    std::optional<double> priceR{}, priceMO{}, priceO{}, priceS{};
    std::optional<double> minStock{};
    Extra extra{};
};

// A document header (DOCHEADER).
struct Document {
    qint32 id = 0;     // 0: the next free ID
    qint32 number = 0; // DOCHEADER.NUMBER; 0: the same as the ID
    int direction = 1;
    QDateTime date{};  // invalid: NULL
    Extra extra{};
};

// A document line (DOCPARTS). The stock queries tell lines apart by
// DIRECTION (1 income, -1 output) and RESERVE (1 reserves its quantity).
struct Line {
    qint32 id = 0;   // 0: the next free ID
    qint32 doc = 0;  // DOCHEADER.ID; 0: a header of its own is written
    qint32 part = 0; // PART.ID
    std::optional<int> direction = 1;
    std::optional<int> reserve = 0;
    std::optional<double> counts{};
    std::optional<double> price{};
    QDateTime date{}; // invalid: NULL
    QString sklad{};  // warehouse code (one character); null: NULL
    QString currencyShort{};
    std::optional<double> summCurrency{}, summ{};
    qint32 docNumber = 0; // number of the header written for doc == 0
    Extra extra{};
};

// The three kinds of line: income (direction 1), output (direction -1) and a
// reserve (direction 0, reserve 1: it counts in the reserve sum only).
Line income(qint32 part, std::optional<double> counts, std::optional<double> price = std::nullopt,
            const QDateTime& date = {}, const QString& sklad = QStringLiteral("A"));
Line output(qint32 part, std::optional<double> counts, std::optional<double> price = std::nullopt,
            const QDateTime& date = {}, const QString& sklad = QStringLiteral("A"));
Line reserve(qint32 part, std::optional<double> counts, const QDateTime& date = {},
             const QString& sklad = QStringLiteral("A"));

// A row of STRUCTURESKLAD.
struct Warehouse {
    QString groupName{}; // the code DOCPARTS.SKLAD holds
    QString name{};
    qint32 id = 0;     // 0: the next free ID
};

// A row of CURRENCY.
struct Currency {
    QString name{}; // null: NULL
    std::optional<double> rate{};
};

enum class Db { Enterprise, Price };

// A fresh enterprise database (AENTER.GDB) and price database (ORVADO.GDB),
// made from db/*.sql through the embedded engine, in a temporary folder that
// also stands in as the executable's folder (settings and history files land
// there) and as the per-user config folder (alias records). Rows are written
// through a connection of its own and committed at once, so a connected
// TdmMain sees them on its next query. Everything fails with fb::Error.
class TestDatabases {
public:
    TestDatabases();
    ~TestDatabases();
    TestDatabases(const TestDatabases&) = delete;
    TestDatabases& operator=(const TestDatabases&) = delete;

    QString dir() const;                 // without a trailing '/'
    QString path(const QString& name) const; // a file in dir()
    QString enterprisePath() const;
    QString pricePath() const;
    QString exePath() const;             // dir()/Orvado: settings file dir()/Orvado.INI

    qint32 addPart(const Part& p);       // returns its ID
    qint32 addDocument(const Document& d);
    qint32 addLine(const Line& l);       // returns its ID
    qint32 addWarehouse(const Warehouse& w);
    void addCurrency(const Currency& c);

    // Any statement (a scratch table, an UPDATE, a DELETE), committed at once.
    void exec(Db which, const QString& sql);
    // The values of the first column of a SELECT, row by row.
    std::vector<fb::Value> column(Db which, const QString& select);

    // Writes dir()/Orvado.INI with "Paths"/"AEDir" and "Paths"/"VaderIzar"
    // naming both databases, these files unless told other names (a server's,
    // a relay's); returns its path.
    QString writeSettings(const QString& enterprise = {}, const QString& price = {});

    // A data module started as the program starts it, from a settings file
    // naming both files (written unless the test wrote one), both databases
    // connected and the currency table open; the markup factors the test set
    // stay. Later calls connect again what was closed.
    data::TdmMain& dm();

    // Closes the data module and the writing connections, so the files can
    // be moved, removed or opened by another process; later calls reconnect.
    void disconnectAll();

private:
    fb::Database& writer(Db which);
    void insert(Db which, const QString& table, const Extra& row);

    QTemporaryDir tmp_;
    QByteArray oldConfigHome_;
    QString oldExePath_;
    bool hadConfigHome_ = false;
    std::unique_ptr<fb::Database> ent_, price_;
    std::map<QString, std::unique_ptr<db::RowInserter>> inserters_;
    std::unique_ptr<data::TdmMain> dm_;
    qint32 nextPart_ = 1, nextDoc_ = 1, nextLine_ = 1, nextSklad_ = 1;
};

// The counter's part for the server tests: an oil filter, number W712/75,
// OE number OE-1, 19,5 retail, 5 on hand after three movements in March 2026;
// three brake pads K-1..K-3 below their minimum of 10; EUR at 98,5.
struct CounterShop {
    qint32 filter = 0;
    QList<qint32> belowMinimum;
};
CounterShop fillCounterShop(TestDatabases& dbs);

} // namespace testdb
