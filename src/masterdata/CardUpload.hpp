#pragma once

#include <string>

namespace sentinex {

class Operator;
class ReaderBus;
class ReaderList;
struct ReaderEntry;

/// Programming of one card into every reader ("UpLoad carta"): the card is stored ("B") where it is
/// enabled, offline and enabled at all, and deleted ("C") everywhere else. The store-or-delete decision
/// and the reader title are shared with the programming of all cards.
class CardUpload {
public:
    enum class Command { Store, Delete };

    static constexpr const char* DoneText = "Programmazione della carta effettuata.";
    static constexpr const char* TooBigForThreeDigitsText =
        "Numero carta superiore a 999: non programmabile con tre cifre.";

    /// What is sent for the user shown.
    struct Request {
        std::string cardNumber;     // the card-number box
        std::string options;        // the seven store options, from the form's controls as they stand
        std::string storedReaders;  // Lettore of the stored record
        bool storedOnline = false;  // Flag_online of the stored record
        bool storedEnabled = false; // AbilitaCarta of the stored record
    };

    /// Store when the reader flag at `position` (1-based) is "1", the card is not online and it is
    /// enabled; Delete otherwise (online cards are decided by the PC alone).
    static Command decide(const std::string& readerFlags, int position, bool online, bool enabled);
    /// "Lettore " + position + " - situato presso " + the trimmed location.
    static std::string readerTitle(int position, const ReaderEntry& reader);

    /// The button's refusals, in order, each shown with the exclamation icon: "On Line" ticked, no
    /// reader, polling on, automatic output on. True when the upload may start.
    static bool mayStart(bool onlineTicked, int readerCount, bool pollingOn, bool outputOn, Operator& op);
    /// The last two of them, which every stand-alone run that talks to the readers makes: polling on
    /// ("Disabilitare prima il polling."), automatic output on. True when the line is free.
    static bool lineFree(bool pollingOn, bool outputOn, Operator& op);

    /// Sends the card to every reader in list order with the wait form shown; the first reply that is
    /// not "S" is reported with the reader's title and ends the run. A number above 999 is refused in
    /// three-digit mode before anything is sent (its last three digits would be another card). Shows
    /// the success message and returns true when every reader took its command.
    static bool run(const ReaderList& readers, ReaderBus& bus, Operator& op, bool fourDigit,
                    const Request& request);
};

} // namespace sentinex
