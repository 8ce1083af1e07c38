#pragma once

#include "data/firebird/Database.h"

namespace Firebird {
class ITransaction;
}

namespace fb {

// The default transaction of a connection: started on demand by the first
// statement that needs it, ended by the connection's closing action.
class Transaction {
public:
    Transaction(Database& db, CloseAction closeAction, Access access);
    ~Transaction();

    bool active() const { return tra_ != nullptr; }
    Firebird::ITransaction* handle();   // starts it when not active
    void commitRetaining();
    void commit();
    void rollback();
    void end();                         // by the closing action
    // The connection is lost and cut: lets go of the handle without its
    // closing action, which could not reach the server (which ends the
    // transaction on its own) and must never commit what was given up.
    void abandon();
    CloseAction closeAction() const { return closeAction_; }
    Access access() const { return access_; }

private:
    Database& db_;
    CloseAction closeAction_;
    Access access_;
    Firebird::ITransaction* tra_ = nullptr;
};

} // namespace fb
