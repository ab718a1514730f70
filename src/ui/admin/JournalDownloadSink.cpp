#include "JournalDownloadSink.hpp"

#include "online/PendingJournal.hpp"

namespace sentinex {

bool JournalDownloadSink::keep(const DownloadedTransit& record) {
    // NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, verso, nota.
    const PendingJournal::Outcome outcome = m_journal.store(
        {PendingRecord::transit({record.cardNumber, record.surname, record.name, record.location, record.date,
                                 record.time, "1", record.readerState, "OffLine"})});
    // Held only in memory it would not outlive the program: the operator is told to note it down.
    return outcome.stored || m_journal.onDisk();
}

} // namespace sentinex
