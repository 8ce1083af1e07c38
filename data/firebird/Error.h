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
    // conflict or a refused login is not, nor a network failure of a remote
    // call that a procedure of the database made: only the status's first
    // code speaks for this attachment.
    bool connectionLost() const;
    // The server was not reached: lost, or an attach that got no answer
    // (refused by the network, timed out). A missing file, a refused login
    // or a database shut down is an answer.
    bool unreachable() const;
    // The watch cut the connection: its server did not answer, or the server
    // answered but showed the connection dead.
    bool cutByWatch() const
    {
        return !codes_.empty() && (codes_.front() == kServerSilent || codes_.front() == kConnectionDead);
    }
    const std::vector<intptr_t>& codes() const { return codes_; }

    // The first codes of the errors this layer makes: the watch cut a call
    // whose server did not answer, or whose connection the server showed dead;
    // an attach was given up at its bound.
    static constexpr intptr_t kServerSilent = -1;
    static constexpr intptr_t kConnectionDead = -2;
    static constexpr intptr_t kAttachGivenUp = -3;

private:
    std::vector<intptr_t> codes_;
};

} // namespace fb
