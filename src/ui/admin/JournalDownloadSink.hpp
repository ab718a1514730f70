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

    /// Always true: the journal keeps what it cannot store (in its file, or in memory when even the file
    /// refuses).
    bool keep(const DownloadedTransit& record) override;

private:
    PendingJournal& m_journal;
};

} // namespace sentinex
