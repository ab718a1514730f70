#pragma once

#include "PendingJournal.hpp"

#include <optional>
#include <string>

namespace sentinex {

class Clock;
class StoreFailureNotice;
struct Settings;
struct StepContext;

/// Who a transit record names: card number, surname, first name (all empty for an unknown card).
struct CardHolder {
    std::string number;
    std::string surname;
    std::string firstName;
};

/// The record of every online refusal and granted passage: table `transiti`, or for granted passages
/// with "StoricoEsterno" on, the text history "Storico.txt" of the program folder.
class TransitLog {
public:
    TransitLog(PendingJournal& journal, const Settings& settings, Clock& clock, std::string programFolder,
               StoreFailureNotice& notice);

    /// A `transiti` record with `Passaggio` False and the `nota` of reason `code`, dated now, stored
    /// together with `with` (one transaction). A record the database refuses waits in the journal (and
    /// the notice says so); nothing is thrown.
    PendingJournal::Outcome logRefusal(const StepContext& ctx, int code, const CardHolder& holder,
                                       const std::vector<PendingRecord>& with = {});

    /// A grant the reader did not confirm: a `transiti` record with `Passaggio` False (the attendance
    /// and the presence table count confirmed passages only) and `nota` "Esito non confermato", dated
    /// now, stored together with `with`. Like a refusal it always goes to `transiti`. Nothing is thrown.
    PendingJournal::Outcome logUnconfirmed(const StepContext& ctx, const CardHolder& holder,
                                           const std::vector<PendingRecord>& with = {});

    /// Grant log: a line of "Storico.txt" when "StoricoEsterno" is on (then nothing is returned),
    /// otherwise the `transiti` record with `Passaggio` True and `nota` "Passaggio", dated now, for the
    /// caller to store together with the presence record. When the text file cannot be written the
    /// passage goes to `transiti`, so it is never lost.
    std::optional<PendingRecord> grantRecord(const StepContext& ctx, const CardHolder& holder);

    /// One record of "Storico.txt" as written: Windows-1252 bytes, the quoted fixed-width text, CRLF.
    /// Texts are UTF-8; names keep their last 14 characters, the location its last 8.
    static std::string storicoLine(const std::string& number, const std::string& firstName,
                                   const std::string& surname, int readerIndex, const std::string& location,
                                   const std::string& date, const std::string& time,
                                   const std::string& state);

    /// Appends `bytes` to the file at `path` (created when missing). False when it could not be written.
    static bool appendToFile(const std::string& path, const std::string& bytes);

private:
    PendingJournal::Outcome storeWith(PendingRecord record, const std::vector<PendingRecord>& with);
    PendingRecord transitRecord(const StepContext& ctx, bool passage, const std::string& nota,
                                const CardHolder& holder) const;

    PendingJournal& m_journal;
    const Settings& m_settings;
    Clock& m_clock;
    std::string m_programFolder;
    StoreFailureNotice& m_notice;
};

} // namespace sentinex
