#include "history/report/ReportData.hpp"
#include "history/report/ReportDocument.hpp"
#include "history/report/ReportError.hpp"

#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::TestInstall;

std::string kitLayout(const std::string& name) {
    return std::string(SENTINEX_SOURCE_DIR) + "/kit/" + name;
}

ReportLayout layoutOf(const std::string& body) {
    return ReportLayout::parse("sentinex-report 1\n" + body, "prova.rpt");
}

class ReportDataTest : public ::testing::Test {
protected:
    void addTemp(const char* cognome, const char* badge, double dataora, int passaggio) {
        install.reportDb()->execute(
            "INSERT INTO temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, dataora, "
            "passaggio) "
            "VALUES (?, 'Mario', '08:00', ?, '05/01/2026', 'Ingresso', ?, 'In', ?, ?)",
            {cognome, badge, nullptr, dataora, passaggio});
    }
    TestInstall install;
};

TEST_F(ReportDataTest, RowsFollowTheLayoutsOrderAndFormats) {
    // 46027 is 05/01/2026; .5 is noon.
    addTemp("rossi", "0012", 46027.5, 1);
    addTemp("Bianchi", "0007", 46027.25, 0);
    addTemp("Verdi", "0099", 46028.75, 1);
    const auto layout = layoutOf("table = temp\norder = Cognome nocase desc\n"
                                 "column = C | Cognome | 30 | left\n"
                                 "column = D | dataora | 20 | left | date\n"
                                 "column = T | dataora | 40 | left | datetime\n"
                                 "column = P | passaggio | 10 | left | yesno\n"
                                 "column = N | nota | 10 | left | yesno\n"
                                 "column = B | NumeroBadge | 10 | left\n");
    const std::vector<ReportData::Row> expected = {
        {"Verdi", "06/01/2026", "06/01/2026 18:00:00", "Sì", "", "0099"},
        {"rossi", "05/01/2026", "05/01/2026 12:00:00", "Sì", "", "0012"},
        {"Bianchi", "05/01/2026", "05/01/2026 06:00:00", "No", "", "0007"},
    };
    EXPECT_EQ(ReportData::read(layout, *install.reportDb()), expected);

    // Without nocase the engine's exact order puts the lower-case name last; rowid is insertion order.
    const auto exact = layoutOf("table = temp\norder = Cognome\ncolumn = C | Cognome | 30 | left\n");
    EXPECT_EQ(ReportData::read(exact, *install.reportDb()),
              (std::vector<ReportData::Row>{{"Bianchi"}, {"Verdi"}, {"rossi"}}));
    const auto inserted = layoutOf("table = temp\norder = rowid\ncolumn = C | Cognome | 30 | left\n");
    EXPECT_EQ(ReportData::read(inserted, *install.reportDb()),
              (std::vector<ReportData::Row>{{"rossi"}, {"Bianchi"}, {"Verdi"}}));
}

