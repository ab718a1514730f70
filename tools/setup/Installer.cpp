#include "Installer.hpp"

#include "KitFiles.hpp"
#include "core/ProfileFile.hpp"
#include "core/ProgramFolder.hpp"
#include "store/Database.hpp"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

namespace sentinex {

namespace {

std::string kitText(std::string_view name) {
    for (const auto& f : kit::kFiles) {
        if (name == f.name) {
            return std::string(reinterpret_cast<const char*>(f.data), f.size);
        }
    }
    return {};
}

bool writeNew(const std::string& path, const std::string& bytes, std::string& error) {
    if (fs::exists(path)) {
        return true; // an existing file of the installation is kept
    }
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    out.close();
    if (!out) {
        error = "Impossibile scrivere " + path;
        return false;
    }
    return true;
}

// The Italian national holidays of every year, closed all day. Easter Monday moves with Easter and is
// computed by the decision (setting "Pasquetta"), so it is not stored.
void fillHolidays(const std::string& database) {
    static const struct {
        const char* date;
        const char* description;
    } national[] = {
        {"01/01", "Capodanno"},
        {"06/01", "Epifania"},
        {"25/04", "Festa della Liberazione"},
        {"01/05", "Festa del Lavoro"},
        {"02/06", "Festa della Repubblica"},
        {"15/08", "Ferragosto"},
        {"01/11", "Ognissanti"},
        {"08/12", "Immacolata Concezione"},
        {"25/12", "Natale"},
        {"26/12", "Santo Stefano"},
    };
    auto db = Database::open(database, true);
    db->executeScript("BEGIN");
    for (const auto& h : national) {
        db->execute("INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES (?, ?, 'Chiuso')",
                    {h.date, h.description});
    }
    db->executeScript("COMMIT");
}

} // namespace

Installer::Installer(std::string dir, std::string toolDir)
    : m_dir(std::move(dir)), m_toolDir(std::move(toolDir)) {}

bool Installer::install(std::string& error) const {
    const ProgramFolder folder(m_dir);
    std::error_code ec;
    if (fs::exists(folder.database())) {
        error = "Il database " + folder.database() + " esiste già: non viene sovrascritto.";
        return false;
    }
    fs::create_directories(m_dir, ec);
    if (ec) {
        error = "Impossibile creare la cartella " + m_dir + ": " + ec.message();
        return false;
    }
    for (const char* exe : {"sentinex", "sentinex-readersim", "sentinex-bus", "sentinex-setup"}) {
        const fs::path from = fs::path(m_toolDir) / exe;
        const fs::path to = fs::path(m_dir) / exe;
        if (!fs::exists(from) || (fs::exists(to) && fs::equivalent(from, to, ec))) {
            continue;
        }
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            error = "Impossibile copiare " + from.string() + ": " + ec.message();
            return false;
        }
    }
    try {
        Database::create(folder.database(), kitText("Sentinex.sql"), true);
        fillHolidays(folder.database());
        const std::string schemaCopy = folder.reportDatabase() + ".schema";
        fs::remove(schemaCopy, ec);
        Database::create(schemaCopy, kitText("RepSentinex.sql"), false);
        fs::copy_file(schemaCopy, folder.reportDatabase(), fs::copy_options::overwrite_existing, ec);
        if (ec) {
            error = "Impossibile creare " + folder.reportDatabase() + ": " + ec.message();
            return false;
        }
    } catch (const DatabaseError& e) {
        error = e.what();
        return false;
    }
    return writeNew(folder.settings(), kitText("Sentinex.ini"), error) &&
           writeNew(folder.passwordFile(), kitText("pswsentinex.txt"), error) &&
           writeNew(folder.schedule(), kitText("Date.txt"), error) &&
           writeNew(folder.file("Utenti.rpt"), kitText("Utenti.rpt"), error) &&
           writeNew(folder.file("giornata1new.rpt"), kitText("giornata1new.rpt"), error) &&
           writeNew(folder.file("presenze.rpt"), kitText("presenze.rpt"), error);
}

bool Installer::addDemoData(std::string& error) const {
    const ProgramFolder folder(m_dir);
    if (!fs::exists(folder.database()) && !install(error)) {
        return false;
    }
    try {
        auto db = Database::open(folder.database(), true);
        if (db->query("SELECT (SELECT count(*) FROM Lettori) + (SELECT count(*) FROM Carte)")[0][0].toInt() !=
            0) {
            error = "Il database " + folder.database() +
                    " contiene già lettori o utenti: dati dimostrativi non aggiunti.";
            return false;
        }
        db->executeScript("BEGIN");
        const char* readerSql =
            "INSERT INTO Lettori (TipoLettore, NumeroLoop, NumeroIndirizzo, SituatoPresso, CodiceImpianto, "
            "Ritardo, "
            "PosCarta1, PosCarta2, PosCarta3, PosCarta4, PosCodice1, PosCodice2, PosCodice3, PosCodice4, "
            "PosCodice5, "
            "PosCodice6, Stato, RiscriviRam, TestInput, FasceOrarie) "
            "VALUES ('NANO NN-K', 1, ?, ?, '000123', 3, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, ?, 0, 0, 0)";
        db->execute(readerSql, {1, "Ingresso", "In"});
        db->execute(readerSql, {2, "Uscita  ", "Out"});
        const std::string enabled = "11" + std::string(62, '0');
        const char* userSql = "INSERT INTO Carte (Cognome, Nome, Indirizzo, NumeroCarta, Note, Lettore) "
                              "VALUES (?, ?, '', ?, '', ?)";
        db->execute(userSql, {"Rossi", "Mario", "0001", enabled});
        db->execute(userSql, {"Bianchi", "Laura", "0002", enabled});
        db->execute(userSql, {"Verdi", "Giuseppe", "0003", enabled});
        db->executeScript("COMMIT");
    } catch (const DatabaseError& e) {
        error = e.what();
        return false;
    }
    const std::string busPath = fs::absolute(fs::path(m_dir) / "bus").lexically_normal().string();
    if (!ProfileFile(folder.settings()).write("Porte", "COM1", busPath)) {
        error = "Impossibile scrivere " + folder.settings();
        return false;
    }
    return true;
}

} // namespace sentinex
