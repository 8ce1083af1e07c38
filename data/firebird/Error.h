#pragma once

#include "platform/Failure.h"

#include <cstdint>
#include <vector>

namespace fb {

// A failure reported by the client library or by this layer; the text is the
// library's own (formatted status vector) or a message naming what went wrong.
class Error : public platform::Failure {
public:
    explicit Error(QString text, std::vector<intptr_t> codes = {})
        : platform::Failure(std::move(text)), codes_(std::move(codes)) {}
    bool hasCode(intptr_t code) const;
    // The connection itself is gone: the server died or stopped, ended this
    // attachment, or the network failed. A query error, a constraint, a lock
    // conflict or a refused login is not.
    bool connectionLost() const;
    const std::vector<intptr_t>& codes() const { return codes_; }

private:
    std::vector<intptr_t> codes_;
};

} // namespace fb
