#include "HistorySelection.hpp"

#include "HistoryIndexes.hpp"

#include "core/TextCodec.hpp"

namespace sentinex {

namespace {

// Null-safe forms of the origin and outcome tests: a refusal whose nota or Passaggio is Null still
// counts as online and as a refusal (a Null Boolean reads as False).
constexpr const char* kOffLine = "(nota = 'OffLine')";
constexpr const char* kOnLine = "(nota IS NOT 'OffLine')";
constexpr const char* kPassage = "(coalesce(Passaggio, 0) <> 0)";
constexpr const char* kRefusal = "(coalesce(Passaggio, 0) = 0)";

void appendCondition(std::string& where, const std::string& condition) {
    where += where.empty() ? " WHERE " : " AND ";
    where += condition;
}

} // namespace

std::string HistorySelection::fourCharacterBadge(const std::string& typed) {
    return lastCharacters("0000" + typed, 4);
}

std::string HistorySelection::periodCondition(const CalendarDate& start, const CalendarDate& end,
                                              std::vector<Value>& params) {
    const std::string& key = HistoryIndexes::dayKeyExpression();
    params.emplace_back(start.dayKey());
    params.emplace_back(end.dayKey());
    params.emplace_back(start.daySerial());
    params.emplace_back(end.daySerial());
    return "(" + key + " >= ? AND " + key + " <= ?) AND (cdbl(CDATE(Data)) >= ? AND cdbl(CDATE(Data)) <= ?)";
}

SelectionPlan HistorySelection::plan(const HistoryChoices& c) {
    SelectionPlan plan;
    std::string& where = plan.whereClause;
    if (c.singleBadge) {
        plan.badge = fourCharacterBadge(c.badgeText);
        appendCondition(where, "(NumeroBadge = ?)");
        plan.params.emplace_back(plan.badge);
    }
    if (!c.wholeHistory) {
        appendCondition(where, periodCondition(c.start, c.end, plan.params));
    }
    if (!c.ingressi && !c.uscite) {
        plan.stopMessage = kNoDirection;
        return plan;
    }
    if (!c.passaggi && !c.rifiuti) {
        plan.stopMessage = kNoOutcome;
        return plan;
    }
    if (!c.onLine && !c.offLine) {
        plan.stopMessage = kNoOrigin;
        return plan;
    }
    if (c.rifiuti && c.offLine && !(c.passaggi && c.onLine)) {
        // Stand-alone readers keep no refusals: asking for offline refusals selects nothing sensible.
        plan.stopMessage = kNoOfflineRefusals;
        return plan;
    }
    if (c.passaggi && !c.rifiuti) {
        if (!c.onLine) {
            appendCondition(where, kOffLine);
        } else if (!c.offLine) {
            appendCondition(where, std::string(kOnLine) + " AND " + kPassage);
        } else {
            appendCondition(where, kPassage);
        }
    } else if (!c.passaggi) {
        appendCondition(where, std::string(kOnLine) + " AND " + kRefusal); // online only, as checked above
    } else if (!c.offLine) {
        appendCondition(where, kOnLine);
    } else {
        plan.warning = kOfflineRefusalsWarning;
    }
    if (c.ingressi && !c.uscite) {
        appendCondition(where, "(verso = 'In' OR verso = 'InOut')");
    } else if (c.uscite && !c.ingressi) {
        appendCondition(where, "(verso = 'Out' OR verso = 'InOut')");
    }
    return plan;
}

std::string HistorySelection::selectStatement(const SelectionPlan& plan, const std::string& schema) {
    return "SELECT Cognome, Nome, NumeroBadge, Data, Ora, PosizioneLettore, verso, nota, Passaggio FROM \"" +
           schema + "\".transiti" + plan.whereClause + " ORDER BY " + HistoryIndexes::dayKeyExpression() +
           ", Ora, indice";
}

std::string HistorySelection::fillTempStatement(const SelectionPlan& plan, const std::string& transitSchema) {
    return "INSERT INTO main.temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, dataora, "
           "passaggio) SELECT Cognome, Nome, Ora, NumeroBadge, Data, PosizioneLettore, nota, verso, "
           "CDATE(Data || ' ' || Ora), Passaggio FROM \"" +
           transitSchema + "\".transiti" + plan.whereClause + " ORDER BY " +
           HistoryIndexes::dayKeyExpression() + ", Ora, indice";
}

std::string HistorySelection::caption(const HistoryChoices& c) {
    if (c.wholeHistory) {
        return "Storico totale";
    }
    std::string text = "Storico del periodo " + c.start.text() + " - " + c.end.text();
    if (c.singleBadge) {
        text += " Badge " + fourCharacterBadge(c.badgeText);
    }
    return text;
}

} // namespace sentinex
