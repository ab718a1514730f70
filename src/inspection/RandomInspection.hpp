#pragma once

#include "InspectionDraw.hpp"
#include "InspectionSchedule.hpp"

#include <cstdint>
#include <optional>

namespace sentinex {

class Clock;
class Database;
class Operator;
struct Settings;

/// The random inspection ("imparziale") as the program runs it: at start-up, on each tick of the
/// inspection clock and on demand. Each run clears the marks, counts the eligible users of each shift
/// and marks the users drawn (`InspectionRun`), with the wait form shown meanwhile. The settings are
/// read at each call, so a change in the settings dialog counts from the next one.
class RandomInspection {
public:
    /// `seed` makes the draws repeatable (tests); without it the random source is seeded once from the
    /// system's entropy source. Every argument must outlive the object.
    RandomInspection(Database& db, Settings& settings, Operator& op, Clock& clock,
                     std::optional<std::uint64_t> seed = std::nullopt);

    /// The start-up run: when "Imparziale" is on, a run with the wait form; "Impossibile eseguire la
    /// routine dell'imparziale. ..." when users or shifts are missing. A store failure is not shown
    /// (start-up goes on). Also starts the schedule's clock, whatever the setting. Returns true when
    /// users were drawn.
    bool runAtStartUp();

    /// One tick of `Timer3`: runs the inspection when the schedule says it is due. Returns true when it
    /// ran (drawn or not). A store failure is shown ("Errore").
    bool tick();

    /// The on-demand button: "L'imparziale non è stato attivato." when "Imparziale" is off; otherwise a
    /// run, then "Operazione completata." after a draw. A store failure is shown ("Errore"). Returns true
    /// when users were drawn.
    bool runNow();

private:
    /// Wait form, run, the message when data are missing; true when drawn. Throws DatabaseError with the
    /// wait form closed.
    bool run();

    Database& m_db;
    Settings& m_settings;
    Operator& m_op;
    Clock& m_clock;
    InspectionDraw::Random m_random;
    InspectionSchedule m_schedule;
};

} // namespace sentinex
