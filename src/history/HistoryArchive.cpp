#include "HistoryArchive.hpp"

#include "HistoryIndexes.hpp"
#include "HistorySelection.hpp"

#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"

namespace sentinex {

namespace {

/// The main database attached to the report connection while it lives.
class AttachedMain {
public:
    AttachedMain(Database& report, const Database& mainDb) : m_report(report) {
        m_report.execute(std::string("ATTACH DATABASE ? AS ") + HistoryArchive::kTransitSchema,
                         {Value(mainDb.path())});
        try {
            // The attached file is the main database: its writes are as durable as its own connection's.
            // Reading a whole history in day order jumps around the table: map the file instead of
            // reading it page by page through the small default cache.
            const std::string schema = HistoryArchive::kTransitSchema;
            m_report.executeScript("PRAGMA " + schema + ".synchronous=FULL; PRAGMA " + schema +
                                   ".mmap_size=1073741824; PRAGMA " + schema + ".cache_size=-32768;");
        } catch (...) {
            detach();
            throw;
        }
    }
    ~AttachedMain() { detach(); }
    AttachedMain(const AttachedMain&) = delete;
    AttachedMain& operator=(const AttachedMain&) = delete;

private:
    void detach() noexcept {
        try {
            m_report.executeScript(std::string("DETACH DATABASE ") + HistoryArchive::kTransitSchema);
        } catch (...) {
            // Left attached only if a statement is still running; the next attach reports it.
        }
    }
    Database& m_report;
};

} // namespace

HistoryArchive::HistoryArchive(std::shared_ptr<Database> mainDb, std::shared_ptr<Database> reportDb)
    : m_main(std::move(mainDb)), m_report(std::move(reportDb)) {
    HistoryIndexes::ensure(*m_main);
    // The report database is a scratch file, swapped for its empty copy at every start: its journal
    // can stay in memory and its writes need not wait for the disk. A failed statement still rolls
    // back; a crash in the middle is mended by the next start. Copying a whole history into temp
    // otherwise spends most of its time journalling and syncing pages nobody will ever recover.
    m_report->executeScript("PRAGMA main.journal_mode=MEMORY; PRAGMA main.synchronous=OFF;");
}

std::int64_t HistoryArchive::fillTemp(const SelectionPlan& plan) {
    AttachedMain attached(*m_report, *m_main);
    Transaction tx(*m_report);
    m_report->execute("DELETE FROM main.temp");
    const std::int64_t copied =
        m_report->execute(HistorySelection::fillTempStatement(plan, kTransitSchema), plan.params);
    tx.commit();
    return copied;
}

std::int64_t HistoryArchive::deleteHistory(const std::optional<DayPeriod>& period) {
    std::string sql = std::string("DELETE FROM ") + kTransitSchema + ".transiti";
    std::vector<Value> params;
    if (period) {
        sql += " WHERE " + HistorySelection::periodCondition(period->start, period->end, params);
    }
    AttachedMain attached(*m_report, *m_main);
    Transaction tx(*m_report);
    const std::int64_t deleted = m_report->execute(sql, params);
    m_report->execute("DELETE FROM main.temp");
    // The row goes into the main file, in this transaction: the deletion and its trace are one.
    const std::string what = period ? period->start.text() + " - " + period->end.text() : "Tutto";
    AuditLog::write(*m_report,
                    {"FrmViewStoria", "Storico cancellato", what, "Periodo=" + what,
                     "TransitiCancellati=" + std::to_string(deleted)},
                    kTransitSchema);
    tx.commit();
    return deleted;
}

} // namespace sentinex
