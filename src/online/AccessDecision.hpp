#pragma once

#include "EntryLimit.hpp"
#include "PendingJournal.hpp"

#include <optional>
#include <string>

namespace sentinex {

class Clock;
class EventPump;
class HolidayCalendar;
class PendingJournal;
class StoreFailureNotice;
class OnlineView;
class PresenceTable;
class ReaderBus;
class Refusal;
class StatusLine;
class TransitLog;
struct CardRecord;
struct Settings;
struct StepContext;

/// The chain of checks on a card found in `Carte`, and the grant that follows when all pass.
class AccessDecision {
public:
    AccessDecision(PendingJournal& journal, StoreFailureNotice& notice, OnlineView& view, ReaderBus& bus,
                   Clock& clock, EventPump& pump, const Settings& settings, EntryLimitSource entryLimit,
                   PresenceTable& presence, Refusal& refusal, TransitLog& log, StatusLine& status);

    /// Applies the eight checks in order; the first that fails refuses the card with its message and
    /// code. When all pass, sends the grant after a 10 ms pause and, only when the reader answers "S",
    /// shows, logs and counts the passage. Any other answer (none, garbled, another code) shows the
    /// communication error and records the presentation with the note "Esito non confermato", not as a
    /// passage: the reader may have opened all the same, but presence and counter follow confirmed
    /// grants only (an exit booked by the anti-passback check stays booked, as with a refusal). Such
    /// grants are counted on the status line. A failed read throws DatabaseError; failed writes are
    /// reported through the notice.
    void decide(const StepContext& ctx, const CardRecord& card, int input1, int input2);

    /// The holiday calendar the time-band check follows from now on (it must outlive the decision);
    /// without one the check is the plain weekly band.
    void setHolidays(HolidayCalendar* holidays) { m_holidays = holidays; }

    /// Character k (1-based) of `Lettore` has a non-zero numeric value; missing or non-digit is 0.
    static bool enabledOnReader(const std::string& lettore, int k);
    /// Input check: passes when `ControllaInput` is not True; otherwise with `MetodoInput` True both
    /// inputs must be in the required state, with it False (or Null) one suffices. A Null `Input1` or
    /// `Input2` requires the input off.
    static bool inputsPass(const CardRecord& card, int input1, int input2);

private:
    /// Stores the passage with the presence record of the entrance, or with the booked `exit`.
    void recordGrant(const StepContext& ctx, const CardRecord& card,
                     const std::optional<PendingRecord>& exit);

    PendingJournal& m_journal;
    StoreFailureNotice& m_notice;
    OnlineView& m_view;
    ReaderBus& m_bus;
    Clock& m_clock;
    EventPump& m_pump;
    const Settings& m_settings;
    EntryLimitSource m_entryLimit;
    PresenceTable& m_presence;
    Refusal& m_refusal;
    TransitLog& m_log;
    HolidayCalendar* m_holidays = nullptr;
    StatusLine& m_status;
    int m_unconfirmed = 0;
};

} // namespace sentinex
