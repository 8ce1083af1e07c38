#pragma once

// The one place that touches the client library's entry points.
#include <firebird/Interface.h>

#include "data/firebird/Error.h"

#include <functional>

namespace fb {

Firebird::IMaster* master();
Firebird::IUtil* util();
Firebird::IProvider* provider();

// Runs a call against the object API and turns the library's exception into
// fb::Error carrying the library's own text and every code of the status.
void call(const std::function<void(Firebird::ThrowStatusWrapper&)>& body);

Error toError(const Firebird::FbException& e);

} // namespace fb
