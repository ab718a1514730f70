#include "HistoryViewer.hpp"

#include "DayPeriod.hpp"
#include "HistoryArchive.hpp"
#include "HistoryCsvExport.hpp"
#include "HistorySelection.hpp"

#include "core/Clock.hpp"
#include "core/Operator.hpp"
#include "store/Database.hpp"

#include <stdexcept>

namespace sentinex {

namespace {

constexpr const char* kErrorTitle = "Errore";

CalendarDate today(const Clock& clock) {
    const DateTime now = clock.now();
    return CalendarDate(now.year, now.month, now.day);
}

} // namespace

HistoryViewer::HistoryViewer(HistoryArchive& archive, Operator& op, const Clock& clock)
    : m_archive(archive), m_operator(op), m_clock(clock) {
    m_choices.start = m_choices.end = today(clock);
}

void HistoryViewer::showMessage(const std::string& text) {
    m_operator.message(kMessageTitle, text, MsgIcon::None);
}

void HistoryViewer::setBusy(bool busy) {
    m_state.busy = busy;
    if (m_onChange) {
        m_onChange();
    }
}

void HistoryViewer::open() {
    m_state.startText = m_state.endText = today(m_clock).text();
    chooseTodayOnly();
    chooseAllBadges();
}

void HistoryViewer::chooseTodayOnly() {
    m_choices.start = m_choices.end = today(m_clock);
    m_state.startText = m_state.endText = m_choices.start.text();
    // Today is a period: a deletion right after this asks for today only, never for everything.
    m_choices.wholeHistory = false;
    m_state.periodOption = 0;
    m_state.periodFrameVisible = false;
    m_state.changePeriodVisible = false;
    presentHistory();
}

void HistoryViewer::choosePartial() {
    m_state.periodOption = 1;
    m_state.periodFrameVisible = true;
    m_state.changePeriodVisible = true;
    changePeriod();
}

void HistoryViewer::chooseWhole() {
    m_choices.wholeHistory = true;
    // Also after a deletion: the option shown is the one the next deletion acts on.
    m_state.periodOption = 2;
    m_state.periodFrameVisible = false;
    m_state.changePeriodVisible = false;
    presentHistory();
}

void HistoryViewer::changePeriod() {
    m_choices.wholeHistory = false;
    m_state.periodFrameVisible = true;
    m_state.changePeriodVisible = true;
    m_state.gridVisible = false;
    m_state.caption = std::string(10, ' ');
    m_state.recordsText = "Records trovati : 0";
}

void HistoryViewer::chooseAllBadges() {
    m_choices.singleBadge = false;
    m_state.singleBadgeOption = false;
    m_state.badgeVisible = false;
    presentHistory();
}

void HistoryViewer::chooseSingleBadge() {
    m_choices.singleBadge = true;
    m_state.singleBadgeOption = true;
    m_state.badgeVisible = true;
    presentHistory();
}

void HistoryViewer::setBox(Box box, bool ticked) {
    switch (box) {
    case Box::Ingressi:
        m_choices.ingressi = ticked;
        break;
    case Box::Uscite:
        m_choices.uscite = ticked;
        break;
    case Box::Passaggi:
        m_choices.passaggi = ticked;
        break;
    case Box::Rifiuti:
        m_choices.rifiuti = ticked;
        break;
    case Box::OnLine:
        m_choices.onLine = ticked;
        break;
    case Box::OffLine:
        m_choices.offLine = ticked;
        break;
    }
    search();
}

void HistoryViewer::setBadgeText(const std::string& text) {
    m_choices.badgeText = text;
    m_state.gridVisible = false;
    m_state.caption = std::string(4, ' ');
}

void HistoryViewer::badgeConfirmed() {
    search();
}

bool HistoryViewer::takeTypedPeriod() {
    if (!m_state.periodFrameVisible) {
        return true;
    }
    std::string message;
    const auto period = DayPeriod::read(m_state.startText, m_state.endText, message);
    if (!period) {
        showMessage(message);
        return false;
    }
    m_choices.start = period->start;
    m_choices.end = period->end;
    m_state.periodFrameVisible = false;
    return true;
}

void HistoryViewer::search() {
    if (takeTypedPeriod()) {
        presentHistory();
    }
}

void HistoryViewer::presentHistory() {
    m_state.caption = kSearching;
    m_state.gridShowsTemp = false; // the old result leaves the view before the new one is read
    setBusy(true);
    m_state.attendanceVisible = true;
    const SelectionPlan plan = HistorySelection::plan(m_choices);
    if (plan.stops()) {
        showMessage(plan.stopMessage);
        setBusy(false);
        return;
    }
    if (!plan.warning.empty()) {
        showMessage(plan.warning);
    }
    std::int64_t found = 0;
    try {
        found = m_archive.fillTemp(plan);
    } catch (const DatabaseError& e) {
        m_operator.message(kErrorTitle, e.what(), MsgIcon::Critical);
        setBusy(false);
        return;
    }
    ++m_state.selectionVersion;
    m_state.gridShowsTemp = true;
    m_state.recordsText = "Records trovati : " + std::to_string(found);
    m_state.caption = HistorySelection::caption(m_choices);
    m_state.gridVisible = true;
    setBusy(false);
}

void HistoryViewer::deleteHistory() {
    m_state.caption = kDeleting;
    if (!takeTypedPeriod()) {
        return;
    }
    const std::string question = m_choices.wholeHistory ? std::string("Cancellare complertamente storico ?")
                                                        : "Cancellare storico da " + m_choices.start.text() +
                                                              " a " + m_choices.end.text() + " ?";
    if (m_operator.question(kMessageTitle, question, MsgIcon::None) != Answer::Yes) {
        showMessage(kDeletionCancelled);
        return;
    }
    setBusy(true);
    if (m_beforeDeletion) {
        m_beforeDeletion();
    }
    std::optional<DayPeriod> period;
    if (!m_choices.wholeHistory) {
        period = DayPeriod{m_choices.start, m_choices.end};
    }
    try {
        m_archive.deleteHistory(period);
    } catch (const DatabaseError& e) {
        m_operator.message(kErrorTitle, e.what(), MsgIcon::Critical);
        setBusy(false);
        return;
    }
    ++m_state.selectionVersion;
    chooseWhole();
}

bool HistoryViewer::exportCsv(const std::string& path, bool attendance) {
    try {
        if (attendance) {
            HistoryCsvExport::writeAttendance(*m_archive.reportDb(), path);
        } else {
            HistoryCsvExport::writeSelection(*m_archive.reportDb(), path);
        }
        return true;
    } catch (const DatabaseError& e) {
        m_operator.message(kErrorTitle, std::string(DatabaseError::ShownPrefix) + e.what(),
                           MsgIcon::Critical);
    } catch (const std::runtime_error& e) {
        // The CSV writer's own Italian text, naming the file it could not create or write.
        m_operator.message(kErrorTitle, e.what(), MsgIcon::Critical);
    }
    return false;
}

std::optional<AttendanceResult> HistoryViewer::computeAttendance() {
    AttendanceResult result;
    try {
        result = AttendanceComputation::run(*m_archive.reportDb());
    } catch (const DatabaseError& e) {
        m_operator.message(kErrorTitle, e.what(), MsgIcon::Critical);
        return std::nullopt;
    }
    if (result.turnstileFound) {
        showMessage(AttendanceComputation::kTurnstileMessage);
    }
    return result;
}

} // namespace sentinex
