#pragma once

#include <string>
#include <vector>

namespace sentinex {

class Clock;
class Database;
class EventPump;
class Operator;
class ReaderBus;
class ReaderList;

/// "Upload carte" of the additional functions form: every user of `Carte` stored into ("B") or deleted
/// from ("C") every reader, reader by reader, with the store-or-delete decision of the single-card upload
/// and a 50 ms pause before each command. The first reply that is not "S" ends the whole run.
class ProgramAllCards {
public:
    static constexpr const char* EmptyCardsText = "Il database delle carte è vuoto.";
    static constexpr const char* NoReadersText = "Non ci sono lettori.";
    static constexpr const char* DoneText = "Programmazione effettuata.";
    /// The transfer error of this run keeps its own spelling.
    static constexpr const char* TransferErrorText = "Errore nel traferimento dati.";
    /// Pause before each command, in milliseconds.
    static constexpr int CommandPauseMs = 50;

    /// One `Carte` record as the run reads it.
    struct Card {
        std::string number;  // NumeroCarta
        std::string surname; // Cognome
        std::string name;    // Nome
        std::string readers; // Lettore
        bool online = false;
        bool enabled = false;
        std::string options; // the seven store options from the stored fields
    };

    /// How a run ended.
    struct Outcome {
        bool done = false;                // every command was accepted
        int commandsSent = 0;             // commands the readers accepted
        std::vector<std::string> skipped; // "number surname name" of the users left out (three digits)
    };

    /// The `Carte` records in table order. Throws DatabaseError.
    static std::vector<Card> loadCards(Database& db);

    /// The refusals in order: no card, no reader (both "Attenzione"), polling on, automatic output on
    /// (both "Messaggio"), each with the exclamation icon. True when the run may start.
    static bool mayStart(std::size_t cardCount, int readerCount, bool pollingOn, bool outputOn, Operator& op);

    /// Runs the programming with the wait form shown and its progress (reader n of N, commands sent).
    /// In three-digit mode a card numbered above 999 is left out everywhere (its last three digits would
    /// program another card) and listed at the end. A failure is shown with the reader title as title
    /// and the exclamation icon; success shows "Programmazione effettuata." with the count sent.
    static Outcome run(const ReaderList& readers, ReaderBus& bus, Operator& op, Clock& clock, EventPump& pump,
                       bool fourDigit, const std::vector<Card>& cards);

    /// True when `card` cannot travel in three digits.
    static bool tooBigForThreeDigits(const std::string& card);
};

} // namespace sentinex
