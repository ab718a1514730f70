#pragma once

#include <cstddef>
#include <string>

namespace sentinex {

/// Reading of reader replies. Positions count from 1 (position 1 is the reader's start byte); a
/// position beyond the end of a reply reads as empty, never out of range.
class ReaderReply {
public:
    /// Outcome of the standard reply handling of the programming functions.
    enum class Status { Ok, NotConnected, TransferError, CodeError, Unknown };

    static constexpr const char* NotConnectedText = "Periferica non connessa.";
    static constexpr const char* TransferErrorText = "Errore nel trasferimento dati.";
    static constexpr const char* CodeErrorText = "Errore nel codice applicazione.";
    static constexpr const char* UnknownText = "Risposta sconosciuta.";

    /// The character at `position`, or '\0' when the reply is shorter.
    static char at(const std::string& reply, std::size_t position);
    /// Up to `length` characters from `position`; shorter or empty near the end.
    static std::string mid(const std::string& reply, std::size_t position, std::size_t length);
    /// The reply code (position 4), or '\0'.
    static char code(const std::string& reply) { return at(reply, 4); }

    /// Empty reply: NotConnected; then "D", "C", anything but "S" (Unknown); "S": Ok.
    static Status classify(const std::string& reply);
    /// Words of a status: the four messages above; empty for Ok.
    static const char* words(Status status);
    /// One line describing any reply, for diagnostics: the status words for failures, and a meaning
    /// for "S", "I", "Z" and "F".
    static std::string describe(const std::string& reply);
};

} // namespace sentinex
