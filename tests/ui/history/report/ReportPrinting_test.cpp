#include "ui/history/report/ReportControl.hpp"
#include "ui/history/report/ReportPrinting.hpp"

#include "support/FakeClock.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"
#include "ui/history/FrmViewStoria.hpp"
#include "ui/support/FormDriver.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

/// An installation with the kit's three layouts and a control whose preview records what it was given.
class ReportPrintingTest : public ::testing::Test {
protected:
    ReportPrintingTest() {
        for (const char* layout : {"Utenti.rpt", "giornata1new.rpt", "presenze.rpt"}) {
            install.temp().write(layout, TestInstall::kitFile(layout));
        }
        control.setPreviewer(
            [this](const ReportPreview& preview) { previews.push_back(Preview::of(preview)); });
    }
    void addTemp(const char* cognome) {
        install.reportDb()->execute(
            "INSERT INTO temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, dataora, "
            "passaggio) "
            "VALUES (?, 'Mario', '08:00', '0012', '05/01/2026', 'Ingresso', 'Passaggio', 'In', 46027.33, 1)",
            {cognome});
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& m : op.messages()) {
            out.push_back(m.title + " | " + m.text + (m.icon == MsgIcon::Exclamation ? " | !" : "") +
                          (m.icon == MsgIcon::Critical ? " | X" : ""));
        }
        return out;
    }

    /// What a preview window was given.
    struct Preview {
        std::string windowTitle;
        std::string title;
        std::vector<std::vector<std::string>> rows;
        std::string summary;
        static Preview of(const ReportPreview& p) {
            Preview out{p.windowTitle().toStdString(), p.title(), {}, p.summary()};
            for (std::size_t i = 0; i < p.rowCount(); ++i) {
                out.rows.push_back(p.row(i));
            }
            return out;
        }
    };
    TestInstall install;
    ScriptedOperator op;
    ReportControl control;
    std::vector<Preview> previews;
};

TEST_F(ReportPrintingTest, TheHistoryAndAttendanceOpenThePreviewTitledWithTheirFormula) {
    addTemp("Rossi");
    addTemp("Bianchi");
    const std::string caption = "Storico del periodo 05/01/2026 - 05/01/2026";
    ReportPrinting::printSelection(control, op, install.folder(), install.folder().file("giornata1new.rpt"),
                                   caption);
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].windowTitle, caption);
    EXPECT_EQ(previews[0].title, caption);
    ASSERT_EQ(previews[0].rows.size(), 2u);
    EXPECT_EQ(previews[0].rows[1][0], "Bianchi") << "in the order the search copied them";

    // An empty attendance still opens its preview, with no rows.
    ReportControl attendance;
    attendance.setPreviewer(
        [this](const ReportPreview& preview) { previews.push_back(Preview::of(preview)); });
    ReportPrinting::printSelection(attendance, op, install.folder(), install.folder().file("presenze.rpt"),
                                   "Storico totale Tempi presenza   ");
    ASSERT_EQ(previews.size(), 2u);
    EXPECT_EQ(previews[1].title, "Storico totale Tempi presenza   ");
    EXPECT_TRUE(previews[1].rows.empty());
    EXPECT_EQ(previews[1].summary, "Righe di presenza : 0");
    EXPECT_TRUE(op.messages().empty());
}

TEST_F(ReportPrintingTest, AFailingHistoryReportTellsItsNumberAndCauseAndShowsNothing) {
    const std::string report = install.folder().reportDatabase();
    struct Case {
        std::string layout;
        std::string layoutText; // written over the layout first when not empty
        bool breakDatabase;
        std::string expected;
    };
    const Case cases[] = {
        {"manca.rpt", "", false,
         "Attenzione | Errore nella produzione del report 101 File del report non trovato: " +
             install.folder().file("manca.rpt") + " | !"},
        {"rotto.rpt", "sentinex-report 1\ntable = temp\n", false,
         "Attenzione | Errore nella produzione del report 102 Layout del report non valido (rotto.rpt, riga "
         "2): "
         "nessuna colonna | !"},
        {"giornata1new.rpt", "", true,
         "Attenzione | Errore nella produzione del report 103 Impossibile aprire il database " + report},
    };
    for (const auto& c : cases) {
        if (!c.layoutText.empty()) {
            install.temp().write(c.layout, c.layoutText);
        }
        if (c.breakDatabase) {
            install.temp().write("RepSentinex.mdb", std::string(4096, 'x'));
        }
        op.shown.clear();
        ReportPrinting::printSelection(control, op, install.folder(), install.folder().file(c.layout),
                                       "Storico totale");
        const auto shown = messages();
        ASSERT_EQ(shown.size(), 1u) << c.layout;
        EXPECT_EQ(shown[0].substr(0, c.expected.size()), c.expected);
    }
    EXPECT_TRUE(previews.empty());
}

// Whether there are users to print is UsersListCheck's (its own test, and "Stampa archivio utenti" in
// FrmFunzAgg's): here the report itself.
TEST_F(ReportPrintingTest, TheUsersListShowsTheUsersAndBlamesThePrinterForAnyFailure) {
    install.addUser({});
    ReportPrinting::printUsersList(control, op, install.folder());
    EXPECT_TRUE(op.messages().empty());
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].title, "Archivio utenti");
    ASSERT_EQ(previews[0].rows.size(), 1u);
    EXPECT_EQ(previews[0].rows[0][0], "Rossi");

    std::filesystem::remove(install.folder().file("Utenti.rpt"));
    ReportPrinting::printUsersList(control, op, install.folder());
    EXPECT_EQ(messages(), std::vector<std::string>{"Errore | Problemi con la stampante. | X"});
    EXPECT_EQ(previews.size(), 1u);
}

TEST_F(ReportPrintingTest, APdfThatCannotBeWrittenIsAPrinterFailure) {
    control.setDataFile(0, install.folder().reportDatabase());
    control.setReportFileName(install.folder().file("giornata1new.rpt"));
    control.setFormula(0, "Titolo = \"Storico totale\"");
    control.setDestination(ReportControl::Destination::File);
    control.setPrintFileName(QString::fromStdString(install.temp().file("no/such/folder/r.pdf")));
    EXPECT_FALSE(control.run());
    EXPECT_EQ(control.errorNumber(), 104);
    EXPECT_NE(control.errorText().find("no/such/folder/r.pdf"), std::string::npos) << control.errorText();

    control.setPrintFileName(QString::fromStdString(install.temp().file("r.pdf")));
    EXPECT_TRUE(control.run());
    EXPECT_GT(std::filesystem::file_size(install.temp().file("r.pdf")), 500u);
}

TEST_F(ReportPrintingTest, TheHistoryViewersStampaReachesTheReportComponent) {
    // No print request of the test's own: the viewer's own wiring runs. The layout is missing, so the
    // report's message comes instead of a preview window.
    std::filesystem::remove(install.folder().file("giornata1new.rpt"));
    FakeClock clock{DateTime{2026, 1, 5, 10, 0, 0}};
    FrmViewStoria form(install.db(), install.reportDb(), op, clock, install.folder());
    FormDriver driver(form, &op);
    op.shown.clear();
    driver.click("CmdStampa");
    EXPECT_EQ(messages(),
              std::vector<std::string>{
                  "Attenzione | Errore nella produzione del report 101 File del report non trovato: " +
                  install.folder().file("giornata1new.rpt") + " | !"});
}

} // namespace
} // namespace sentinex
