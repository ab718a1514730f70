#include "ui/history/report/ReportControl.hpp"

#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace sentinex {
namespace {

using testing::TempDir;
using testing::TestInstall;

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

/// The three reports written as PDF from a small installation and read back as text, as a person
/// reading the printed page would. SENTINEX_KEEP_REPORTS=<folder> keeps the PDFs for a look.
class ReportPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        }
        for (const char* layout : {"Utenti.rpt", "giornata1new.rpt", "presenze.rpt"}) {
            install.temp().write(layout, TestInstall::kitFile(layout));
        }
    }

    /// Writes the report as PDF and returns its text (pdftotext -layout).
    std::string pdfText(const std::string& layout, const std::string& database, const std::string& title,
                        const std::string& pdfName) {
        ReportControl control;
        control.setDataFile(0, database);
        control.setReportFileName(install.folder().file(layout));
        if (!title.empty()) {
            control.setFormula(0, "Titolo = \"" + title + "\"");
        }
        control.setDestination(ReportControl::Destination::File);
        const std::string pdf = install.temp().file(pdfName);
        control.setPrintFileName(QString::fromStdString(pdf));
        EXPECT_TRUE(control.run()) << control.errorText();
        if (const char* keep = std::getenv("SENTINEX_KEEP_REPORTS")) {
            std::filesystem::copy_file(pdf, std::string(keep) + "/" + pdfName,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        const std::string txt = pdf + ".txt";
        EXPECT_EQ(std::system(("pdftotext -layout " + quoted(pdf) + " " + quoted(txt)).c_str()), 0);
        return TempDir::read(txt);
    }

    static bool has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    TestInstall install;
};

TEST_F(ReportPdfTest, EachReportShowsItsTitleHeadersAndRows) {
    TestInstall::User u;
    u.Cognome = "Rossi";
    u.Nome = "Mario";
    u.NumeroCarta = "0001";
    install.addUser(u);
    u.Cognome = "Bianchi";
    u.Nome = "Laura";
    u.NumeroCarta = "0002";
    u.AbilitaCarta = false;
    install.addUser(u);
    install.reportDb()->execute(
        "INSERT INTO temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, dataora, passaggio) "
        "VALUES ('Rossi', 'Mario', '08:15', '0012', '05/01/2026', 'Ingresso', 'Passaggio', 'In', 46027.34, "
        "1)");
    install.reportDb()->execute(
        "INSERT INTO presenze (cognome, nome, numerobadge, mancaingresso, mancauscita, sdataingresso, "
        "sdataUscita, numeroore, numerominuti) VALUES ('Rossi', 'Mario', '0012', 0, 0, "
        "'05/01/26-08:15:00', '05/01/26-17:30:00', 9, 15)");

    const std::string users = pdfText("Utenti.rpt", install.folder().database(), "", "Utenti.pdf");
    EXPECT_TRUE(has(users, "Archivio utenti")) << users;
    EXPECT_TRUE(has(users, "Numero Carta")) << users;
    EXPECT_TRUE(has(users, "Bianchi")) << users;
    EXPECT_LT(users.find("Bianchi"), users.find("Rossi")) << users;
    EXPECT_TRUE(has(users, "Utenti : 2")) << users;
    EXPECT_TRUE(has(users, "Pagina 1 di 1")) << users;

    const std::string caption = "Storico del periodo 05/01/2026 - 05/01/2026";
    const std::string history =
        pdfText("giornata1new.rpt", install.folder().reportDatabase(), caption, "giornata1new.pdf");
    EXPECT_TRUE(has(history, caption)) << history;
    EXPECT_TRUE(has(history, "Numero Badge")) << history;
    EXPECT_TRUE(has(history, "Posizione")) << history;
    EXPECT_TRUE(has(history, "0012")) << history;
    EXPECT_TRUE(has(history, "08:15")) << history;
    EXPECT_TRUE(has(history, "Records trovati : 1")) << history;

    const std::string attendance = pdfText("presenze.rpt", install.folder().reportDatabase(),
                                           caption + " Tempi presenza   ", "presenze.pdf");
    EXPECT_TRUE(has(attendance, caption + " Tempi presenza")) << attendance;
    EXPECT_TRUE(has(attendance, "Ingresso")) << attendance;
    EXPECT_TRUE(has(attendance, "05/01/26-08:15:00")) << attendance;
    EXPECT_TRUE(has(attendance, "05/01/26-17:30:00")) << attendance;
}

TEST_F(ReportPdfTest, ALongHistoryRunsOverPagesWithEveryRowOnce) {
    install.reportDb()->executeScript("BEGIN");
    for (int i = 0; i < 130; ++i) {
        install.reportDb()->execute(
            "INSERT INTO temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, dataora, "
            "passaggio) "
            "VALUES (?, 'Mario', '08:00', '0012', '05/01/2026', 'Ingresso', 'Passaggio', 'In', 46027.33, 1)",
            {"Persona" + std::to_string(1000 + i)});
    }
    install.reportDb()->executeScript("COMMIT");
    const std::string text =
        pdfText("giornata1new.rpt", install.folder().reportDatabase(), "Storico totale", "lungo.pdf");
    int pages = 0;
    for (auto at = text.find("Storico totale"); at != std::string::npos;
         at = text.find("Storico totale", at + 1)) {
        ++pages;
    }
    ASSERT_GT(pages, 1) << "130 rows do not fit on one landscape page";
    const std::string last = "Pagina " + std::to_string(pages) + " di " + std::to_string(pages);
    EXPECT_TRUE(has(text, "Pagina 1 di " + std::to_string(pages))) << text;
    EXPECT_TRUE(has(text, last)) << text;
    for (int i = 0; i < 130; ++i) {
        const std::string name = "Persona" + std::to_string(1000 + i);
        const auto first = text.find(name);
        ASSERT_NE(first, std::string::npos) << name;
        EXPECT_EQ(text.find(name, first + 1), std::string::npos) << name << " printed twice";
    }
    EXPECT_GT(text.find("Records trovati : 130"), text.find("Persona1129"))
        << "the summary follows the last row";
}

// Each row is printed as one piece of text: its cells must still stand in their columns, in order, with
// their accented letters, and a value wider than its column cut with an ellipsis.
TEST_F(ReportPdfTest, ARowsCellsKeepTheirOrderLettersAndCuts) {
    const std::string longName = "Maria Giuseppina Annunziata Addolorata Immacolata Concetta";
    install.reportDb()->execute(
        "INSERT INTO temp (Cognome, Nome, Ora, NumeroBadge, Data, causale, nota, verso, dataora, passaggio) "
        "VALUES ('Müller-Çelik', ?, '07:45', '0099', '06/01/2026', 'Uscita  ', 'Fuori fascia', 'Out', "
        "46028.32, 0)",
        {longName});
    const std::string text =
        pdfText("giornata1new.rpt", install.folder().reportDatabase(), "Storico totale", "celle.pdf");
    const auto at = text.find("Müller-Çelik");
    ASSERT_NE(at, std::string::npos) << text;
    const std::string line = text.substr(at, text.find('\n', at) - at);
    std::size_t from = 0;
    for (const char* cell :
         {"Müller-Çelik", "Maria", "0099", "06/01/2026", "07:45", "Uscita", "Out", "Fuori fascia"}) {
        const auto found = line.find(cell, from);
        ASSERT_NE(found, std::string::npos) << cell << " missing or out of order in: " << line;
        from = found + std::string(cell).size();
    }
    EXPECT_FALSE(has(text, longName)) << "the name is wider than its column: " << line;
    EXPECT_TRUE(has(line, "…")) << line;
}

} // namespace
} // namespace sentinex
