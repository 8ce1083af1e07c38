#pragma once

#include "platform/Failure.h"

#include <QStringList>

#include <cstdint>
#include <vector>

namespace fb {

// A failure reported by the client library or by this layer. The text is
// the library's own (its formatted status vector) or this layer's neutral
// words; the codes are every code of the status vector, or one of this
// layer's own (negative) first; args name what the layer's own error is
// about (the statement, the column, the value), so that the data module can
// say it for the person at the desk.
class Error : public platform::Failure {
public:
    explicit Error(QString text, std::vector<intptr_t> codes = {}, QStringList args = {})
        : platform::Failure(std::move(text)), codes_(std::move(codes)), args_(std::move(args)) {}
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
    intptr_t firstCode() const { return codes_.empty() ? 0 : codes_.front(); }
    const std::vector<intptr_t>& codes() const { return codes_; }
    const QStringList& args() const { return args_; }

    // This layer's own codes.
    static constexpr intptr_t kServerSilent = -1;     // the watch cut a call its server did not answer
    static constexpr intptr_t kConnectionDead = -2;   // ... one whose connection the server showed dead
    static constexpr intptr_t kAttachGivenUp = -3;    // an attach given up at its bound; args: seconds
    static constexpr intptr_t kNotAttached = -4;      // args: database name
    static constexpr intptr_t kStatementRefused = -5; // the server refused the text; args: statement
    static constexpr intptr_t kNoColumn = -6;         // args: statement, column
    static constexpr intptr_t kColumnType = -7;       // args: statement, column
    static constexpr intptr_t kParamCount = -8;       // args: statement, in the statement, in the text
    static constexpr intptr_t kNoParam = -9;          // args: statement, name or position
    static constexpr intptr_t kNoField = -10;         // args: statement, field
    static constexpr intptr_t kNoRow = -11;           // args: statement, row, rows
    static constexpr intptr_t kNotANumber = -12;      // args: statement, text
    static constexpr intptr_t kBadValue = -13;        // args: statement, parameter
    static constexpr intptr_t kTextTooLong = -14;     // args: statement, text, length
    static constexpr intptr_t kNeedsDateTime = -15;   // args: statement, parameter
    static constexpr intptr_t kTypeUnsupported = -16; // args: statement, parameter
    // Put last by the data module once it has said the failure for the
    // person at the desk, so that it is said once.
    static constexpr intptr_t kTold = -100;

private:
    std::vector<intptr_t> codes_;
    QStringList args_;
};

} // namespace fb
