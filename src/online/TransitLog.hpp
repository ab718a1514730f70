#pragma once

#include "store/CachedStatement.hpp"

#include <string>

namespace sentinex {

class Clock;
class Database;
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
    TransitLog(Database& db, const Settings& settings, Clock& clock, std::string programFolder,
               StoreFailureNotice& notice);

    /// A `transiti` record with `Passaggio` False and the `nota` of reason `code`. A record that cannot be
    /// stored is reported through the notice; nothing is thrown. Returns whether it was stored.
    bool logRefusal(const StepContext& ctx, int code, const CardHolder& holder);

    /// Grant log: a line of "Storico.txt" when "StoricoEsterno" is on, otherwise a `transiti` record with
    /// `Passaggio` True and `nota` "Passaggio". When the text file cannot be written the passage goes to
    /// `transiti`, so it is never lost. Nothing is thrown.
    void logGrant(const StepContext& ctx, const CardHolder& holder);

    /// One record of "Storico.txt" as written: Windows-1252 bytes, the quoted fixed-width text, CRLF.
    /// Texts are UTF-8; names keep their last 14 characters, the location its last 8.
    static std::string storicoLine(const std::string& number, const std::string& firstName,
                                   const std::string& surname, int readerIndex, const std::string& location,
                                   const std::string& date, const std::string& time,
                                   const std::string& state);

    /// Appends `bytes` to the file at `path` (created when missing). False when it could not be written.
    static bool appendToFile(const std::string& path, const std::string& bytes);

private:
    bool addTransit(const StepContext& ctx, bool passage, const std::string& nota, const CardHolder& holder);

    const Settings& m_settings;
    Clock& m_clock;
    std::string m_programFolder;
    StoreFailureNotice& m_notice;
    CachedStatement m_insert;
};

} // namespace sentinex
