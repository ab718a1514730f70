#pragma once

#include <string>

namespace sentinex {

struct OnlineServices;
struct StepContext;
class StoreFailureNotice;

/// The record of every online refusal and granted passage: table `transiti`, or for granted passages
/// with "StoricoEsterno" on, the text history "Storico.txt" of the program folder.
class TransitLog {
public:
    TransitLog(OnlineServices& services, StoreFailureNotice& notice) : m_s(services), m_notice(notice) {}

    /// Refusal procedure (the caller has already shown its message): lamps red, the refusal command
    /// prefix + "K000000000" through `invia_comando` (reply not looked at), one second of beeps while
    /// "Beep" is on, then a `transiti` record with `Passaggio` False and the code's `nota`.
    /// A record that cannot be stored is reported through the notice; nothing is thrown.
    void refuse(const StepContext& ctx, int code, const std::string& number, const std::string& surname,
                const std::string& firstName);

    /// Grant log: a line of "Storico.txt" when "StoricoEsterno" is on, otherwise a `transiti` record with
    /// `Passaggio` True and `nota` "Passaggio". When the text file cannot be written the passage goes to
    /// `transiti`, so it is never lost. Nothing is thrown.
    void logGrant(const StepContext& ctx, const std::string& number, const std::string& surname,
                  const std::string& firstName);

    /// One record of "Storico.txt" as written: Windows-1252 bytes, the quoted fixed-width text, CRLF.
    /// Texts are UTF-8; names keep their last 14 characters, the location its last 8.
    static std::string storicoLine(const std::string& number, const std::string& firstName,
                                   const std::string& surname, int readerIndex, const std::string& location,
                                   const std::string& date, const std::string& time,
                                   const std::string& state);

    /// Appends `bytes` to the file at `path` (created when missing). False when it could not be written.
    static bool appendToFile(const std::string& path, const std::string& bytes);

private:
    bool addTransit(const StepContext& ctx, bool passage, const std::string& nota, const std::string& number,
                    const std::string& surname, const std::string& firstName);

    OnlineServices& m_s;
    StoreFailureNotice& m_notice;
};

} // namespace sentinex
