#include "store/Database.hpp"
#include "store/Schema.hpp"
#include "store/SqlStatement.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

namespace sentinex {
namespace {

using testing::TempDir;
using testing::TestInstall;

TEST(Database, OpenNeverCreatesAndRejectsWhatIsNotADatabase) {
    TempDir dir;
    EXPECT_THROW(Database::open(dir.file("Sentinex.mdb")), DatabaseError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Sentinex.mdb")));

    dir.write("testo.mdb",
              "questo non e' un database, solo testo qualsiasi che occupa piu' di cento byte........"
              "..............................................................................");
    try {
        Database::open(dir.file("testo.mdb"));
        FAIL() << "a text file opened as a database";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("testo.mdb"), std::string::npos) << e.what();
    }
    EXPECT_THROW(Database::open(dir.path()), DatabaseError);

    // An empty file is an empty database to the engine: it opens, fails the check, and stays empty.
    dir.write("vuoto.mdb", "");
    auto empty = Database::open(dir.file("vuoto.mdb"));
    EXPECT_THROW(Schema::requireMain(*empty), DatabaseError);
    empty.reset();
    EXPECT_EQ(std::filesystem::file_size(dir.file("vuoto.mdb")), 0u);
}

TEST(Database, AnotherSqliteFileLacksOurTables) {
    TempDir dir;
    Database::create(dir.file("altro.mdb"), "CREATE TABLE x (a);");
    auto db = Database::open(dir.file("altro.mdb"));
    try {
        Schema::requireMain(*db);
        FAIL() << "a foreign database passed the check";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Carte"), std::string::npos) << e.what();
    }
}

TEST(Database, CreateRefusesAnExistingFileAndCleansUpAFailedSchema) {
    TempDir dir;
    dir.write("x.mdb", "keep");
    EXPECT_THROW(Database::create(dir.file("x.mdb"), "CREATE TABLE t (a);"), DatabaseError);
    EXPECT_EQ(TempDir::read(dir.file("x.mdb")), "keep");
    EXPECT_THROW(Database::create(dir.file("y.mdb"), "CREATE TABLE t (a); THIS IS NOT SQL;"), DatabaseError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("y.mdb")));
}

TEST(Database, ReportDatabaseIsReplacedByItsSchemaCopy) {
    TestInstall inst;
    const std::string report = inst.folder().reportDatabase();
    {
        auto db = Database::open(report, false);
        db->execute("INSERT INTO temp (Cognome) VALUES ('vecchio')");
    }
    // A journal left by an earlier run must not be replayed onto the fresh copy.
    inst.temp().write("RepSentinex.mdb-wal", "stale journal bytes");
    ASSERT_TRUE(Database::replaceWithCopy(report + ".schema", report));
    EXPECT_FALSE(std::filesystem::exists(report + "-wal"));
    auto db = Database::open(report, false);
    EXPECT_EQ(db->query("SELECT count(*) FROM temp")[0][0].toInt(), 0);
    db->execute("INSERT INTO temp (Cognome) VALUES ('nuovo')");
    // Without the schema copy the report database stays as it was.
    EXPECT_FALSE(Database::replaceWithCopy(inst.temp().file("manca.schema"), report));
    EXPECT_EQ(db->query("SELECT Cognome FROM temp")[0][0].toString(), "nuovo");
}

TEST(Database, DateTextsBecomeDayNumbers) {
    const struct {
        const char* text;
        bool ok;
        double serial;
    } cases[] = {
        {"30/12/1899", true, 0},
        {"31/12/1899", true, 1},
        {"01/01/1900", true, 2},
        {"04/01/2026", true, 46026},
        {"29/02/2024", true, 45351},
        {"04/01/2026 12:00", true, 46026.5},
        {"04/01/2026 06:00:00", true, 46026.25},
        {" 4/1/2026 ", true, 46026},
        {"29/02/2025", false, 0},
        {"32/01/2026", false, 0},
        {"04/13/2026", false, 0},
        {"04/01/26", false, 0},
        {"04-01-2026", false, 0},
        {"04/01/2026 24:00", false, 0},
        {"04/01/2026 12:60", false, 0},
        {"04/01/2026x", false, 0},
        {"", false, 0},
        {"##:##", false, 0},
    };
    for (const auto& c : cases) {
        double serial = -1;
        EXPECT_EQ(dateTextToDaySerial(c.text, serial), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(serial, c.serial) << c.text;
        }
    }
}

TEST(Database, HistoryStatementsUseCdateAndCdblLiterally) {
    TestInstall inst;
    auto& db = *inst.db();
    for (const char* d : {"31/12/2025", "01/01/2026", "15/01/2026", "bad", ""}) {
        db.execute("INSERT INTO transiti (Data, Ora, Passaggio) VALUES (?, '08:00', true)", {d});
    }
    const auto rows =
        db.query("SELECT Data FROM transiti WHERE cdbl(CDATE(Data)) >= ? AND cdbl(CDATE(Data)) <= ? "
                 "AND Passaggio = true ORDER BY cdbl(CDATE(Data)) ASC",
                 {46023.0, 46037.0});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].toString(), "01/01/2026");
    EXPECT_EQ(rows[1][0].toString(), "15/01/2026");
    EXPECT_TRUE(db.query("SELECT CDATE('nonsense')")[0][0].isNull());
    EXPECT_DOUBLE_EQ(db.query("SELECT cdbl('2.5')")[0][0].toDouble(), 2.5);
    EXPECT_EQ(db.execute("DELETE FROM transiti WHERE Passaggio = false"), 0);
    EXPECT_EQ(db.execute("DELETE FROM transiti WHERE Data = ?", {"bad"}), 1);
}

