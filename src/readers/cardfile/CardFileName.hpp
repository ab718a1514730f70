#pragma once

#include <optional>
#include <string>

namespace sentinex {

class Operator;

/// The rule for the name of a Vireo card file, typed without its ".txt": at most 8 characters, no dot.
/// The empty name passes (it means "no card file"). The settings dialog checks "FileVireo" with it too.
class CardFileName {
public:
    static constexpr const char* TooLongText = "Il nome del file deve essere al massimo di 8 caratteri.";
    static constexpr const char* DotText = "Il nome del file non deve contenere il carattere punto.";

    /// The message of the failing rule, or nothing. The length (in characters: "perùgia1" has 8) is
    /// checked before the dot, so "CARTE.TXT", nine characters, is refused for its length.
    static std::optional<std::string> failure(const std::string& name);
    /// failure, shown to `op` ("Attenzione", exclamation icon); true when the name passes.
    static bool check(const std::string& name, Operator& op);
};

} // namespace sentinex
