#pragma once

#include <string>

namespace sentinex {

/// The fields of the reader configuration form as typed (`Text2`..`Text10`, `Check1`..`Check3`).
/// Validation and the programming run read these, not the database: a reader can be programmed with
/// values that were never saved.
struct ReaderForm {
    std::string type;         // Text2 / Combo1: TipoLettore
    std::string location;     // Text3: SituatoPresso
    std::string siteCode;     // Text4: CodiceImpianto (six digits once validated)
    std::string opening;      // Text5: opening time in seconds (Ritardo)
    std::string state;        // Text6 / Combo2: "In", "Out", "InOut"
    std::string cardPos[4];   // Text7(0..3): PosCarta1..4
    std::string codePos[6];   // Text8(0..5): PosCodice1..6
    std::string loop;         // Text9: NumeroLoop
    std::string address;      // Text10: NumeroIndirizzo
    bool riscriviRam = false; // Check1
    bool testInput = false;   // Check2
    bool fasceOrarie = false; // Check3

    /// A form cleared for a new record (or an empty set): card positions 0-3, site-code positions 4-9,
    /// "Riscrivi Ram" ticked only for a new reader, loop "1" when there is no L-485 board (every reader
    /// is then on loop 1).
    static ReaderForm cleared(bool newReader, bool boardInUse);
};

} // namespace sentinex
