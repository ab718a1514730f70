#pragma once

#include <string>

namespace sentinex {

class Operator;

/// Tells the operator that the record store refused a write (or a read) of the online access control,
/// once per run of failures: after the message has been shown, further failures stay silent until an
/// operation succeeds again.
class StoreFailureNotice {
public:
    static constexpr const char* Title = "Errore";

    explicit StoreFailureNotice(Operator& op) : m_op(op) {}

    /// Shows the message (title "Errore", critical icon) unless it has been shown since the last success.
    void failed(const std::string& engineMessage);
    /// A store operation worked: the next failure is shown again.
    void succeeded() { m_shown = false; }
    bool shown() const { return m_shown; }

    /// The message shown for an engine message.
    static std::string text(const std::string& engineMessage);

private:
    Operator& m_op;
    bool m_shown = false;
};

} // namespace sentinex
