#pragma once

#include "readers/download/DownloadSink.hpp"

namespace sentinex {

class PendingJournal;

/// Hands the downloaded transits the database refused to the journal of waiting records, as the granted
/// "OffLine" passages the record source "Storico" would have made of them. The journal stores them later,
/// in order and exactly once.
class JournalDownloadSink final : public DownloadSink {
public:
    explicit JournalDownloadSink(PendingJournal& journal) : m_journal(journal) {}

    /// True when the record is stored now or waits in the journal's file; false when the file refuses it
    /// too and the journal holds it only in memory (lost if the program ends first).
    bool keep(const DownloadedTransit& record) override;

private:
    PendingJournal& m_journal;
};

} // namespace sentinex
