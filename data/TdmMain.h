#pragma once

#include "data/CurrencyTable.h"
#include "data/firebird/Database.h"
#include "data/firebird/Error.h"
#include "data/firebird/Query.h"
#include "data/firebird/Transaction.h"
#include "platform/Prompts.h"

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

namespace data {

class QueryModel;

// One row of the part list or the cross list; a missing text reads as empty.
struct PartRow {
    qint32 id = 0;
    QString manufactureCode, number, name, remark;
};

// The stored selling prices of one maker's number; a missing price is none.
struct PriceRow {
    std::optional<double> rozn, opt, special; // PRICER, PRICEMO, PRICES
};

// A part whose minimum stock puts it under replenishment.
struct MinStockPart {
    qint32 id = 0;
    QString name, manufactureCode, number; // a missing text reads as empty
    double minStock = 0;
};

// Texts of the start-up connect failures.
extern const QString kAeOpenFailed;
extern const QString kPriceOpenFailed;

// The data module: both connections, their transactions and every statement
// the program sends, each prepared once and reused.
class TdmMain : public QObject {
    Q_OBJECT
public:
    explicit TdmMain(QObject* parent = nullptr);
    ~TdmMain() override;

    // Runs once after creation. Returns false when the user cancelled a
    // database file dialog: the process is to end at once with exit code 0.
    // Throws platform::Failure when a picked path cannot be written to the
    // settings file; the names already set stay, nothing is connected, and
    // the start goes on (the reconnect timers connect later).
    // The data module shows nothing itself: the file dialogs and the
    // messages of the start go to prompts.
    bool DataModuleCreate(platform::Prompts& prompts);

    // Start-up connect of both databases with their failure messages.
    void connectAtStart(platform::Prompts& prompts);

    // The reconnect ticks: connect one database if it is closed. True once it
    // is connected; a failed connect throws the client library's error, so the
    // caller's error handler reports it and the timer stays armed.
    bool connectEnterprise();
    bool connectPrice();

    // What "Обновить данные" does to the databases: close both (enterprise
    // first), then open both again. A failing step throws and the steps after
    // it do not run; the next refresh tries again. Closing a connection the
    // server has already dropped is no failure.
    void refreshConnections();

    // The program closes: a call on either connection that its server does
    // not answer soon is cut instead of waited for; nothing is kept that such
    // a call could still save (every change was committed when stored).
    void beginClosing();

    // The lookup's statements, each run as the number search runs it, their
    // rows handed back as values.
    std::vector<PartRow> partsLike(const QString& pattern);            // ibqGetPartID
    std::vector<PartRow> crossNumbersOf(qint32 id, const QString& oe); // ibqGetCrossNums
    std::optional<PriceRow> pricesOf(const QString& manufactureCode);  // ibqGetPrices, first row
    // ibqGetLastPrice: nothing without a row; the first row's PRICE, which
    // may itself be missing.
    std::optional<std::optional<double>> lastPurchasePrice(qint32 id);
    std::optional<QString> partName(qint32 id); // ibqGetDescr: nothing without a row

    // ibqGetMINStock in the order of a sort entry (-1: none).
    std::vector<MinStockPart> partsUnderReplenishment(int sortIndex);

    // Stock and cost figures of one part.
    double GetOnStock(qint32 id);
    // The same figure, or nothing when the part was never received (the
    // income sum missing or not above 0): the main window then shows none.
    std::optional<double> stockFigure(qint32 id);
    double GetAvgCost(qint32 id);
    QString GetLastSklad(qint32 id);

    // Income, output and reserve sums of one part: null when there is no line.
    std::optional<double> sumOf(fb::Query& q, qint32 id);

    // The EUR rate fetch: the rate (NULL reads as 0).
    double fetchEuroRate();

    void dbMainAfterConnect();

    // A statement met a lost connection (ran), or is about to be sent on one:
    // the database is connected again, its queries keeping their rows. True
    // when the statement is to run (again): always before it ran, after only
    // when it is a read. A failed reconnect leaves everything as it was, so
    // the next statement on that database tries again; it throws the
    // connect's error when the statement never went out, else the
    // statement's own error is the one to report.
    bool recover(fb::Query& statement, bool ran);
    // Every read may run twice; a change to the currency table never does,
    // since a change sent once may have been stored.
    bool rerunnable(const fb::Query& statement) const;

    // Connections and transactions
    fb::Database ibdAE;
    fb::Database dbMain;
    fb::Transaction& ibtAE;
    fb::Transaction& trMain;

    // Enterprise statements
    fb::Query ibqGetPartID;
    fb::Query ibqGetCrossNums;
    fb::Query ibqGetPrices;
    fb::Query ibqGetLastPrice;
    fb::Query ibqGetDescr;
    fb::Query ibqIncome;
    fb::Query ibqOutput;
    fb::Query ibqReserve;
    fb::Query ibqGetAVGCost;
    fb::Query ibqGetLastSklad;
    fb::Query ibqGetMINStock;
    fb::Query ibqSkald;
    fb::Query ibqMovements;

    // The warehouse list as the order window's warehouse choice shows it:
    // NAME of each row of ibqSkald.
    QueryModel* dsSklad;

    // Price database statements
    CurrencyTable taCurrency;
    fb::Query spGetEuroRate;

    double EuroRate = 0; // 0 until the fetch finds a rate

    // Lines of the candidate query for a sort entry (-1: none).
    static QStringList minStockSql(int sortIndex);

private:
    bool checkDatabaseFile(platform::Prompts& prompts, fb::Database& db, const QString& key, const QString& filter,
                           const QString& title, const QString& cancelMessage);
    void storeAlias(fb::Database& db);

    QString dialogDir_; // the folder of the last pick: the second dialog opens there
    bool recoveringAE_ = false;
    bool recoveringMain_ = false;
};


} // namespace data
