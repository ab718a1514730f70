#include "RandomInspection.hpp"

#include "InspectionRun.hpp"

#include "core/Clock.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/WaitScope.hpp"
#include "store/Database.hpp"

#include <array>
#include <random>

namespace sentinex {

namespace {

InspectionDraw::Random seededRandom(std::optional<std::uint64_t> seed) {
    if (seed) {
        return InspectionDraw::Random(*seed);
    }
    // Seeded once, from the entropy source: reseeding from the clock before each pick would repeat
    // picks within one clock step.
    std::random_device device;
    std::array<std::uint32_t, 8> words{};
    for (auto& w : words) {
        w = device();
    }
    std::seed_seq sequence(words.begin(), words.end());
    return InspectionDraw::Random(sequence);
}

// The schedule and the button show this on the wait form during their run, then leave the label
// reading "ATTENDERE PREGO" (one blank), as the program always has.
const char* const kRunningText = "IMPARZIALE IN AZIONE";
const char* const kAfterRunText = "ATTENDERE PREGO";

const char* const kNoData =
    "Impossibile eseguire la routine dell'imparziale. Il database degli utenti e/o dei "
    "turni di lavoro è vuoto.";

} // namespace

RandomInspection::RandomInspection(Database& db, Settings& settings, Operator& op, Clock& clock,
                                   std::optional<std::uint64_t> seed)
    : m_db(db), m_settings(settings), m_op(op), m_clock(clock), m_random(seededRandom(seed)) {}

bool RandomInspection::run() {
    InspectionRun::Outcome outcome{};
    {
        WaitScope wait(m_op);
        outcome = InspectionRun::run(m_db, m_settings.NumeroImparziale, m_random);
    }
    if (outcome == InspectionRun::Outcome::NoData) {
        m_op.message("Errore", kNoData, MsgIcon::Critical);
        return false;
    }
    return true;
}

bool RandomInspection::runAtStartUp() {
    m_schedule.start(m_clock.now());
    if (!m_settings.Imparziale) {
        return false;
    }
    try {
        return run();
    } catch (const DatabaseError&) {
        // Start-up steps after the settings leave a failing step undone and go on; the previous marks
        // stay, as the run's transaction was rolled back.
        return false;
    }
}

bool RandomInspection::tick() {
    // A download or a programming run lets window events through while its wait form is up; the draw
    // would close that form under it. The tick is not taken: the schedule starts a draw it finds late.
    if (m_op.waitShown()) {
        return false;
    }
    const bool enabled = m_settings.ScattareAdOrario && m_settings.Imparziale;
    if (!m_schedule.tick(m_clock.now(), enabled, m_settings.OraImparziale)) {
        return false;
    }
    m_op.setWaitText(kRunningText);
    try {
        run();
    } catch (const DatabaseError& error) {
        m_op.setWaitText(kAfterRunText);
        m_op.message("Errore", std::string("Impossibile eseguire l'imparziale: ") + error.what(),
                     MsgIcon::Critical);
        return true;
    }
    m_op.setWaitText(kAfterRunText);
    return true;
}

bool RandomInspection::runNow() {
    if (!m_settings.Imparziale) {
        m_op.message("Messaggio", "L'imparziale non è stato attivato.", MsgIcon::Exclamation);
        return false;
    }
    bool drawn = false;
    m_op.setWaitText(kRunningText);
    try {
        drawn = run();
    } catch (const DatabaseError& error) {
        m_op.setWaitText(kAfterRunText);
        m_op.message("Errore", std::string("Impossibile eseguire l'imparziale: ") + error.what(),
                     MsgIcon::Critical);
        return false;
    }
    m_op.setWaitText(kAfterRunText);
    if (drawn) {
        m_op.message("Messaggio", "Operazione completata.", MsgIcon::Information);
    }
    return drawn;
}

} // namespace sentinex
