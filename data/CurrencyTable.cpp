#include "data/CurrencyTable.h"

#include "data/firebird/Database.h"
#include "data/firebird/Error.h"
#include "data/firebird/Transaction.h"

namespace data {

using fb::ColumnDef;
using fb::ColumnType;

namespace {
std::vector<ColumnDef> currencyColumns()
{
    return {ColumnDef{QStringLiteral("CUNAME"), ColumnType::Text, 10, QStringLiteral("Наименование"), {}, true, true},
            ColumnDef{QStringLiteral("CURATE"), ColumnType::Double, 0, QStringLiteral("Курс"), {}, false, true}};
}
} // namespace

CurrencyTable::CurrencyTable(fb::Database& db)
    : select(db, QStringLiteral("taCurrency"), {QStringLiteral("SELECT * FROM CURRENCY")}, currencyColumns()),
      insertSql(db, QStringLiteral("taCurrency.InsertSQL"),
                {QStringLiteral("INSERT INTO CURRENCY"), QStringLiteral("(CUNAME,"), QStringLiteral("CURATE)"),
                 QStringLiteral("VALUES (:CUNAME, :CURATE)")}),
      updateSql(db, QStringLiteral("taCurrency.ModifySQL"),
                {QStringLiteral("UPDATE CURRENCY"), QStringLiteral("SET CUNAME = :CUNAME,"),
                 QStringLiteral("       CURATE = :CURATE"), QStringLiteral("WHERE CUNAME = :OLD_CUNAME")}),
      refreshSql(db, QStringLiteral("taCurrency.RefreshSQL"),
                 {QStringLiteral("SELECT * FROM CURRENCY"), QStringLiteral("WHERE (CUNAME = :OLD_CUNAME)")},
                 currencyColumns()),
      // "= NULL" finds nothing: the rows without a name are looked for so.
      unnamedSql(db, QStringLiteral("taCurrency.UnnamedSQL"),
                 {QStringLiteral("SELECT * FROM CURRENCY"), QStringLiteral("WHERE CUNAME IS NULL")}, currencyColumns())
{
    // A closed table drops an edit that was never stored. At once, on the
    // thread the statement runs on, whichever thread made the table.
    connect(&select, &fb::Query::closed, this, &CurrencyTable::endEdit, Qt::DirectConnection);
    connect(&select, &fb::Query::opened, this, &CurrencyTable::changed, Qt::DirectConnection);
}

void CurrencyTable::open()
{
    select.open();
}

void CurrencyTable::close()
{
    select.close();
}

void CurrencyTable::moveTo(int row)
{
    select.moveTo(row);
}

fb::Value CurrencyTable::value(int row, int column) const
{
    if (state_ != State::Browse && row == editRow_)
        return buffer_.at(static_cast<size_t>(column));
    return select.value(row, column);
}

void CurrencyTable::edit(int row)
{
    if (!isOpen())
        throw fb::Error(QStringLiteral("Таблица валют не открыта"));
    if (state_ != State::Browse)
        return;
    buffer_ = {select.value(row, kName), select.value(row, kRate)};
    oldName_ = select.value(row, kName);
    editRow_ = row;
    state_ = State::Edit;
    emit changed();
}

void CurrencyTable::insert(int row)
{
    if (!isOpen())
        throw fb::Error(QStringLiteral("Таблица валют не открыта"));
    if (state_ != State::Browse)
        post();
    row = std::clamp(row, 0, rowCount());
    select.insertRow(row, {fb::Value{}, fb::Value{}});
    buffer_ = {fb::Value{}, fb::Value{}};
    oldName_ = fb::Value{};
    editRow_ = row;
    state_ = State::Insert;
    select.moveTo(row);
    emit changed();
}

void CurrencyTable::setValue(int column, const fb::Value& v)
{
    if (state_ == State::Browse)
        edit(currentRow());
    buffer_.at(static_cast<size_t>(column)) = v;
    emit changed();
}

void CurrencyTable::post()
{
    if (state_ == State::Browse)
        return;
    fb::Value name = buffer_[kName];
    if (auto s = std::get_if<QString>(&name); s && s->isEmpty())
        name = fb::Value{}; // an empty name is stored as NULL
    const fb::Value& rate = buffer_[kRate];
    // A commit whose answer never came may have stored the row: then the
    // database holds one more row like it than this table does, and the row
    // is not sent again.
    const bool stored = commitUnknown_ && storedCount(name, rate) > heldCount(name, rate);
    if (!stored) {
        fb::Query& change = state_ == State::Insert ? insertSql : updateSql;
        change.setParam(QStringLiteral("CUNAME"), name);
        change.setParam(QStringLiteral("CURATE"), rate);
        if (state_ == State::Edit)
            change.setParam(QStringLiteral("OLD_CUNAME"), oldName_);
        change.execute();
        // WHERE CUNAME = :OLD_CUNAME finds no row whose name is NULL, nor one
        // another user renamed meanwhile: say so instead of showing a change
        // that was never stored.
        if (state_ == State::Edit && change.affectedRows() == 0)
            throw fb::Error(QStringLiteral("Строка валюты не найдена в базе: она без наименования "
                                           "или изменена другим пользователем"));
    }
    std::vector<fb::Value> row{name, rate};
    // Read the stored row back: the database may have changed it on the way.
    refreshSql.setParam(QStringLiteral("OLD_CUNAME"), name);
    refreshSql.open();
    if (!refreshSql.isEmpty())
        row = {refreshSql.value(0, kName), refreshSql.value(0, kRate)};
    refreshSql.close();
    try {
        select.database().transaction().commitRetaining();
    } catch (const fb::Error& e) {
        if (e.connectionLost())
            commitUnknown_ = true;
        throw;
    }
    select.replaceRow(editRow_, row);
    endEdit();
}

int CurrencyTable::storedCount(const fb::Value& name, const fb::Value& rate)
{
    fb::Query& q = fb::isNull(name) ? unnamedSql : refreshSql;
    if (!fb::isNull(name))
        q.setParam(QStringLiteral("OLD_CUNAME"), name);
    q.open();
    int n = 0;
    for (int r = 0; r < q.recordCount(); ++r)
        n += q.value(r, kRate) == rate ? 1 : 0;
    q.close();
    return n;
}

int CurrencyTable::heldCount(const fb::Value& name, const fb::Value& rate) const
{
    int n = 0;
    for (int r = 0; r < select.recordCount(); ++r)
        if (r != editRow_ && select.value(r, kName) == name && select.value(r, kRate) == rate)
            ++n;
    return n;
}

void CurrencyTable::endEdit()
{
    state_ = State::Browse;
    editRow_ = -1;
    buffer_.clear();
    commitUnknown_ = false;
    emit changed();
}

void CurrencyTable::cancel()
{
    if (state_ == State::Insert)
        select.removeRow(editRow_);
    endEdit();
}

void CurrencyTable::remove(int)
{
    throw fb::Error(QStringLiteral("Удаление валют не предусмотрено: у таблицы нет команды удаления"));
}

} // namespace data
