#include "HistoryArchive.hpp"

#include "HistoryIndexes.hpp"
#include "HistorySelection.hpp"

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
            m_report.executeScript(std::string("PRAGMA ") + HistoryArchive::kTransitSchema +
                                   ".synchronous=FULL");
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
    tx.commit();
    return deleted;
}

} // namespace sentinex