TEST_F(ReportDataTest, TheKitLayoutsReadTheirTables) {
    TestInstall::User u;
    u.Cognome = "Rossi";
    u.Nome = "Mario";
    u.NumeroCarta = "0001";
    u.AbilitaCarta = false;
    install.addUser(u);
    u.Cognome = "bianchi";
    u.Nome = "Laura";
    u.NumeroCarta = "0002";
    u.AbilitaCarta = true;
    install.addUser(u);
    addTemp("Rossi", "0012", 46027.5, 1);
    install.reportDb()->execute(
        "INSERT INTO presenze (cognome, nome, numerobadge, mancaingresso, mancauscita, sdataingresso, "
        "sdataUscita, numeroore, numerominuti) VALUES ('Rossi', 'Mario', '0012', 0, 0, "
        "'05/01/26-08:00:00', '05/01/26-17:30:00', 9, 30), ('Rossi', 'Mario', '0012', 1, 0, "
        "'=================', '06/01/26-09:00:00', NULL, NULL)");

    auto users = ReportDocument::prepare(kitLayout("Utenti.rpt"), install.folder().database(), {});
    EXPECT_EQ(users.title(), "Archivio utenti");
    ASSERT_EQ(users.rows.size(), 2u);
    EXPECT_EQ(users.rows[0][0], "bianchi") << "names sort regardless of letter case";
    EXPECT_EQ(users.rows[1][0], "Rossi");
    EXPECT_EQ(users.rows[1][2], "0001");
    EXPECT_EQ(users.rows[1][4], "No");
    EXPECT_EQ(users.summary(), "Utenti : 2");

    auto history = ReportDocument::prepare(kitLayout("giornata1new.rpt"), install.folder().reportDatabase(),
                                           {"Titolo = \"Storico totale\""});
    EXPECT_EQ(history.title(), "Storico totale");
    ASSERT_EQ(history.rows.size(), 1u);
    EXPECT_EQ(history.rows[0],
              (ReportData::Row{"Rossi", "Mario", "0012", "05/01/2026", "08:00", "Ingresso", "In", "", "Sì"}));
    EXPECT_EQ(history.footer(1, 3), "Pagina 1 di 3");
    EXPECT_EQ(history.summary(), "Records trovati : 1");

    auto attendance = ReportDocument::prepare(kitLayout("presenze.rpt"), install.folder().reportDatabase(),
                                              {"Titolo = \"Storico totale Tempi presenza   \""});
    EXPECT_EQ(attendance.title(), "Storico totale Tempi presenza   ");
    ASSERT_EQ(attendance.rows.size(), 2u);
    EXPECT_EQ(attendance.rows[0], (ReportData::Row{"Rossi", "Mario", "0012", "05/01/26-08:00:00",
                                                   "05/01/26-17:30:00", "9", "30"}));
    EXPECT_EQ(attendance.rows[1],
              (ReportData::Row{"Rossi", "Mario", "0012", "=================", "06/01/26-09:00:00", "", ""}));
}

TEST_F(ReportDataTest, AnUnreadableDatabaseOrAFieldTheTableLacksIsAReportError) {
    struct Case {
        std::string layoutBody;
        std::string database;
        ReportError::Code code;
        std::string expected;
    };
    const std::string report = install.folder().reportDatabase();
    const std::string garbage = install.temp().write("garbage.mdb", std::string(4096, 'x'));
    const Case cases[] = {
        {"table = temp\ncolumn = C | Cognome | 30 | left\n", install.temp().file("nowhere.mdb"),
         ReportError::DatabaseUnreadable,
         "Impossibile aprire il database " + install.temp().file("nowhere.mdb")},
        {"table = temp\ncolumn = C | Cognome | 30 | left\n", garbage, ReportError::DatabaseUnreadable,
         "database " + garbage},
        {"table = Carte\ncolumn = C | Cognome | 30 | left\n", report, ReportError::DatabaseUnreadable,
         "La tabella Carte non è presente nel database " + report},
        {"table = temp\ncolumn = C | Stipendio | 30 | left\n", report, ReportError::LayoutInvalid,
         "Il campo \"Stipendio\" del report non è presente nella tabella temp"},
        {"table = temp\norder = Stipendio\ncolumn = C | Cognome | 30 | left\n", report,
         ReportError::LayoutInvalid, "Il campo \"Stipendio\""},
    };
    for (const auto& c : cases) {
        try {
            ReportData::read(layoutOf(c.layoutBody), c.database);
            ADD_FAILURE() << "read: " << c.layoutBody << " from " << c.database;
        } catch (const ReportError& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    // Field names are matched as the engine matches them, regardless of case.
    EXPECT_NO_THROW(ReportData::read(layoutOf("table = TEMP\ncolumn = C | cognome | 30 | left\n"), report));
    // Nothing was created where the file was missing.
    EXPECT_FALSE(std::filesystem::exists(install.temp().file("nowhere.mdb")));
}

TEST_F(ReportDataTest, PrepareStopsAtTheFirstFailure) {
    try {
        ReportDocument::prepare(install.temp().file("giornata1new.rpt"), install.temp().file("nowhere.mdb"),
                                {"Titolo = \"x\""});
        ADD_FAILURE() << "prepared without a layout";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.code(), ReportError::LayoutMissing) << "the layout is the first thing the report needs";
    }
    try {
        ReportDocument::prepare(kitLayout("giornata1new.rpt"), install.folder().reportDatabase(), {"Titolo"});
        ADD_FAILURE() << "prepared with a broken formula";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.code(), ReportError::LayoutInvalid);
    }
    EXPECT_EQ(ReportData::countRecords(*install.db(), "Carte"), 0);
}

} // namespace
} // namespace sentinex
