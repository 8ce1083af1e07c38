#pragma once

#include "data/Catalogue.h"
#include "data/CurrencyTable.h"
#include "data/Reads.h"
#include "data/firebird/Database.h"
#include "data/firebird/Error.h"
#include "data/firebird/Query.h"
#include "data/firebird/Transaction.h"
#include "platform/Prompts.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace data {

// Texts of the start-up connect failures.
extern const QString kAeOpenFailed;
extern const QString kPriceOpenFailed;

enum class Db { Enterprise, Price };

// The data module: both connections, their transactions and every statement
// the program sends, each prepared once and reused. Everything above it gets
// values from its methods and hands values back; none of them touches a
// statement or a connection. Every method that reads or writes a database
// runs its work on that connection's own thread, while the caller's windows
// keep answering (fb::Database::perform), and a failure comes back as an
// error whose first line is said for the person at the desk. Its signals are
// emitted on the thread that called the method.
class TdmMain : public QObject, public LookupReads, public OrderReads {
    Q_OBJECT
public:
    explicit TdmMain(QObject* parent = nullptr);
    ~TdmMain() override;

    // ---- Start, reconnect, refresh and close

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
    // The main window's end: the enterprise database is closed, its
    // transaction rolled back; a failure to close is no matter then.
    void closeEnterprise();

    bool connected(Db which) const;

    // ---- Reads

    // The lookup's reads (ibqGetPartID, ibqGetCrossNums, ibqGetPrices,
    // ibqGetLastPrice, ibqGetDescr) and the stock figure (ibqIncome,
    // ibqOutput, ibqReserve).
    std::vector<PartRow> partsLike(const QString& pattern) override;
    std::vector<PartRow> crossNumbersOf(qint32 id, const QString& oeNumber) override;
    std::optional<PriceRow> pricesOf(const QString& manufactureCode) override;
    std::optional<std::optional<double>> lastPurchasePrice(qint32 id) override;
    std::optional<QString> partName(qint32 id) override;
    Stock GetOnStock(qint32 id) override;

    // The order build's reads (ibqGetMINStock, ibqGetAVGCost, ibqGetLastSklad).
    std::vector<MinStockPart> partsUnderReplenishment(int sortIndex) override;
    double GetAvgCost(qint32 id) override;
    QString GetLastSklad(qint32 id) override;

    // Several reads of the enterprise database in one go on its connection's
    // thread (a lookup step, an order build): the reads inside hop no
    // further, which a lookup of eight small statements would feel. steps
    // runs on that thread and must leave the windows alone (what it finds
    // stays in the values it fills; progress goes by queued calls).
    void enterpriseBatch(const std::function<void()>& steps);

    // The warehouses (ibqSkald), read once and kept until a refresh closes
    // the connection.
    std::vector<Warehouse> warehouses();
    // The goods movements of one part (ibqMovements), read afresh.
    Movements movementsOf(qint32 partId);

    // ---- The currency table (taCurrency) and the EUR rate

    Currencies currencies() const;
    // Editing: a row's name or rate changed begins its edit (another row
    // left in editing is stored first); insert adds an empty row before
    // `row` (== the row count: at the end); post stores the edited row with
    // the insert or update statement, reads it back and commits; cancel drops
    // the edit. Delete is refused: there is no delete statement. Reopen
    // reads the table again. Each tells currenciesChanged.
    void editCurrency(int row);
    void setCurrencyName(int row, const std::optional<QString>& name);
    void setCurrencyRate(int row, std::optional<double> rate);
    void insertCurrency(int row);
    void postCurrency();
    void cancelCurrency();
    void removeCurrency(int row);
    void reopenCurrencies();

    // The EUR rate fetch (spGetEuroRate): the rate, NULL read as 0. A rate
    // that is not 0 becomes the one the order's EUR total divides by.
    double fetchEuroRate();
    // 0 until a fetch found a rate.
    double euroRate() const { return EuroRate; }

    // Lines of the candidate query for a sort entry (-1: none).
    static QStringList minStockSql(int sortIndex);

