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

/// A name as SQL reads it between double quotes.
std::string quotedName(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += c;
        }
    }
    return quoted + "\"";
}

} // namespace

HistoryArchive::HistoryArchive(std::shared_ptr<Database> mainDb, std::shared_ptr<Database> reportDb)
    : m_main(std::move(mainDb)), m_report(std::move(reportDb)) {
    HistoryIndexes::ensure(*m_main);
    // The report database is a scratch file, swapped for its empty copy at every start: its journal
    // can stay in memory and its writes need not wait for the disk. A failed statement still rolls
    // back; a crash in the middle is mended by the next start. Copying a whole history into temp
    // otherwise spends most of its time journalling and syncing pages nobody will ever recover.
    // Its rows are copies of what the main database keeps, so freed pages need not be overwritten with
    // zeros (the engine's default here): zeroing them would journal every page of an old selection.
    // The rename that sets a selection aside must leave what names temp in trigger bodies alone: they
    // belong to the new temp, made right after it.
    m_report->executeScript("PRAGMA main.journal_mode=MEMORY; PRAGMA main.synchronous=OFF; "
                            "PRAGMA main.secure_delete=OFF; PRAGMA legacy_alter_table=ON;");
}

std::int64_t HistoryArchive::fillTemp(const SelectionPlan& plan) {
    AttachedMain attached(*m_report, *m_main);
    Transaction tx(*m_report);
    // The previous selection is set aside whole rather than deleted: emptying temp and filling it again
    // in one transaction would write every old page into the rollback journal before reusing it (as
    // much memory and time again as the copy itself). Set aside, its pages stay untouched until the new
    // selection is in, so a failure rolls back to it for the price of a few schema pages.
    const auto definitions = m_report->query("SELECT type, name, sql FROM main.sqlite_master WHERE tbl_name "
                                             "= 'temp' COLLATE NOCASE AND sql IS NOT "
                                             "NULL ORDER BY type = 'table' DESC, rowid");
    m_report->execute(std::string("DROP TABLE IF EXISTS main.") + kPreviousSelection);
    m_report->execute(std::string("ALTER TABLE main.temp RENAME TO ") + kPreviousSelection);
    // Indexes and triggers went with the renamed table under their names: they are made again on the
    // new one, from the same definitions, so temp keeps them.
    for (const auto& d : definitions) {
        if (d.at(0).toString() != "table") {
            m_report->execute("DROP " + d.at(0).toString() + " main." + quotedName(d.at(1).toString()));
        }
    }
    for (const auto& d : definitions) {
        m_report->execute(d.at(2).toString());
    }
    const std::int64_t copied =
        m_report->execute(HistorySelection::fillTempStatement(plan, kTransitSchema), plan.params);
    m_report->execute(std::string("DROP TABLE main.") + kPreviousSelection);
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
