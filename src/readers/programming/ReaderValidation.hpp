#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class Operator;
struct ReaderForm;

/// The checks a reader record passes before it is saved, in their fixed order; the first that fails
/// gives the message shown ("Attenzione", exclamation icon).
///
/// Numbers must be unsigned whole numbers (decimal digits only, surrounding blanks ignored) in range:
/// site code up to six digits, opening time 0 to 49 s (its double travels in two digits), positions
/// 0-99, loop 1-8, address 0-31. A sign, a decimal point or a blank inside the number fails.
class ReaderValidation {
public:
    static constexpr const char* TypeText = "Errore nei dati. Controllare il 'tipo lettore'.";
    static constexpr const char* SiteCodeText = "Errore nei dati. Controllare il codice applicazione.";
    static constexpr const char* OpeningText = "Errore nei dati. Controllare il tempo di apertura.";
    static constexpr const char* StateText = "Errore nei dati. Controllare il campo 'stato'";
    static constexpr const char* CardPosText =
        "Errore nei dati. Controllare le posizioni relative al numero carta.";
    static constexpr const char* CodePosText =
        "Errore nei dati. Controllare le posizioni relative al numero codice.";
    static constexpr const char* LoopText = "Errore nei dati. Controllare il numero del loop.";
    static constexpr const char* AddressText = "Errore nei dati. Controllare il numero dell'indirizzo.";
    static constexpr const char* ClashText = "Indirizzo già assegnato.";

    /// Loop and address of one stored reader, in stored order.
    struct Slot {
        std::int64_t loop = 0;
        std::int64_t address = 0;
    };

    /// The message of the first failing check, or nothing when the form is valid. On the way it rewrites
    /// `form.siteCode` to six digits ("0042" becomes "000042") once the code has passed its check.
    /// `stored` are the readers of `Lettori` in stored order; `editingPosition` is the 1-based position
    /// of the record being edited, or nothing while a new record is created.
    static std::optional<std::string> firstFailure(ReaderForm& form, const std::vector<Slot>& stored,
                                                   std::optional<int> editingPosition);

    /// firstFailure, showing its message to `op`; true when the form is valid.
    static bool validate(ReaderForm& form, const std::vector<Slot>& stored,
                         std::optional<int> editingPosition, Operator& op);

    /// The value of an unsigned whole number of at most `maxDigits` digits (surrounding blanks ignored),
    /// or nothing when the text is not one.
    static std::optional<std::int64_t> wholeNumber(const std::string& text, std::size_t maxDigits = 9);
};

} // namespace sentinex