TEST(Database, AStatementWithMoreAfterItIsRefusedNotHalfRun) {
    // The engine compiles only the first statement of a text; what follows must not be dropped in
    // silence while the call reports success.
    TestInstall inst;
    auto& db = *inst.db();
    db.execute("INSERT INTO presenti (NumeroBadge) VALUES ('0001')");
    db.execute("INSERT INTO transiti (Data) VALUES ('01/01/2026')");
    const char* refused[] = {"DELETE FROM presenti; DELETE FROM transiti",
                             "DELETE FROM presenti WHERE NumeroBadge = ? ; DROP TABLE transiti",
                             "DELETE FROM presenti -- all\n; garbage"};
    for (const char* sql : refused) {
        EXPECT_THROW(db.execute(sql, {"0001"}), DatabaseError) << sql;
        EXPECT_THROW(db.query(sql), DatabaseError) << sql;
    }
    EXPECT_EQ(db.query("SELECT count(*) FROM presenti")[0][0].toInt(), 1);
    EXPECT_EQ(db.query("SELECT count(*) FROM transiti")[0][0].toInt(), 1);
    // A closing semicolon, blanks or a comment after the one statement are fine.
    EXPECT_EQ(db.execute("DELETE FROM presenti WHERE NumeroBadge = ? ; -- done\n ;", {"0001"}), 1);
    EXPECT_EQ(db.query("SELECT count(*) FROM transiti;")[0][0].toInt(), 1);
}

TEST(Database, MainDatabaseRunsInWalModeWithFullSync) {
    TestInstall inst;
    auto& db = *inst.db();
    EXPECT_EQ(db.query("PRAGMA journal_mode")[0][0].toString(), "wal");
    EXPECT_EQ(db.query("PRAGMA synchronous")[0][0].toInt(), 2);
}

TEST(Database, ABrieflyLockedDatabaseIsWaitedFor) {
    TestInstall inst;
    auto writer = Database::open(inst.folder().database());
    auto other = Database::open(inst.folder().database());
    writer->executeScript("BEGIN IMMEDIATE; INSERT INTO presenti (NumeroBadge) VALUES ('0001');");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        writer->executeScript("COMMIT");
    });
    EXPECT_NO_THROW(other->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0002')"));
    release.join();
    EXPECT_EQ(other->query("SELECT count(*) FROM presenti")[0][0].toInt(), 2);
}

