#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sentinex {

class Database;

/// What an attendance computation did.
struct AttendanceResult {
    /// A passage left out because its date or time cannot be read (a record typed or imported badly).
    struct Unreadable {
        std::string surname;
        std::string firstName;
        std::string badge;
        std::string date; // `Data` as stored
        std::string time; // `Ora` as stored
    };

    std::int64_t rows = 0;              // records written into `presenze`
    bool turnstileFound = false;        // "InOut" passages were met and left out
    std::vector<Unreadable> unreadable; // passages left out for their date or time, in selection order
};

/// The attendance computation over the selection copied into `temp`: empties `presenze`, pairs the
/// passages (refusals never take part) and writes one `presenze` record per row, in one transaction
/// on the report database. The caller shows the turnstile message and prints the report.
class AttendanceComputation {
public:
    static constexpr const char* kTurnstileMessage =
        "Riscontrati passaggi da tornelli Inout. Sono stati considerati come non avvenuti. I dati di "
        "presenza potranno risultare non corretti";

    /// Throws DatabaseError; `presenze` then keeps what it held before.
    ///
    /// The passages are paired in the order of surname and first name regardless of letter case (the
    /// engine's NOCASE), then badge, date and time, and, for passages of the same minute, the order they
    /// were copied in (the selection's order). The order is made here rather than by the engine: one
    /// sort of small keys, with each person's texts read once.
    /// A passage whose date or time cannot be read cannot be timed: it is left out of the pairing and
    /// listed in `unreadable`.
    static AttendanceResult run(Database& reportDb);

    /// Names at most this many left-out passages in the message; the others are counted.
    static constexpr std::size_t kUnreadableNamed = 10;
    /// The message about passages left out for their date or time (the empty text when there are none):
    /// how many, then one line per passage, "Rossi Mario, badge 0012: 32/01/2026 08:00".
    static std::string unreadableMessage(const std::vector<AttendanceResult::Unreadable>& unreadable);
};

} // namespace sentinex
