#include "TestInstall.hpp"

#include "core/ProfileFile.hpp"
#include "store/SqlStatement.hpp"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#ifndef SENTINEX_SOURCE_DIR
#define SENTINEX_SOURCE_DIR "."
#endif

namespace sentinex::testing {

std::string TestInstall::kitFile(const std::string& name) {
    const char* env = std::getenv("SENTINEX_SOURCE_DIR");
    const std::string root = env && *env ? env : SENTINEX_SOURCE_DIR;
    const std::string path = root + "/kit/" + name;
    if (!std::filesystem::exists(path)) {
        throw std::runtime_error("kit file missing: " + path);
    }
    return TempDir::read(path);
}

TestInstall::TestInstall() : m_dir("sentinex-install") {
    const ProgramFolder f(m_dir.path());
    Database::create(f.database(), kitFile("Sentinex.sql"), true);
    Database::create(f.reportDatabase() + ".schema", kitFile("RepSentinex.sql"), false);
    std::filesystem::copy_file(f.reportDatabase() + ".schema", f.reportDatabase());
    m_dir.write("Sentinex.ini", kitFile("Sentinex.ini"));
    m_dir.write("pswsentinex.txt", kitFile("pswsentinex.txt"));
}

const std::shared_ptr<Database>& TestInstall::db() {
    if (!m_db) {
        m_db = Database::open(folder().database(), true);
    }
    return m_db;
}

const std::shared_ptr<Database>& TestInstall::reportDb() {
    if (!m_report) {
        m_report = Database::open(folder().reportDatabase(), false);
    }
    return m_report;
}

void TestInstall::writeSettings(const std::string& bytes) const {
    m_dir.write("Sentinex.ini", bytes);
}

void TestInstall::setSetting(const std::string& key, const std::string& value) const {
    if (!ProfileFile(folder().settings()).write("Impostazioni", key, value)) {
        throw std::runtime_error("cannot write setting " + key);
    }
}

int TestInstall::addReader(const Reader& r) {
    std::string where = r.SituatoPresso.substr(0, 8);
    where.resize(8, ' ');
    db()->execute(
        "INSERT INTO Lettori (TipoLettore, NumeroLoop, NumeroIndirizzo, SituatoPresso, CodiceImpianto, "
        "Ritardo, PosCarta1, PosCarta2, PosCarta3, PosCarta4, PosCodice1, PosCodice2, PosCodice3, "
        "PosCodice4, PosCodice5, PosCodice6, Stato, RiscriviRam, TestInput, FasceOrarie) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        {r.TipoLettore,  r.NumeroLoop,   r.NumeroIndirizzo, where,          r.CodiceImpianto,
         r.Ritardo,      r.PosCarta[0],  r.PosCarta[1],     r.PosCarta[2],  r.PosCarta[3],
         r.PosCodice[0], r.PosCodice[1], r.PosCodice[2],    r.PosCodice[3], r.PosCodice[4],
         r.PosCodice[5], r.Stato,        r.RiscriviRam,     r.TestInput,    r.FasceOrarie});
    return static_cast<int>(db()->query("SELECT count(*) FROM Lettori").at(0).at(0).toInt());
}

std::int64_t TestInstall::addUser(const User& u) {
    std::string cols = "Cognome, Nome, NumeroCarta, AbilitaCarta, Flag_online, Lettore";
    std::string marks = "?,?,?,?,?,?";
    std::vector<Value> params = {u.Cognome, u.Nome, u.NumeroCarta, u.AbilitaCarta, u.Flag_online, u.Lettore};
    for (const auto& [name, value] : u.extra) {
        cols += ", \"" + name + "\"";
        marks += ",?";
        params.push_back(value);
    }
    db()->execute("INSERT INTO Carte (" + cols + ") VALUES (" + marks + ")", params);
    return db()->lastInsertRowid();
}

void TestInstall::populate(int users, long long transits) {
    Database& d = *db();
    d.executeScript("BEGIN");
    try {
        {
            SqlStatement st(d.handle(),
                            "INSERT INTO Carte (Cognome, Nome, NumeroCarta, Lettore) VALUES (?,?,?,?)");
            for (int i = 1; i <= users; ++i) {
                char card[16];
                std::snprintf(card, sizeof card, "%04d", i);
                st.bind({"Cognome" + std::to_string(i), "Nome" + std::to_string(i), std::string(card),
                         std::string(64, '1')});
                st.step();
            }
        }
        {
            SqlStatement st(d.handle(),
                            "INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, "
                            "Ora, Passaggio, verso, nota) VALUES (?,?,?,?,?,?,?,?,?)");
            for (long long i = 0; i < transits; ++i) {
                const int user = users > 0 ? static_cast<int>(i % users) + 1 : 1;
                char card[16];
                std::snprintf(card, sizeof card, "%04d", user);
                const int dayBack = static_cast<int>((i / 200) % 365);
                // A calendar of 12 months x 28 days keeps every date valid.
                const int month = 12 - (dayBack / 28) % 12;
                const int day = 28 - dayBack % 28;
                char date[16];
                std::snprintf(date, sizeof date, "%02d/%02d/%04d", day, month, 2025);
                char time[8];
                std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>(7 + i % 12),
                              static_cast<int>(i % 60));
                const bool in = i % 2 == 0;
                st.bind({std::string(card), "Cognome" + std::to_string(user), "Nome" + std::to_string(user),
                         in ? "Ingresso" : "Uscita  ", std::string(date), std::string(time), true,
                         in ? "In" : "Out", "Passaggio"});
                st.step();
            }
        }
        d.executeScript("COMMIT");
    } catch (...) {
        d.executeScript("ROLLBACK");
        throw;
    }
}

} // namespace sentinex::testing
