#pragma once

#include "AttendanceComputation.hpp"
#include "HistoryChoices.hpp"
#include "HistoryViewState.hpp"

#include <functional>
#include <optional>
#include <string>

namespace sentinex {

class Clock;
class HistoryArchive;
class Operator;

/// The rules of the history viewer `FrmViewStoria`, apart from its widgets: the choices, the search
/// (`PresentaStoria`), the deletion (`CancellaStoria`) and the attendance computation, with every
/// message and question going through the Operator. The window forwards each control's event to the
/// matching call and renders `state()`.
class HistoryViewer {
public:
    enum class Box { Ingressi, Uscite, Passaggi, Rifiuti, OnLine, OffLine };

    static constexpr const char* kMessageTitle = "Sentinex";
    static constexpr const char* kSearching = "Aggiornamento in corso";
    static constexpr const char* kDeleting = "Cancellazione in corso";
    static constexpr const char* kDeletionCancelled = "Cancellazione annullata ";

    HistoryViewer(HistoryArchive& archive, Operator& op, const Clock& clock);

    /// Called whenever the state changes in the middle of an action (busy begins or ends), so the window
    /// can show the caption and the hourglass before the long part runs.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    /// Runs right before a confirmed deletion (the online records still waiting go in first, so a
    /// deletion never misses them).
    void setBeforeDeletion(std::function<void()> before) { m_beforeDeletion = std::move(before); }

    /// Opening: today's date in both fields, "Solo Storia Odierna" then "Tutti i badge" (each searches).
    void open();
    /// OptInteraParziale(0) "Solo Storia Odierna": today only, the period frame hidden; searches.
    void chooseTodayOnly();
    /// OptInteraParziale(1) "Storia Parziale": the period frame shown, then "CambiaPeriodo".
    void choosePartial();
    /// OptInteraParziale(2) "Storia Completa": the whole history, the period frame hidden; searches.
    void chooseWhole();
    /// CmdCambiaPeriodo: the period frame reopened, the grid hidden, the caption blank.
    void changePeriod();
    /// OptSelSocio(0) "Tutti i badge" / OptSelSocio(1) "Badge Singolo"; each searches.
    void chooseAllBadges();
    void chooseSingleBadge();
    /// A click on one of the six boxes: the box takes `ticked` and the search runs.
    void setBox(Box box, bool ticked);
    /// Any change of TxtNumeroBadge: the grid hidden, the caption four blanks.
    void setBadgeText(const std::string& text);
    /// Enter in TxtNumeroBadge, or leaving it: the search runs.
    void badgeConfirmed();
    /// What is typed in the two date fields.
    void setStartText(const std::string& text) { m_state.startText = text; }
    void setEndText(const std::string& text) { m_state.endText = text; }

    /// CmdPresenta "Cerca".
    void search();
    /// CmdDelStorico "Cancella storico": asks first; deletes in one transaction.
    void deleteHistory();
    /// CmdCalcolaTempiPresenze "Tempi Presenza": the pairing into `presenze`, then the turnstile
    /// message when InOut passages were met. Returns nothing when the computation failed (its message
    /// was shown); the caller then prints the attendance report.
    std::optional<AttendanceResult> computeAttendance();
    /// Writes the shown selection (or, with `attendance`, the attendance last computed) to the CSV file
    /// `path`; a file or store that refuses is shown ("Errore"). True when the file is whole.
    bool exportCsv(const std::string& path, bool attendance);
    /// CmdEsci and the close box: false while busy.
    bool canClose() const { return !m_state.busy; }

    const HistoryViewState& state() const { return m_state; }
    const HistoryChoices& choices() const { return m_choices; }
    HistoryArchive& archive() { return m_archive; }

private:
    /// Validates and stores the typed period when the frame is visible; false (message shown) when a
    /// date is refused.
    bool takeTypedPeriod();
    void presentHistory();
    void setBusy(bool busy);
    void showMessage(const std::string& text);

    HistoryArchive& m_archive;
    Operator& m_operator;
    const Clock& m_clock;
    HistoryChoices m_choices;
    HistoryViewState m_state;
    std::function<void()> m_onChange;
    std::function<void()> m_beforeDeletion;
};

} // namespace sentinex