    // The statements and connections themselves, for the data layer's own
    // tests and benchmarks. Nothing above the data layer uses it.
    struct Inside {
        TdmMain& dm;
        fb::Database& ibdAE;
        fb::Database& dbMain;
        fb::Transaction& ibtAE;
        fb::Transaction& trMain;
        fb::Query& ibqGetPartID;
        fb::Query& ibqGetCrossNums;
        fb::Query& ibqGetPrices;
        fb::Query& ibqGetLastPrice;
        fb::Query& ibqGetDescr;
        fb::Query& ibqIncome;
        fb::Query& ibqOutput;
        fb::Query& ibqReserve;
        fb::Query& ibqGetAVGCost;
        fb::Query& ibqGetLastSklad;
        fb::Query& ibqGetMINStock;
        fb::Query& ibqSkald;
        fb::Query& ibqMovements;
        CurrencyTable& taCurrency;
        fb::Query& spGetEuroRate;
        double& EuroRate;
        std::optional<double> sumOf(fb::Query& q, qint32 id) { return dm.sumOf(q, id); }
    };
    Inside& inside() { return inside_; }
    const Inside& inside() const { return inside_; }

signals:
    // The currency table changed: an edit, a store, a reopen, a reconnect.
    void currenciesChanged();

private:
    bool checkDatabaseFile(platform::Prompts& prompts, fb::Database& db, const QString& key, const QString& filter,
                           const QString& title, const QString& cancelMessage);
    void storeAlias(fb::Database& db);
    void dbMainAfterConnect();
    // Runs job on the connection's thread (at once when already there), and
    // says a failure for the person at the desk once, at the outermost call.
    void on(fb::Database& db, const std::function<void()>& job);
    // A currency method: its job on the price connection, then the word out.
    void onCurrencies(const std::function<void()>& job);
    // Tells currenciesChanged as it goes, also after a failure: the table
    // may have changed half way, and the window follows what it holds.
    struct TellCurrencies {
        TdmMain* dm;
        bool armed = true;
        ~TellCurrencies()
        {
            if (armed)
                emit dm->currenciesChanged();
        }
    };
    // Income, output and reserve sums of one part: null when there is no line.
    std::optional<double> sumOf(fb::Query& q, qint32 id);

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
    fb::Database ibdAE{QStringLiteral("AE"), fb::CloseAction::Rollback, fb::Access::ReadOnly};
    fb::Database dbMain{QStringLiteral("OVPRICE"), fb::CloseAction::Commit, fb::Access::ReadWrite};
    fb::Transaction& ibtAE{ibdAE.transaction()};
    fb::Transaction& trMain{dbMain.transaction()};

    // Enterprise statements: each defined once, beside its read (Catalogue.h)
    fb::Query ibqGetPartID{ibdAE, catalogue::ibqGetPartID()};
    fb::Query ibqGetCrossNums{ibdAE, catalogue::ibqGetCrossNums()};
    fb::Query ibqGetPrices{ibdAE, catalogue::ibqGetPrices()};
    fb::Query ibqGetLastPrice{ibdAE, catalogue::ibqGetLastPrice()};
    fb::Query ibqGetDescr{ibdAE, catalogue::ibqGetDescr()};
    fb::Query ibqIncome{ibdAE, catalogue::ibqIncome()};
    fb::Query ibqOutput{ibdAE, catalogue::ibqOutput()};
    fb::Query ibqReserve{ibdAE, catalogue::ibqReserve()};
    fb::Query ibqGetAVGCost{ibdAE, catalogue::ibqGetAVGCost()};
    fb::Query ibqGetLastSklad{ibdAE, catalogue::ibqGetLastSklad()};
    fb::Query ibqGetMINStock{ibdAE, catalogue::ibqGetMINStock()};
    fb::Query ibqSkald{ibdAE, catalogue::ibqSkald()};
    fb::Query ibqMovements{ibdAE, catalogue::ibqMovements()};

    // Price database statements
    CurrencyTable taCurrency{dbMain};
    fb::Query spGetEuroRate{dbMain, catalogue::spGetEuroRate()};

    double EuroRate = 0; // 0 until the fetch finds a rate

    QString dialogDir_; // the folder of the last pick: the second dialog opens there
    // One reconnect at a time on each connection: a reconnect whose own
    // after-connect meets a lost connection again reports it.
    bool recoveringAE_ = false;
    bool recoveringMain_ = false;

    Inside inside_{*this,           ibdAE,        dbMain,          ibtAE,           trMain,         ibqGetPartID,
                   ibqGetCrossNums, ibqGetPrices, ibqGetLastPrice, ibqGetDescr,     ibqIncome,      ibqOutput,
                   ibqReserve,      ibqGetAVGCost, ibqGetLastSklad, ibqGetMINStock, ibqSkald,       ibqMovements,
                   taCurrency,      spGetEuroRate, EuroRate};
};

} // namespace data
