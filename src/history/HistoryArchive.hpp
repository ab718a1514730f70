#pragma once

#include "DayPeriod.hpp"
#include "SelectionPlan.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sentinex {

class Database;

/// The history's storage work: copying a selection of `transiti` into `temp`, and deleting history.
///
/// Both run on the report database's connection with the main database attached for the length of
/// the operation, so each is one statement pair inside one transaction: the selection is copied by
/// the engine (INSERT ... SELECT) without a row crossing into the program, and a deletion removes the
/// transits and empties `temp` together or not at all.
class HistoryArchive {
public:
    /// Adds the history indexes to the main database when it lacks them (an older installation), and
    /// keeps the report database's journal in memory (see the constructor).
    HistoryArchive(std::shared_ptr<Database> mainDb, std::shared_ptr<Database> reportDb);

    /// Replaces the contents of `temp` with the planned selection, in one transaction: on failure `temp`
    /// keeps what it held. The old selection's pages are not journalled, so a second search costs what
    /// the first did; the file holds two selections for the length of the transaction. Indexes and
    /// triggers of `temp` are kept. Returns the number of records copied. Throws DatabaseError.
    std::int64_t fillTemp(const SelectionPlan& plan);
    /// Deletes the transits of `period` (all of them when none is given) and empties `temp`, in one
    /// transaction with its row of the operators' record ("Storico cancellato"): on failure nothing is
    /// deleted and nothing recorded. Returns the number of transits deleted.
    std::int64_t deleteHistory(const std::optional<DayPeriod>& period);

    const std::shared_ptr<Database>& mainDb() const { return m_main; }
    const std::shared_ptr<Database>& reportDb() const { return m_report; }

    /// The name the main database is attached under during an operation.
    static constexpr const char* kTransitSchema = "sentinex_main";
    /// The name the previous selection has while a new one is copied into temp.
    static constexpr const char* kPreviousSelection = "temp_precedente";

private:
    std::shared_ptr<Database> m_main;
    std::shared_ptr<Database> m_report;
};

} // namespace sentinex
