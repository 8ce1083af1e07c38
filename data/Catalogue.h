#pragma once

#include "data/firebird/Query.h"

#include <initializer_list>
#include <optional>

// The catalogue: every statement the program sends, defined once. Each
// definition stands beside the data module's read of it, in the file of its
// subsystem: StatementsLookup.cpp (the number search and the prices),
// StatementsStock.cpp (stock and cost figures, the order's candidates),
// StatementsMovements.cpp (movements, warehouses), StatementsPrice.cpp (the
// EUR rate); the currency table's statements are in CurrencyTable.cpp.
namespace data::catalogue {

// A statement's text, line by line.
QStringList lines(std::initializer_list<const char*> l);
// A text column of at most `size` characters; empty as NULL unless told.
fb::ColumnDef text(const char* name, int size, const char* label = "", bool emptyAsNull = true);
fb::ColumnDef col(const char* name, fb::ColumnType type, const char* label = "", const char* format = "");
// A column the program never reads: it must exist, its type is whatever the
// accounting database has.
fb::ColumnDef unread(const QString& name);
// The columns a statement declares, named in order and separated by spaces:
// those given in `read` as defined there, every other one unread.
std::vector<fb::ColumnDef> columnsNamed(const char* names, std::initializer_list<fb::ColumnDef> read);

// A field read as a number or a whole number: a missing value is none.
std::optional<double> number(const fb::Field& f);
std::optional<qint32> integer(const fb::Field& f);

// The columns of the part list and the cross list.
std::vector<fb::ColumnDef> part();
// The income, output and reserve sums.
std::vector<fb::ColumnDef> sums();

fb::Statement ibqGetPartID();
fb::Statement ibqGetCrossNums();
fb::Statement ibqGetPrices();
fb::Statement ibqGetLastPrice();
fb::Statement ibqGetDescr();
fb::Statement ibqIncome();
fb::Statement ibqOutput();
fb::Statement ibqReserve();
fb::Statement ibqGetAVGCost();
fb::Statement ibqGetLastSklad();
fb::Statement ibqGetMINStock();
fb::Statement ibqSkald();
fb::Statement ibqMovements();
fb::Statement spGetEuroRate();

} // namespace data::catalogue
