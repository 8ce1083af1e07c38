#pragma once

#include "data/firebird/Error.h"

namespace data {

// Which of the program's databases a failure met.
enum class Whose { Enterprise, Price };

// A failure as the person at the desk is told it: a sentence of the
// program's own first, then the client library's own words (or the Firebird
// layer's neutral ones) as the second line; the codes stay, so that what
// handles the failure can still tell its kind. A failure without a sentence
// of its own keeps its text.
fb::Error toldOf(const fb::Error& e, const QString& databaseName, Whose whose);

} // namespace data
