#pragma once

#include "HistoryChoices.hpp"
#include "SelectionPlan.hpp"

#include <string>

namespace sentinex {

/// The history viewer's search rules: which transits the choices select, the statements that read them
/// and the caption that describes them. Every typed text reaches SQL only as a bound value.
class HistorySelection {
public:
    static constexpr const char* kNoDirection = "Occorre almeno una selezione tra Ingressi ed Uscite";
    static constexpr const char* kNoOutcome = "Occorre almeno una selezione tra Passaggi e Rifiuti";
    static constexpr const char* kNoOrigin = "Occorre almeno una selezione tra online e offline";
    static constexpr const char* kNoOfflineRefusals =
        "Combinazione selezioni non valida. Nell' offline non sono registrati i rifiuti";
    static constexpr const char* kOfflineRefusalsWarning =
        "Attenzione ! Nell'offline non sono registrati i rifiuti";

    /// Reads the choices: the direction check first, then the table of outcome and origin boxes.
    static SelectionPlan plan(const HistoryChoices& choices);
    /// The badge searched for a typed text: the last four characters of "0000" followed by it.
    static std::string fourCharacterBadge(const std::string& typed);
    /// The conditions of a period on `transiti`: the index's day key within the keys of the two days,
    /// and, since a key range can also hold texts that are no date at all, the day number of the text
    /// within the two day numbers. Four placeholders, values appended to `params`.
    static std::string periodCondition(const CalendarDate& start, const CalendarDate& end,
                                       std::vector<Value>& params);
    /// The selection over `transiti` of `schema` as the viewer reads it, in day, time and insertion order.
    static std::string selectStatement(const SelectionPlan& plan, const std::string& schema = "main");
    /// Copies the selection of `transitSchema`.transiti into `temp` of the connection's own database
    /// (without emptying it first), `dataora` computed from `Data` and `Ora`, in the selection's order.
    static std::string fillTempStatement(const SelectionPlan& plan, const std::string& transitSchema);
    /// "Storico totale" for the whole history; otherwise "Storico del periodo " + start + " - " + end,
    /// followed for one badge by " Badge " + the four-character badge.
    static std::string caption(const HistoryChoices& choices);
};

} // namespace sentinex
