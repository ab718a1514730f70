#include "Schema.hpp"

#include "AuditLog.hpp"
#include "Database.hpp"

#include <string>

namespace sentinex {

const std::vector<std::string>& Schema::mainRelations() {
    static const std::vector<std::string> names = {"Carte",    "Lettori",  "Fasce",
                                                   "transiti", "presenti", "Storico"};
    return names;
}

const std::vector<std::string>& Schema::reportRelations() {
    static const std::vector<std::string> names = {"temp", "presenze"};
    return names;
}

void Schema::requireMain(Database& db) {
    db.requireRelations(mainRelations());
}

void Schema::requireKnownVersion(Database& db, const std::string& path) {
    if (const int found = version(db); found > Version) {
        throw DatabaseError("Il database '" + path +
                            "' è stato scritto da una versione più recente di Sentinex (versione " +
                            std::to_string(found) + " del database; questo programma arriva alla " +
                            std::to_string(Version) + "). Installare la versione più recente del programma.");
    }
}

int Schema::version(Database& db) {
    const auto rows = db.query("PRAGMA user_version");
    return rows.empty() || rows.front().empty() ? 0 : static_cast<int>(rows.front().front().toInt());
}

void Schema::addMissingIndexes(Database& db) {
    // Looked up first, so a file that has them is only read: no write lock, no sync at every start.
    const auto found = db.query("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?",
                                {"presenti_NumeroBadge_trim"});
    if (found.empty() || found.front().empty() || found.front().front().toInt() == 0) {
        db.execute("CREATE INDEX IF NOT EXISTS presenti_NumeroBadge_trim ON presenti (trim(NumeroBadge))");
    }
    const auto holidays =
        db.query("SELECT count(*) FROM sqlite_master WHERE name IN (?, ?)", {"Festivita", "Festivita_Data"});
    if (holidays.empty() || holidays.front().empty() || holidays.front().front().toInt() != 2) {
        // Files made before the holiday calendar get it empty: the online decision reads it only
        // when "Festivita" is on, and a site fills it from the holidays form.
        db.executeScript(holidaysTable());
    }
    if (!db.hasRelation("Registro")) {
        // Files made before the record start it empty: what happened before was never recorded.
        db.executeScript(AuditLog::tableSql());
    }
    if (version(db) < Version) {
        // PRAGMA takes no bound parameter; the value is this program's own constant.
        db.executeScript("PRAGMA user_version = " + std::to_string(Version));
    }
}

const char* Schema::holidaysTable() {
    return "CREATE TABLE IF NOT EXISTS Festivita (\n"
           "    Data        TEXT NOT NULL DEFAULT '',\n"
           "    Descrizione TEXT NOT NULL DEFAULT '',\n"
           "    Tipo        TEXT NOT NULL DEFAULT 'Chiuso'\n"
           ");\n"
           "CREATE INDEX IF NOT EXISTS Festivita_Data ON Festivita (Data);\n";
}

void Schema::requireReport(Database& db) {
    db.requireRelations(reportRelations());
}

const std::vector<std::string>& Schema::intervalFields() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const char* day : {"Lun", "Mar", "Mer", "Gio", "Ven", "Sab", "Dom"}) {
            for (const char* n : {"1", "2"}) {
                v.push_back(std::string(day) + "_" + n + "_da");
                v.push_back(std::string(day) + "_" + n + "_a");
            }
        }
        return v;
    }();
    return names;
}

const std::vector<std::string>& Schema::dayFlagFields() {
    static const std::vector<std::string> names = {"Lunedi",  "Martedi", "Mercoledi", "Giovedi",
                                                   "Venerdi", "Sabato",  "Domenica"};
    return names;
}

} // namespace sentinex
