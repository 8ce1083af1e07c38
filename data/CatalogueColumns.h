#pragma once

#include "data/firebird/Value.h"

#include <vector>

// The result columns the program declares for its statements.
namespace data::columns {

// A text column of at most `size` characters; empty as NULL unless told.
fb::ColumnDef text(const char* name, int size, const char* label = "", bool emptyAsNull = true);
fb::ColumnDef col(const char* name, fb::ColumnType type, const char* label = "", const char* format = "");
// A column the program never reads: it must exist, its type is whatever the
// accounting database has.
fb::ColumnDef unread(const QString& name);

std::vector<fb::ColumnDef> part();      // the part list and the cross list
std::vector<fb::ColumnDef> sums();      // the income, output and reserve sums
std::vector<fb::ColumnDef> minStock();  // the 70 columns of the candidate query
std::vector<fb::ColumnDef> movements(); // the 147 columns of the movements

} // namespace data::columns
