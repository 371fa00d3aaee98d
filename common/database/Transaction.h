#pragma once

#include "common/database/DatabaseConnection.h"

namespace vorenta {

/// A transaction for the length of a scope: begun when made, rolled back when the scope ends
/// without commit() (a failure left it), so that nothing half-done is ever committed.
class Transaction {
public:
    /// Throws like DatabaseConnection::beginTransaction.
    explicit Transaction(DatabaseConnection& connection) : m_connection(connection)
    {
        m_connection.beginTransaction();
    }
    ~Transaction()
    {
        if (!m_committed)
            m_connection.rollbackTransaction();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// Throws like DatabaseConnection::commitTransaction; the transaction is then rolled back.
    void commit()
    {
        m_connection.commitTransaction();
        m_committed = true;
    }

private:
    DatabaseConnection& m_connection;
    bool m_committed = false;
};

} // namespace vorenta
