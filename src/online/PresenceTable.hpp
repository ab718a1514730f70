#pragma once

#include <string>

namespace sentinex {

struct OnlineServices;
class StoreFailureNotice;

/// Anti-passback: the table `presenti` of the persons inside and the presence counter "Utenti", which
/// is written to the settings file on every change and never goes below zero.
class PresenceTable {
public:
    PresenceTable(OnlineServices& services, StoreFailureNotice& notice) : m_s(services), m_notice(notice) {}

    /// Presence check for card `number` at a reader of direction `direction` (0 exit, 1 entrance, 2 other).
    /// Returns true when the passage is blocked: an entrance of a person already inside, an exit of a
    /// person not inside. An exit of a person inside removes the person (record and count) here and is
    /// not blocked. Direction 2 is never blocked and touches nothing.
    /// A failed read throws DatabaseError; a failed removal is reported through the notice, and the
    /// exit passes with table and counter left as they are.
    bool check(const std::string& number, int direction);

    /// Presence entry after a confirmed passage: for an entrance, adds the person and counts them.
    /// When the record cannot be stored the counter stays as it is (it counts the table) and the
    /// failure is reported through the notice.
    void enter(const std::string& number, int direction);

    /// The table half of `enter`: adds the record for an entrance. Returns true when one was added
    /// (then `countEntry` must follow once the record is durable).
    bool addEntry(const std::string& number, int direction);
    /// The counter half of `enter`: one more person inside, written to the settings file.
    void countEntry();

    StoreFailureNotice& notice() { return m_notice; }

private:
    void setCounter(long long value);

    OnlineServices& m_s;
    StoreFailureNotice& m_notice;
};

} // namespace sentinex