// A value kept beside a table's mark is trusted while the mark stays: every way the table's rows can change
// must move it, and writes to other tables through the same connection must not.
TEST(Database, ATablesMarkMovesWithEveryChangeToItsRowsAndOnlyThen) {
    TestInstall inst;
    Database& db = *inst.db();
    auto other = Database::open(inst.folder().database()); // another program on the same file
    db.executeScript("INSERT INTO Carte (NumeroCarta) VALUES ('0001'); INSERT INTO Carte (NumeroCarta) "
                     "VALUES ('0002');");
    struct Step {
        const char* what;
        std::function<void()> write;
        bool moves;
    };
    const Step steps[] = {
        {"a transit logged", [&] { db.execute("INSERT INTO transiti (NumeroBadge) VALUES ('0001')"); },
         false},
        {"a presence deleted", [&] { db.execute("DELETE FROM presenti"); }, false},
        {"a delete that matches no user", [&] { db.execute("DELETE FROM Carte WHERE rowid = 99"); }, false},
        {"a user added", [&] { db.execute("INSERT INTO Carte (NumeroCarta) VALUES ('0003')"); }, true},
        {"a user changed", [&] { db.execute("UPDATE Carte SET Note = 'x' WHERE rowid = 1"); }, true},
        {"a user deleted", [&] { db.execute("DELETE FROM Carte WHERE rowid = 1"); }, true},
        {"a user replaced", [&] { db.execute("INSERT OR REPLACE INTO Carte (rowid) VALUES (2)"); }, true},
        {"a user added by a trigger",
         [&] {
             db.executeScript(
                 "CREATE TRIGGER t AFTER INSERT ON presenti BEGIN INSERT INTO Carte (NumeroCarta) "
                 "VALUES (new.NumeroBadge); END;");
             db.execute("INSERT INTO presenti (NumeroBadge) VALUES ('0004')");
         },
         true},
        {"an insert rolled back",
         [&] { db.executeScript("BEGIN; INSERT INTO Carte (NumeroCarta) VALUES ('0005'); ROLLBACK;"); },
         true},
        {"the table emptied in one statement", [&] { db.execute("DELETE FROM Carte"); }, true},
        {"another program's commit elsewhere in the file",
         [&] { other->execute("INSERT INTO transiti (NumeroBadge) VALUES ('0006')"); }, true},
    };
    for (const Step& step : steps) {
        const Database::ChangeMark before = db.changeMark("Carte");
        step.write();
        EXPECT_EQ(db.changeMark("Carte") != before, step.moves) << step.what;
    }
    EXPECT_EQ(db.query("SELECT count(*) FROM Carte")[0][0].toInt(), 0) << "emptied row by row, still emptied";
    // An emptying statement prepared before the table was first asked about is prepared again for it.
    TestInstall fresh;
    Database& first = *fresh.db();
    first.execute("INSERT INTO Carte (NumeroCarta) VALUES ('0001')");
    SqlStatement emptying(first.handle(), "DELETE FROM Carte");
    const Database::ChangeMark beforeEmptying = first.changeMark("Carte");
    emptying.step();
    EXPECT_NE(first.changeMark("Carte"), beforeEmptying);
    EXPECT_EQ(first.query("SELECT count(*) FROM Carte")[0][0].toInt(), 0);
}

TEST(Schema, FreshDatabaseHoldsEveryTableAndField) {
    TestInstall inst;
    auto& db = *inst.db();
    EXPECT_NO_THROW(Schema::requireMain(db));
    EXPECT_NO_THROW(Schema::requireReport(*inst.reportDb()));

    std::vector<std::string> carte = {"Cognome", "Nome",           "Indirizzo",   "NumeroCarta",
                                      "Note",    "AbilitaCarta",   "Flag_online", "Output1",
                                      "Output2", "ControllaInput", "MetodoInput", "Input1",
                                      "Input2",  "Flag_fasce",     "NomeFascia",  "SceltaFascia",
                                      "Lettore", "Imparziale",     "Stringa"};
    std::vector<std::string> fasce = {"Nome", "Quanti"};
    for (const auto& f : Schema::intervalFields()) {
        carte.push_back(f);
        fasce.push_back(f);
    }
    for (const auto& f : Schema::dayFlagFields()) {
        carte.push_back(f);
        fasce.push_back(f);
    }
    EXPECT_EQ(Schema::intervalFields().size(), 28u);
    EXPECT_EQ(Schema::intervalFields().back(), "Dom_2_a");
    const std::map<std::string, std::vector<std::string>> expected = {
        {"Carte", carte},
        {"Fasce", fasce},
        {"Lettori", {"TipoLettore", "NumeroLoop", "NumeroIndirizzo", "SituatoPresso", "CodiceImpianto",
                     "Ritardo",     "PosCarta1",  "PosCarta2",       "PosCarta3",     "PosCarta4",
                     "PosCodice1",  "PosCodice2", "PosCodice3",      "PosCodice4",    "PosCodice5",
                     "PosCodice6",  "Stato",      "RiscriviRam",     "TestInput",     "FasceOrarie"}},
        {"transiti",
         {"NumeroBadge", "Cognome", "Nome", "PosizioneLettore", "Data", "Ora", "Passaggio", "verso", "nota",
          "indice"}},
        {"presenti", {"NumeroBadge"}},
        {"Storico", {"NumeroCarta", "Cognome", "Nome", "NumeroLettore", "SituatoPresso", "Data", "Ora"}},
    };
    for (const auto& [table, fields] : expected) {
        const auto cols = db.columns(table);
        EXPECT_EQ(cols.size(), fields.size()) << table;
        for (const auto& f : fields) {
            EXPECT_NE(std::find(cols.begin(), cols.end(), f), cols.end()) << table << "." << f;
        }
    }
    auto& rep = *inst.reportDb();
    EXPECT_EQ(rep.columns("temp"),
              (std::vector<std::string>{"Cognome", "Nome", "Ora", "NumeroBadge", "Data", "causale", "nota",
                                        "verso", "dataora", "passaggio"}));
    EXPECT_EQ(rep.columns("presenze"),
              (std::vector<std::string>{"cognome", "nome", "numerobadge", "mancaingresso", "mancauscita",
                                        "dataingresso", "sdataingresso", "dataUscita", "sdataUscita",
                                        "numeroore", "numerominuti"}));
}

