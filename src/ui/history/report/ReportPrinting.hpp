#pragma once

#include "core/ProgramFolder.hpp"

#include <string>

class QWidget;

namespace sentinex {

class Operator;
class ReportControl;

/// The three printed reports as the program starts them: the users list of "Stampa archivio utenti",
/// the history of "Stampa" and the attendance of "Tempi Presenza". Every failure ends in the report's
/// message and the program goes on.
class ReportPrinting {
public:
    /// History or attendance: the layout file `layoutPath` over the report database of `folder`,
    /// titled `title` (window title and formula Titolo), shown in the preview. On failure shows
    /// "Errore nella produzione del report " + number + " " + description ("Attenzione", exclamation).
    static void printSelection(ReportControl& control, Operator& op, const ProgramFolder& folder,
                               const std::string& layoutPath, const std::string& title);
    /// The same with the program's preview window over `parent`.
    static void printSelection(QWidget* parent, Operator& op, const ProgramFolder& folder,
                               const std::string& layoutPath, const std::string& title);

    /// Users list, once the caller has checked there are users to print (UsersListCheck): "Utenti.rpt"
    /// over the main database of `folder`, and "Problemi con la stampante." ("Errore", critical) when it
    /// fails.
    static void printUsersList(ReportControl& control, Operator& op, const ProgramFolder& folder);
    /// The same with the program's preview window over `parent`.
    static void printUsersList(QWidget* parent, Operator& op, const ProgramFolder& folder);
};

} // namespace sentinex
