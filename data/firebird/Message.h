#pragma once

#include "data/firebird/Value.h"

#include <vector>

namespace Firebird {
class IMessageMetadata;
}

namespace fb {

// Where one value sits in a message buffer, as the statement's metadata
// describes it.
struct Slot {
    unsigned type = 0; // SQL type code, nullable bit cleared
    unsigned offset = 0;
    unsigned nullOffset = 0;
    unsigned length = 0;
    int scale = 0;
};

// A message as a statement's metadata lays it out: where each value sits,
// its name (an output column's alias in capitals; a name that comes twice, as
// the columns of a join, gets 1, 2, ... appended), and the buffer's length.
struct Layout {
    std::vector<Slot> places;
    std::vector<QString> names;
    unsigned length = 0;
};

Layout layoutOf(Firebird::IMessageMetadata* meta);

// The slots of the declared columns in a statement's output, in declared
// order. Throws fb::Error naming a column that is missing or of a type the
// declaration cannot read.
std::vector<Slot> declaredSlots(const Layout& output, const std::vector<ColumnDef>& columns);

// Whether a result column of this slot can be read as the declared type.
bool compatible(ColumnType declared, const Slot& slot);

// Writes one parameter value into its slot of the input buffer, converting it
// to the slot's type. A text longer than its slot is refused when the value is
// to be stored (toStore) and sent as NULL otherwise: longer than the column it
// is compared with, it can equal or match no value of it. Throws fb::Error
// naming what is wrong with the value; `index` is the parameter's position.
void encodeParam(const Value& v, const Slot& slot, int index, bool toStore, unsigned char* buffer);

// Reads one column of a fetched row: texts cut of trailing blanks, integers
// with a scale as doubles, NULL as an empty Value.
Value decodeColumn(const unsigned char* buffer, const Slot& slot);

} // namespace fb
