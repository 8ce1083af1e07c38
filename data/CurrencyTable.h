#pragma once

#include "data/Reads.h"
#include "data/firebird/Query.h"

#include <QObject>

namespace data {

// The currency table of the price database: its rows, and the insert, update
// and one-row refresh statements that store an edited row. It has no delete
// statement, so rows cannot be deleted. Used on the price connection's own
// thread, as its statements are.
class CurrencyTable : public QObject {
    Q_OBJECT
public:
    using State = CurrencyState;

    explicit CurrencyTable(fb::Database& db);

    void open();
    void close();
    bool isOpen() const { return select.isOpen(); }
    int rowCount() const { return select.isOpen() ? select.recordCount() : 0; }
    int currentRow() const { return select.currentRow(); }
    void moveTo(int row);

    // The value shown for a row: the edit buffer for the row being edited.
    fb::Value value(int row, int column) const;

    State state() const { return state_; }
    int editRow() const { return editRow_; }
    void edit(int row);
    void insert(int row);   // a new empty row before `row` (== rowCount(): append)
    void setValue(int column, const fb::Value& v);
    void post();            // stores the row, reads it back, commits
    void cancel();
    void remove(int row);   // refused: there is no delete statement

    fb::Query select;
    fb::Query insertSql;
    fb::Query updateSql;
    fb::Query refreshSql;
    fb::Query unnamedSql; // the rows without a name, for the check after a lost commit

    static constexpr int kName = 0;
    static constexpr int kRate = 1;

signals:
    void changed();

private:
    // Rows of the database with this name and rate, and of this table's
    // stored rows (the edited one left out).
    int storedCount(const fb::Value& name, const fb::Value& rate);
    int heldCount(const fb::Value& name, const fb::Value& rate) const;
    void endEdit();

    std::vector<fb::Value> buffer_;
    fb::Value oldName_;
    State state_ = State::Browse;
    int editRow_ = -1;
    // The commit of this edit met a lost connection: it may have been stored.
    bool commitUnknown_ = false;
};

} // namespace data
