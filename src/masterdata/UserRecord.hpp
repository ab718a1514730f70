#pragma once

#include <array>
#include <string>

namespace sentinex {

/// One user of `Carte` as the users form shows and edits it (every field but `Stringa` and the band
/// copy, which the store derives from the band name at save).
struct UserRecord {
    static constexpr int ReaderPositions = 64;

    std::string surname;      // Cognome
    std::string firstName;    // Nome
    std::string address;      // Indirizzo
    std::string cardNumber;   // NumeroCarta
    std::string notes;        // Note
    bool cardEnabled = false; // AbilitaCarta
    bool online = false;      // Flag_online
    bool output1 = false;     // Output1
    bool output2 = false;     // Output2
    bool checkInputs = false; // ControllaInput
    bool inputsAnd = false;   // MetodoInput
    bool input1On = false;    // Input1
    bool input2On = false;    // Input2
    bool bandsApply = false;  // Flag_fasce
    std::string bandName;     // NomeFascia (the chooser's text; trimmed when stored)
    /// SceltaFascia: 1..3 stand-alone band, 0 "Attivo 24 ore"; a stored value outside 0..3 is kept.
    int standAloneBand = 0;
    /// Per-reader enable flags, position 1 first (Lettore).
    std::array<int, ReaderPositions> readerFlags{};
    /// Held by the random inspection (Imparziale); written only when a user is created (False).
    bool held = false;

    /// The defaults of a new user: enabled, online, both outputs, inputs not checked, "Or", "1 On",
    /// "2 On", "Attivo 24 ore", no band, no reader.
    static UserRecord newUser();
    /// The 64-character `Lettore` text of the flags.
    std::string readerText() const;
    /// Flags of a `Lettore` text: the numeric value of each character, missing ones 0.
    static std::array<int, ReaderPositions> readerFlagsOf(const std::string& lettore);

    bool operator==(const UserRecord&) const = default;
};

} // namespace sentinex