TEST(Schema, StoricoRecordsLandInTransitiAsOfflinePassages) {
    TestInstall inst;
    TestInstall::Reader r;
    r.Stato = "Out";
    inst.addReader(r);
    r.Stato = "InOut";
    r.NumeroIndirizzo = 2;
    inst.addReader(r);
    r.Stato = "In";
    r.NumeroIndirizzo = 3;
    inst.addReader(r);
    // The second reader is deleted: positions follow the stored order of what is left.
    inst.db()->execute("DELETE FROM Lettori WHERE NumeroIndirizzo = 2");

    const struct {
        int lettore;
        const char* verso;
    } cases[] = {{1, "Out"}, {2, "In"}, {3, ""}, {0, ""}};
    for (const auto& c : cases) {
        inst.db()->execute("INSERT INTO Storico (NumeroCarta, Cognome, Nome, NumeroLettore, SituatoPresso, "
                           "Data, Ora) VALUES (?, ?, ?, ?, ?, ?, ?)",
                           {"0042", "D'Amico", "Anna", c.lettore, "Ingresso", "03/01/2026", "09:05"});
    }
    const auto rows =
        inst.db()->query("SELECT NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, "
                         "nota, verso FROM transiti ORDER BY indice");
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0].toString(), "0042");
        EXPECT_EQ(rows[i][1].toString(), "D'Amico");
        EXPECT_EQ(rows[i][2].toString(), "Anna");
        EXPECT_EQ(rows[i][3].toString(), "Ingresso");
        EXPECT_EQ(rows[i][4].toString(), "03/01/2026");
        EXPECT_EQ(rows[i][5].toString(), "09:05");
        EXPECT_TRUE(rows[i][6].toBool());
        EXPECT_EQ(rows[i][7].toString(), "OffLine");
        EXPECT_EQ(rows[i][8].toString(), cases[i].verso) << "reader position " << cases[i].lettore;
    }
    // The view reads the offline passages back, whatever case names it and its fields.
    const auto back = inst.db()->query(
        "SELECT NUMEROCARTA, SituatoPresso FROM storico WHERE Data = ? AND Ora = ?", {"03/01/2026", "09:05"});
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0][0].toString(), "0042");
    EXPECT_EQ(back[3][1].toString(), "Ingresso");
    EXPECT_THROW(inst.db()->execute("UPDATE Storico SET Ora = '10:00'"), DatabaseError)
        << "downloaded transits are not edited through the view";

    inst.db()->execute("DELETE FROM transiti");
    EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Storico")[0][0].toInt(), 0);
}

} // namespace
} // namespace sentinex

namespace sentinex {
namespace {

TEST(Schema, AnOlderFileGetsTheHolidayCalendarOnceAndKeepsItsRows) {
    TestInstall inst;
    auto& db = *inst.db();
    db.executeScript("DROP TABLE Festivita");
    Schema::addMissingIndexes(db);
    db.execute("INSERT INTO Festivita (Data, Descrizione) VALUES ('25/12', 'Natale')");
    Schema::addMissingIndexes(db); // a file that has it keeps it as it is
    const auto rows = db.query("SELECT Data, Descrizione, Tipo FROM Festivita");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2].toString(), "Chiuso") << "a row without a kind is a closed day";
    // The decision's lookup is one indexed read.
    const auto plan = db.query(
        "EXPLAIN QUERY PLAN SELECT Descrizione, Tipo FROM Festivita WHERE Data IN ('25/12', '25/12/2025')");
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan[0].back().toString().find("Festivita_Data"), std::string::npos)
        << plan[0].back().toString();
}

} // namespace
} // namespace sentinex
