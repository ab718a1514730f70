#include "Refusal.hpp"

#include "OnlineView.hpp"
#include "StepContext.hpp"
#include "TransitLog.hpp"
#include "core/Clock.hpp"
#include "core/EventPump.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "link/ReaderBus.hpp"
#include "link/ReaderCommands.hpp"

namespace sentinex {

namespace {

// Pause between two beeps of the refusal signal; events are processed while it lasts.
constexpr int BeepGapMs = 50;

} // namespace

PendingJournal::Outcome Refusal::refuse(const StepContext& ctx, int code, const std::string& message,
                                        const CardHolder& holder, const std::vector<PendingRecord>& with) {
    m_view.showLastEvent(message);
    m_view.setLamps(LampColour::Red);
    m_bus.exchange(ctx.reader, ReaderCommands::refuse(ctx.prefix), Timing::Command);
    // Recorded before the beep: a second of beeping is a second in which the program may be ended.
    const PendingJournal::Outcome out = m_log.logRefusal(ctx, code, holder, with);
    if (m_settings.Beep) {
        const double start = m_clock.monotonicSeconds();
        while (m_clock.monotonicSeconds() - start < 1.0) {
            m_op.beep();
            m_pump.processEvents();
            m_clock.pause(BeepGapMs, m_pump);
        }
    }
    return out;
}

} // namespace sentinex
