#pragma once

#include <cstdint>
#include <string>

namespace sentinex {

struct ReaderForm;

/// One `Lettori` record as it is stored.
struct ReaderRecord {
    std::string TipoLettore;
    std::string SituatoPresso; // exactly 8 characters when written by the form
    std::string CodiceImpianto;
    std::int64_t Ritardo = 0;
    std::int64_t PosCarta[4] = {0, 0, 0, 0};
    std::int64_t PosCodice[6] = {0, 0, 0, 0, 0, 0};
    std::int64_t NumeroLoop = 1;
    std::int64_t NumeroIndirizzo = 0;
    std::string Stato;
    bool RiscriviRam = false;
    bool TestInput = false;
    bool FasceOrarie = false;

    /// The record a validated form saves: the location padded on the right with blanks and cut to 8
    /// characters, the site code as typed (six digits after validation), numbers by their value.
    static ReaderRecord fromForm(const ReaderForm& form);
    /// The form showing this record: numbers as decimal text without blanks.
    ReaderForm toForm() const;
    /// The location as the form saves it: padded with blanks / cut to exactly 8 characters.
    static std::string storedLocation(const std::string& typed);
};

} // namespace sentinex
