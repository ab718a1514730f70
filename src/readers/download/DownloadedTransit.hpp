#pragma once

#include <string>

namespace sentinex {

/// One stored transit of a reader as the download appends it to "Storico", plus the reader's state text
/// (`Stato`), which a record kept for later needs to stand in `transiti` as the view would put it.
struct DownloadedTransit {
    std::string cardNumber;  // NumeroCarta: four digits ("0" + three digits in three-digit mode)
    std::string surname;     // Cognome of the first `Carte` record with that number, or empty
    std::string name;        // Nome, likewise
    int readerPosition = 0;  // NumeroLettore: 1-based position in the reader list
    std::string location;    // SituatoPresso of the reader entry
    std::string date;        // Data: dd/mm/yyyy, the year by the year rule
    std::string time;        // Ora: HH:MM
    std::string readerState; // Stato of the reader entry
};

} // namespace sentinex
