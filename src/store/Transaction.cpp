#include "Transaction.hpp"

#include "Database.hpp"

namespace sentinex {

Transaction::Transaction(Database& db) : m_db(db) {
    m_db.executeScript("BEGIN IMMEDIATE");
    m_open = true;
}

Transaction::~Transaction() {
    if (!m_open) {
        return;
    }
    try {
        m_db.executeScript("ROLLBACK");
    } catch (const DatabaseError&) {
        // A failed commit may already have ended the transaction; nothing is left to undo.
    }
}

void Transaction::commit() {
    m_db.executeScript("COMMIT");
    m_open = false;
}

} // namespace sentinex
