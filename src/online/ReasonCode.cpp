#include "ReasonCode.hpp"

namespace sentinex {

std::string notaFor(int code) {
    switch (code) {
    case 0:
        return "Carta irregolare";
    case 1:
        return "Badge non presente in archivio";
    case 2:
        return "Codice impianto non valido";
    case 3:
        return "Fuori fascia";
    case 5:
        return "Non abilitato sul lettore";
    case 6:
        return "Blocco da imparziale";
    case 7:
        return "Blocco per anti pass back";
    case 8:
        return "Non abilitato all' online";
    case 9:
        return "Bloco per numero massimo";
    case 10:
        return "Blocco per input non valido";
    case 11:
        return "Archivio utenti illeggibile";
    default:
        return "";
    }
}

} // namespace sentinex
