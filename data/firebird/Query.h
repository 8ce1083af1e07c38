#pragma once

#include "data/firebird/Error.h"
#include "data/firebird/Message.h"
#include "data/firebird/Value.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace Firebird {
class IStatement;
class IMessageMetadata;
}

namespace fb {

class Database;

// A statement as a catalogue defines it: its name, its text lines and the
// result columns declared for it.
struct Statement {
    QString name;
    QStringList sql;
    std::vector<ColumnDef> columns;
};

// One statement with named parameters, declared result columns, all rows
// fetched into memory on open, and a cursor. Prepared once and reused until
// its text changes or its connection closes.
class Query : public QObject {
    Q_OBJECT
public:
    Query(Database& db, QString name, QStringList sql = {}, std::vector<ColumnDef> columns = {},
          QObject* parent = nullptr);
    Query(Database& db, const Statement& s) : Query(db, s.name, s.sql, s.columns) {}
    ~Query() override;

    const QString& name() const { return name_; }
    Database& database() const { return db_; }

    void setSQL(const QStringList& lines);
    const QStringList& sql() const { return sql_; }
    QString statementText() const { return sql_.join(QLatin1Char('\n')); }

    void declare(std::vector<ColumnDef> columns);
    const std::vector<ColumnDef>& columns() const { return columns_; }
    int columnIndex(const QString& name) const; // -1 when not declared

    // Parameters: by name (every occurrence) or by position in the text.
    const QStringList& paramNames() const { return paramNames_; }
    void setParam(const QString& name, const Value& v);
    void setParamAt(int position, const Value& v);
    const Value& paramAt(int position) const { return params_.at(static_cast<size_t>(position)); }

    void prepare();
    // The engine's access plan of the statement ("PLAN SORT (PART NATURAL)"),
    // one line per query block; prepares it first.
    QString plan();
    void open();     // runs the statement and fetches every row
    void execute();  // runs a statement that returns no cursor (outputs, if any, become one row)
    void close();
    bool isOpen() const { return open_; }
    // Rows inserted, updated or deleted by the last execute.
    quint64 affectedRows() const { return affected_; }

    // Closes and drops the prepared statement (the connection is going away).
    void release();
    // Lets go of the prepared statement of a lost connection but keeps the
    // rows and the cursor; the next run prepares again on the new connection.
    void forgetStatement();

    // Cursor
    int recordCount() const { return rows_; }
    bool isEmpty() const { return rows_ == 0; }
    int currentRow() const { return cur_; }
    bool hasRow() const { return open_ && cur_ >= 0 && cur_ < rows_; }
    void first() { moveTo(0); }
    void last() { moveTo(rows_ - 1); }
    bool next();
    bool prior();
    void moveTo(int row);

    Field field(const QString& name) const;          // of the current row
    Field fieldAt(int row, int column) const;
    const Value& value(int row, int column) const;
    int resultScale(int column) const { return scales_.at(static_cast<size_t>(column)); }

    // Row edits made by an editable table on top of this query; a row out of
    // range fails with an error and changes nothing.
    void replaceRow(int row, std::vector<Value> values);
    void insertRow(int row, std::vector<Value> values);
    void removeRow(int row);

signals:
    void opened();
    void closed();
    void currentRowChanged(int row);
    void rowsChanged();

private:
    void parseText();
    // Runs body, which sends the statement; on a connection found lost it
    // asks the connection's recovery whether to send it once more.
    void recovering(const std::function<void()>& body);
    void prepareStatement();
    void run(bool expectCursor);
    void bindParams(unsigned char* buf);
    void decodeRow(const unsigned char* buf, std::vector<Value>& into) const;
    // A failure of this statement's own, its name put first.
    [[noreturn]] void fail(const Error& e) const;
    void checkRow(int row, int rows) const;

    Database& db_;
    QString name_;
    QStringList sql_;
    std::vector<ColumnDef> columns_;
    QString rewritten_;
    QStringList paramNames_;
    std::vector<Value> params_;

    Firebird::IStatement* stmt_ = nullptr;
    Firebird::IMessageMetadata* inMeta_ = nullptr;
    Firebird::IMessageMetadata* outMeta_ = nullptr;
    unsigned stmtType_ = 0;
    std::vector<Slot> inParams_;
    std::vector<Slot> bindings_; // the declared columns' places in the output
    std::vector<unsigned char> inBuf_, outBuf_;

    bool open_ = false;
    quint64 affected_ = 0;
    std::vector<Value> cells_;
    std::vector<int> scales_;
    int rows_ = 0;
    int cur_ = -1;
};

} // namespace fb
