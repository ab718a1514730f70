#pragma once

#include "TempDir.hpp"
#include "core/ProgramFolder.hpp"
#include "store/Database.hpp"
#include "store/Value.hpp"

#include <map>
#include <memory>
#include <string>

namespace sentinex::testing {

/// A throw-away installation: a temporary program folder holding a fresh "Sentinex.mdb" made from the
/// kit schema, "RepSentinex.mdb" and its ".schema" copy, the kit's "Sentinex.ini" and
/// "pswsentinex.txt" (no "Date.txt": tests write their own).
class TestInstall {
public:
    TestInstall();

    const std::string& dir() const { return m_dir.path(); }
    ProgramFolder folder() const { return ProgramFolder(m_dir.path()); }
    const TempDir& temp() const { return m_dir; }
    /// The main database, opened once and shared.
    const std::shared_ptr<Database>& db();
    /// The report database, opened once and shared.
    const std::shared_ptr<Database>& reportDb();

    /// Closes the shared connections (they open again at the next use): for a test whose program
    /// replaces the database files.
    void closeDatabases() {
        m_db.reset();
        m_report.reset();
    }
    /// Replaces "Sentinex.ini" with `bytes`.
    void writeSettings(const std::string& bytes) const;
    /// Sets one key of section "Impostazioni".
    void setSetting(const std::string& key, const std::string& value) const;

    /// A `Lettori` record; fields not named take the values below.
    struct Reader {
        std::string TipoLettore = "NANO NN-K";
        int NumeroLoop = 1;
        int NumeroIndirizzo = 1;
        std::string SituatoPresso = "Ingresso"; // padded with blanks / cut to 8 characters when stored
        std::string CodiceImpianto = "000123";
        int Ritardo = 0;
        int PosCarta[4] = {0, 1, 2, 3};
        int PosCodice[6] = {4, 5, 6, 7, 8, 9};
        std::string Stato = "In";
        int RiscriviRam = 0;
        int TestInput = 0;
        bool FasceOrarie = false;
    };
    /// Adds a reader; returns its position (1-based, stored order).
    int addReader(const Reader& r);

    /// A `Carte` record: the named fields, then any field of `extra` (e.g. {"Lun_1_da", "08:00"}).
    struct User {
        std::string Cognome = "Rossi";
        std::string Nome = "Mario";
        std::string NumeroCarta = "0001";
        bool AbilitaCarta = true;
        bool Flag_online = true;
        std::string Lettore = std::string(64, '1');
        std::map<std::string, Value> extra;
    };
    /// Adds a user; returns its rowid.
    std::int64_t addUser(const User& u);

    /// Bulk data for benchmarks: `users` users with cards 0001.. (five digits and more past 9999) and
    /// `transits` granted passages in `transiti` dated in 2025 (200 a day), in one transaction.
    void populate(int users, long long transits);

    /// The content of a file of the source tree's kit/ folder.
    static std::string kitFile(const std::string& name);

private:
    TempDir m_dir;
    std::shared_ptr<Database> m_db;
    std::shared_ptr<Database> m_report;
};

} // namespace sentinex::testing
