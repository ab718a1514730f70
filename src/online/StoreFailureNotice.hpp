#pragma once

#include <set>
#include <string>

namespace sentinex {

class StatusLine;

/// Tells the site that the record store refused a write (or a read) of the online access control: on
/// the main window's status line, from the first failure until every kind of store that failed works
/// again (a presence record stored does not mean the lost transit was). Nothing waits for anybody:
/// polling goes on and the doors keep their commands.
class StoreFailureNotice {
public:
    /// What was refused.
    enum class Store { Transits, Presence, Lookup };

    explicit StoreFailureNotice(StatusLine& status) : m_status(status) {}

    /// Shows the failure with the engine's words.
    void failed(Store store, const std::string& engineMessage);
    /// `store` worked: once every failed store has, the failure leaves the status line.
    void succeeded(Store store);
    /// Every store works again (records that waited have all been stored): the failure leaves the line.
    void clear();
    bool shown() const { return !m_failing.empty(); }

    /// The text shown for an engine message.
    static std::string text(const std::string& engineMessage);

private:
    StatusLine& m_status;
    std::set<Store> m_failing;
};

} // namespace sentinex
