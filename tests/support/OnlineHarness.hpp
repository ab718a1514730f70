#pragma once

#include "FakeClock.hpp"
#include "OnlineFakeBus.hpp"
#include "OnlineRecordingView.hpp"
#include "ScriptedOperator.hpp"
#include "TestInstall.hpp"

#include "core/EventPump.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "online/PollingStep.hpp"
#include "readers/AppState.hpp"
#include "readers/programming/ReaderStore.hpp"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sentinex::testing {

/// An event pump whose "pending events" are a test's hook (a click, a timer tick).
class OnlineHookPump final : public EventPump {
public:
    void processEvents() override {
        ++calls;
        if (hook) {
            hook();
        }
    }
    std::function<void()> hook;
    int calls = 0;
};

/// The decision and the parts it works with, built on an environment as the polling step builds them,
/// for tests that drive the decision (or one part) directly.
struct DecisionParts {
    explicit DecisionParts(PollingStep::Environment e)
        : env(std::move(e)), status(env.view), notice(status),
          journal(env.db, env.programFolder + "/" + PollingStep::JournalFile),
          log(journal, env.settings, env.clock, env.programFolder, notice),
          presence(env.db, journal, env.settings, env.settingsFile, notice, status),
          refusal(env.view, env.bus, env.op, env.clock, env.pump, env.settings, log),
          decision(journal, notice, env.view, env.bus, env.clock, env.pump, env.settings, env.entryLimit,
                   presence, refusal, log, status) {}

    PollingStep::Environment env;
    StatusLine status;
    StoreFailureNotice notice;
    PendingJournal journal;
    TransitLog log;
    PresenceTable presence;
    Refusal refusal;
    AccessDecision decision;
};

/// The main window's side of the online access control on a throw-away installation: a real
/// Sentinex.mdb, the settings of its Sentinex.ini, a scripted bus, a fake clock (Monday 5 January 2026,
/// 10:00:00), a scripted operator and a recording view; polling is on.
///
/// The bus answers the queued replies first, then "S" to every other exchange (so grants are confirmed
/// unless a test queues something else after the card).
class OnlineHarness {
public:
    OnlineHarness();

    /// Builds the step again, with `entryLimit` as the source of the entry limit (empty: saved values).
    void rebuild(EntryLimitSource entryLimit);
    /// What the step works with (for tests that build parts of it themselves).
    PollingStep::Environment environment(EntryLimitSource entryLimit = {});

    /// Adds a reader record and reloads the reader list; returns its 1-based index.
    int addReader(const TestInstall::Reader& r);
    /// Adds a user record.
    std::int64_t addUser(const TestInstall::User& u) { return install.addUser(u); }

    /// Queues `pollReply` (and then `followUps`) and runs one polling step for reader `readerIndex`.
    void present(int readerIndex, const std::string& pollReply,
                 const std::vector<std::string>& followUps = {});
    /// A card reply carrying `cardData` with inputs `in1`, `in2`.
    static std::string card(const std::string& cardData, char in1 = '0', char in2 = '0') {
        return OnlineFakeBus::cardReply(cardData, in1, in2);
    }

    /// Every `transiti` record, as field name to value, in stored order.
    std::vector<std::map<std::string, Value>> transits();
    /// Every `NumeroBadge` of `presenti`, in stored order.
    std::vector<std::string> inside();
    /// "Utenti" as the settings file holds it now.
    std::int32_t utentiInFile() const { return settingsFile.loadAll().Utenti; }
    /// The payloads sent, in order.
    std::vector<std::string> payloads() const { return bus.payloads(); }
    /// "05/01/2026 10:00:00" for the current fake time, with the line break in front.
    std::string stamp() const { return std::string("\r\n") + clock.now().generalText(); }

    TestInstall install;
    Settings settings;
    SettingsFile settingsFile;
    AppState state;
    FakeClock clock;
    OnlineHookPump pump;
    ScriptedOperator op;
    OnlineFakeBus bus;
    OnlineRecordingView view;
    ReaderStore readerStore;
    std::unique_ptr<PollingStep> step;
};

} // namespace sentinex::testing
