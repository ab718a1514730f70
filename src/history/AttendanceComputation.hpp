#pragma once

#include <cstdint>

namespace sentinex {

class Database;

/// What an attendance computation did.
struct AttendanceResult {
    std::int64_t rows = 0;       // records written into `presenze`
    bool turnstileFound = false; // "InOut" passages were met and left out
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
    static AttendanceResult run(Database& reportDb);
};

} // namespace sentinex
