#pragma once

#include <memory>

namespace sentinex {

class Database;

/// One write transaction on a database: begun on construction (BEGIN IMMEDIATE, waiting for a lock
/// as the connection's busy timeout allows), committed by commit(), rolled back when it goes out of
/// scope uncommitted. Engine errors of begin and commit are raised as DatabaseError.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// Makes every write since the begin durable, all together.
    void commit();

private:
    Database& m_db;
    bool m_open = false;
};

} // namespace sentinex
