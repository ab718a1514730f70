#include "JournalDownloadSink.hpp"

#include "online/PendingJournal.hpp"

namespace sentinex {

bool JournalDownloadSink::keep(const DownloadedTransit& record) {
    // NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, verso, nota.
    m_journal.store({PendingRecord::transit({record.cardNumber, record.surname, record.name, record.location,
                                             record.date, record.time, "1", record.readerState, "OffLine"})});
    return true;
}

} // namespace sentinex
