#include "data/firebird/Query.h"

#include "data/firebird/Client.h"
#include "data/firebird/Database.h"
#include "data/firebird/ParamText.h"
#include "data/firebird/Transaction.h"
#include "platform/Cp1251.h"

#include <algorithm>

namespace fb {

using namespace Firebird;

// ---- Query ---------------------------------------------------------------

Query::Query(Database& db, QString name, QStringList sql, std::vector<ColumnDef> columns, QObject* parent)
    : QObject(parent), db_(db), name_(std::move(name))
{
    db_.attachQuery(this);
    declare(std::move(columns));
    setSQL(sql);
}

Query::~Query()
{
    release();
    db_.detachQuery(this);
}

void Query::setSQL(const QStringList& lines)
{
    if (open_)
        close();
    if (stmt_)
        release();
    sql_ = lines;
    parseText();
}

void Query::declare(std::vector<ColumnDef> columns)
{
    columns_ = std::move(columns);
    bindings_.clear();
}

int Query::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

void Query::parseText()
{
    PositionalText parsed = positionalParams(statementText());
    rewritten_ = std::move(parsed.text);
    paramNames_ = std::move(parsed.names);
    params_.assign(static_cast<size_t>(paramNames_.size()), Value{});
}

void Query::setParam(const QString& name, const Value& v)
{
    bool found = false;
    for (qsizetype i = 0; i < paramNames_.size(); ++i)
        if (paramNames_[i].compare(name, Qt::CaseInsensitive) == 0) {
            params_[static_cast<size_t>(i)] = v;
            found = true;
        }
    if (!found)
        throw Error(QStringLiteral("statement %1: no parameter %2").arg(name_, name), {Error::kNoParam}, {name_, name});
}

void Query::setParamAt(int position, const Value& v)
{
    if (position < 0 || position >= static_cast<int>(params_.size()))
        throw Error(QStringLiteral("statement %1: no parameter at %2").arg(name_).arg(position), {Error::kNoParam},
                    {name_, QString::number(position)});
    params_[static_cast<size_t>(position)] = v;
}

void Query::fail(const Error& e) const
{
    // The statement's name goes first: it tells the administrator which one.
    QStringList args{name_};
    args << e.args();
    throw Error(QStringLiteral("statement %1: %2").arg(name_, e.text()), e.codes(), args);
}

void Query::recovering(const std::function<void()>& body)
{
    const Database::Recovery& recover = db_.recovery();
    // A connection already known lost is connected again first: what is sent
    // on it cannot arrive.
    if (db_.lost() && recover)
        recover(*this, false);
    try {
        body();
        return;
    } catch (const Error& e) {
        db_.noteFailure(e);
        // A connection the watch cut (the server silent, or the connection
        // dead) is reported, not asked again within the same command: the
        // next command reconnects.
        if (!e.connectionLost() || e.cutByWatch() || db_.cutByWatch() || !db_.connected() || !recover ||
            !recover(*this, true))
            throw;
    }
    body();
}

void Query::prepare()
{
    recovering([this] { prepareStatement(); });
}

void Query::prepareStatement()
{
    if (stmt_)
        return;
    if (!db_.connected())
        throw db_.notOpen();
    QByteArray text = platform::toCp1251(rewritten_);
    ITransaction* tra = db_.transaction().handle();
    IStatement* stmt = nullptr;
    try {
        db_.call([&](ThrowStatusWrapper& st) {
            stmt = db_.attachment()->prepare(&st, tra, static_cast<unsigned>(text.size()), text.constData(),
                                             static_cast<unsigned>(db_.params().dialect),
                                             IStatement::PREPARE_PREFETCH_METADATA);
        });
    } catch (const Error& e) {
        if (e.unreachable())
            throw;
        // The server refused the text: the database lacks a table or column
        // the program reads.
        std::vector<intptr_t> codes{Error::kStatementRefused};
        codes.insert(codes.end(), e.codes().begin(), e.codes().end());
        throw Error(e.text(), std::move(codes), {name_});
    }
    try {
        fb::call([&](ThrowStatusWrapper& st) {
            stmtType_ = stmt->getType(&st);
            inMeta_ = stmt->getInputMetadata(&st);
            outMeta_ = stmt->getOutputMetadata(&st);
        });
        const Layout in = layoutOf(inMeta_);
        const Layout out = layoutOf(outMeta_);
        inParams_ = in.places;
        inBuf_.assign(in.length, 0);
        outBuf_.assign(out.length, 0);
        if (inParams_.size() != params_.size())
            fail(Error(QStringLiteral("%1 parameters in the statement, %2 in the text")
                           .arg(inParams_.size())
                           .arg(params_.size()),
                       {Error::kParamCount}, {QString::number(inParams_.size()), QString::number(params_.size())}));
        stmt_ = stmt;
        try {
            bindings_ = declaredSlots(out, columns_);
        } catch (const Error& e) {
            fail(e);
        }
        scales_.clear();
        for (const Slot& b : bindings_)
            scales_.push_back(b.scale);
    } catch (...) {
        if (!stmt_)
            stmt->release();
        release();
        throw;
    }
}

QString Query::plan()
{
    prepare();
    QString out;
    db_.call([&](ThrowStatusWrapper& st) { out = QString::fromLatin1(stmt_->getPlan(&st, false)); });
    return out.trimmed();
}

void Query::bindParams(unsigned char* buf)
{
    const bool toStore = stmtType_ != isc_info_sql_stmt_select;
    for (size_t i = 0; i < inParams_.size(); ++i) {
        try {
            encodeParam(params_[i], inParams_[i], static_cast<int>(i), toStore, buf);
        } catch (const Error& e) {
            fail(e);
        }
    }
}

void Query::decodeRow(const unsigned char* buf, std::vector<Value>& into) const
{
    for (const Slot& b : bindings_)
        into.push_back(decodeColumn(buf, b));
}

void Query::run(bool expectCursor)
{
    // Nothing sends this statement again while it runs: no other command
    // runs while one waits for its server (platform/Commands.h).
    if (open_)
        close();
    prepareStatement();
    ITransaction* tra = db_.transaction().handle();
    bindParams(inBuf_.data());
    // The rows are read into a store of their own and handed over once the
    // fetch is done, so the query shows no half-read result meanwhile; the
    // store keeps the room of the previous run.
    std::vector<Value> cells;
    cells.swap(cells_);
    cells.clear();
    rows_ = 0;
    affected_ = 0;
    int rows = 0;
    quint64 affected = 0;
    unsigned char* inBuf = inBuf_.data();
    if (expectCursor && stmtType_ == isc_info_sql_stmt_select) {
        db_.call([&](ThrowStatusWrapper& st) {
            IResultSet* rs = stmt_->openCursor(&st, tra, inMeta_, inBuf, outMeta_, 0);
            try {
                while (rs->fetchNext(&st, outBuf_.data()) == IStatus::RESULT_OK) {
                    decodeRow(outBuf_.data(), cells);
                    ++rows;
                }
                rs->close(&st);
            } catch (...) {
                rs->release();
                throw;
            }
        });
    } else {
        const bool outputs = !bindings_.empty();
        db_.call([&](ThrowStatusWrapper& st) {
            stmt_->execute(&st, tra, inMeta_, inBuf, outputs ? outMeta_ : nullptr,
                           outputs ? outBuf_.data() : nullptr);
            affected = stmt_->getAffectedRecords(&st);
        });
        if (outputs) {
            decodeRow(outBuf_.data(), cells);
            rows = 1;
        }
    }
    cells_.swap(cells);
    rows_ = rows;
    affected_ = affected;
    open_ = true;
    cur_ = rows_ > 0 ? 0 : -1;
    emit opened();
    emit currentRowChanged(cur_);
}

void Query::open()
{
    recovering([this] { run(true); });
}

void Query::execute()
{
    recovering([this] { run(false); });
}

void Query::close()
{
    if (!open_)
        return;
    open_ = false;
    // The row store keeps its room: the statement's next run, which usually
    // follows at once, fills it again without growing and faulting it in anew.
    cells_.clear();
    rows_ = 0;
    cur_ = -1;
    emit closed();
    emit currentRowChanged(-1);
}

void Query::release()
{
    close();
    std::vector<Value>().swap(cells_);
    if (stmt_) {
        IStatement* s = stmt_;
        stmt_ = nullptr;
        try {
            db_.call([&](ThrowStatusWrapper& st) { s->free(&st); });
        } catch (const Error& e) {
            db_.noteFailure(e);
            s->release();
        }
    }
    forgetStatement();
    bindings_.clear();
}

void Query::forgetStatement()
{
    if (stmt_) {
        stmt_->release();
        stmt_ = nullptr;
    }
    if (inMeta_) {
        inMeta_->release();
        inMeta_ = nullptr;
    }
    if (outMeta_) {
        outMeta_->release();
        outMeta_ = nullptr;
    }
}

} // namespace fb
