#include "HistoryCsvExport.hpp"

#include "CalendarDate.hpp"
#include "CsvWriter.hpp"
#include "SelectionPages.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"

namespace sentinex {

namespace {

std::string dateOf(const Value& dayNumber, const std::string& fallback) {
    if (dayNumber.isNull()) {
        return fallback;
    }
    return CalendarDate::fromDayNumber(dayNumber.toDouble()).text();
}

std::string dateTimeOf(const Value& dayNumber) {
    if (dayNumber.isNull()) {
        return {};
    }
    long long inDay = 0;
    const CalendarDate date = CalendarDate::fromDayNumber(dayNumber.toDouble(), &inDay);
    return date.text() + " " + CalendarDate::timeText(inDay);
}

std::string yesNo(const Value& v) {
    return v.toBool() ? "Sì" : "No";
}

} // namespace

std::int64_t HistoryCsvExport::writeSelection(Database& reportDb, const std::string& path) {
    SqlStatement read(reportDb.handle(),
                      "SELECT Cognome, Nome, NumeroBadge, Data, Ora, causale, verso, nota, "
                      "passaggio, dataora FROM main.temp ORDER BY rowid");
    CsvWriter csv(path);
    csv.writeRecord(SelectionPages::columnCaptions()); // the grid's columns
    std::int64_t count = 0;
    std::vector<std::string> fields(9);
    while (read.step()) {
        for (int i = 0; i < 8; ++i) {
            fields[static_cast<std::size_t>(i)] = read.column(i).toString();
        }
        fields[3] = dateOf(read.column(9), fields[3]);
        fields[8] = yesNo(read.column(8));
        csv.writeRecord(fields);
        ++count;
    }
    csv.close();
    return count;
}

std::int64_t HistoryCsvExport::writeAttendance(Database& reportDb, const std::string& path) {
    SqlStatement read(reportDb.handle(),
                      "SELECT cognome, nome, numerobadge, mancaingresso, dataingresso, "
                      "mancauscita, dataUscita, numeroore, numerominuti FROM main.presenze "
                      "ORDER BY rowid");
    CsvWriter csv(path);
    csv.writeRecord({"Cognome", "Nome", "Numero Badge", "Ingresso", "Uscita", "Ore", "Minuti"});
    std::int64_t count = 0;
    while (read.step()) {
        const bool noEntry = read.column(3).toBool();
        const bool noExit = read.column(5).toBool();
        csv.writeRecord({read.column(0).toString(), read.column(1).toString(), read.column(2).toString(),
                         noEntry ? std::string() : dateTimeOf(read.column(4)),
                         noExit ? std::string() : dateTimeOf(read.column(6)), read.column(7).toString(),
                         read.column(8).toString()});
        ++count;
    }
    csv.close();
    return count;
}

} // namespace sentinex
