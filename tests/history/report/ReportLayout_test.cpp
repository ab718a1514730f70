#include "history/report/ReportError.hpp"
#include "history/report/ReportFormula.hpp"
#include "history/report/ReportLayout.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

const std::string kHead = "sentinex-report 1\ntable = temp\n";
const std::string kColumn = "column = Cognome | Cognome | 40 | left\n";

TEST(ReportLayout, ReadsEverySetting) {
    const auto layout = ReportLayout::parse("# a comment\n\n"
                                            "sentinex-report 1\n"
                                            "title = Storico {Titolo} # not a comment\n"
                                            "table = presenze\n"
                                            "order = cognome nocase, dataingresso desc, rowid\n"
                                            "page = a3 landscape\n"
                                            "margins = 5 6 7 8.5\n"
                                            "font = 11\n"
                                            "column = Cognome | cognome | 40 | left\n"
                                            "column = Ore | numeroore | 12.5 | right\n"
                                            "column = Abilitata | AbilitaCarta | 10 | center | yesno\n"
                                            "column = Quando | dataingresso | 30 | Left | DATETIME\n"
                                            "footer = Pagina {page} di {pages}\n"
                                            "summary = Righe : {count}\r\n",
                                            "x.rpt");
    EXPECT_EQ(layout.title, "Storico {Titolo} # not a comment");
    EXPECT_EQ(layout.table, "presenze");
    ASSERT_EQ(layout.order.size(), 3u);
    EXPECT_TRUE(layout.order[0].noCase);
    EXPECT_FALSE(layout.order[0].descending);
    EXPECT_EQ(layout.order[1].field, "dataingresso");
    EXPECT_TRUE(layout.order[1].descending);
    EXPECT_FALSE(layout.order[2].noCase || layout.order[2].descending);
    EXPECT_DOUBLE_EQ(layout.printedWidthMm(), 420);
    EXPECT_DOUBLE_EQ(layout.printedHeightMm(), 297);
    EXPECT_DOUBLE_EQ(layout.marginLeftMm, 5);
    EXPECT_DOUBLE_EQ(layout.marginBottomMm, 8.5);
    EXPECT_DOUBLE_EQ(layout.fontPoints, 11);
    ASSERT_EQ(layout.columns.size(), 4u);
    EXPECT_EQ(layout.columns[1].caption, "Ore");
    EXPECT_EQ(layout.columns[1].field, "numeroore");
    EXPECT_DOUBLE_EQ(layout.columns[1].widthMm, 12.5);
    EXPECT_EQ(layout.columns[1].align, ReportLayout::Align::Right);
    EXPECT_EQ(layout.columns[1].format, ReportLayout::Format::Text);
    EXPECT_EQ(layout.columns[2].align, ReportLayout::Align::Center);
    EXPECT_EQ(layout.columns[2].format, ReportLayout::Format::YesNo);
    EXPECT_EQ(layout.columns[3].format, ReportLayout::Format::DateTime);
    EXPECT_EQ(layout.footer, "Pagina {page} di {pages}");
    EXPECT_EQ(layout.summary, "Righe : {count}");
}

TEST(ReportLayout, AMalformedLayoutIsRefusedNamingTheLineAndTheFault) {
    struct Case {
        std::string text;
        std::string expected; // part of the message
    };
    const Case cases[] = {
        {"", "riga 0): file vuoto"},
        {"# only comments\n", "file vuoto"},
        {"report 1\n" + kColumn, "riga 1): la prima riga deve essere \"sentinex-report 1\""},
        {"sentinex-report 2\n" + kColumn, "la prima riga"},
        {kHead + "column Cognome\n", "riga 3): manca \"=\""},
        {kHead + "colour = red\n", "impostazione sconosciuta \"colour\""},
        {kHead + "table = temp\n" + kColumn, "riga 3): \"table\" ripetuto"},
        {"sentinex-report 1\n" + kColumn, "manca \"table\""},
        {kHead, "nessuna colonna"},
        {"sentinex-report 1\ntable = temp; DROP TABLE x\n" + kColumn, "nome di tabella non valido"},
        {kHead + "column = A | Cog\"nome | 40 | left\n", "nome di campo non valido"},
        {kHead + "column = A | Cognome | 40\n", "colonna non valida"},
        {kHead + "column = A | Cognome | 40 | left | date | x\n", "colonna non valida"},
        {kHead + "column = A | Cognome | wide | left\n", "larghezza non valida \"wide\""},
        {kHead + "column = A | Cognome | 0 | left\n", "larghezza non valida \"0\""},
        {kHead + "column = A | Cognome | 40 | justify\n", "allineamento sconosciuto \"justify\""},
        {kHead + "column = A | Cognome | 40 | left | money\n", "formato sconosciuto \"money\""},
        {kHead + "order = Cognome upward\n" + kColumn, "opzione di ordinamento sconosciuta \"upward\""},
        {kHead + "order = Cognome,\n" + kColumn, "campo di ordinamento mancante"},
        {kHead + "page = B5\n" + kColumn, "formato di pagina sconosciuto \"B5\""},
        {kHead + "page = A4 sideways\n" + kColumn, "orientamento sconosciuto \"sideways\""},
        {kHead + "margins = 10 10 10\n" + kColumn, "servono quattro margini"},
        {kHead + "margins = 10 -1 10 10\n" + kColumn, "margine non valido \"-1\""},
        {kHead + "margins = 110 10 110 10\n" + kColumn, "i margini non lasciano spazio"},
        {kHead + "font = 2\n" + kColumn, "fuori dai limiti"},
        // A4 portrait with 15 mm margins leaves 180 mm.
        {kHead + "column = A | a | 100 | left\ncolumn = B | b | 81 | left\n",
         "le colonne (181 mm) superano la larghezza stampabile (180 mm)"},
    };
    for (const auto& c : cases) {
        try {
            ReportLayout::parse(c.text, "prova.rpt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ReportError& e) {
            EXPECT_EQ(e.code(), ReportError::LayoutInvalid) << c.text;
            const std::string what = e.what();
            EXPECT_EQ(what.rfind("Layout del report non valido (prova.rpt, riga ", 0), 0u) << what;
            EXPECT_NE(what.find(c.expected), std::string::npos) << what;
        }
    }
    // Exactly the printable width fits.
    EXPECT_NO_THROW(
        ReportLayout::parse(kHead + "column = A | a | 100 | left\ncolumn = B | b | 80 | left\n", "x"));
}

TEST(ReportLayout, LoadTellsAMissingFileFromABadOne) {
    testing::TempDir dir;
    try {
        ReportLayout::load(dir.file("giornata1new.rpt"));
        ADD_FAILURE() << "a missing layout was loaded";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.code(), ReportError::LayoutMissing);
        EXPECT_EQ(std::string(e.what()), "File del report non trovato: " + dir.file("giornata1new.rpt"));
    }
    const std::string bad = dir.write("presenze.rpt", "\x89PNG\r\n\x1a\n binary garbage");
    try {
        ReportLayout::load(bad);
        ADD_FAILURE() << "a garbage layout was loaded";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.code(), ReportError::LayoutInvalid);
        EXPECT_NE(std::string(e.what()).find("(presenze.rpt, riga 1)"), std::string::npos) << e.what();
    }
    const auto good = ReportLayout::load(dir.write("u.rpt", kHead + kColumn));
    EXPECT_EQ(good.columns.at(0).field, "Cognome");
}

TEST(ReportLayout, ExpandPutsValuesInPlaceOfNames) {
    const std::map<std::string, std::string> values = {{"Titolo", "Storico totale"}, {"page", "2"}};
    const std::pair<std::string, std::string> cases[] = {
        {"{Titolo}", "Storico totale"},
        {"Pagina {page} - {Titolo}!", "Pagina 2 - Storico totale!"},
        {"{Nessuno}x", "x"}, // an unknown formula is empty
        {"{ not a name } {", "{ not a name } {"},
        {"{{Titolo}}", "{Storico totale}"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ReportLayout::expand(text, values), expected) << text;
    }
}

TEST(ReportFormula, ReadsTheQuotedValueAndRefusesAnythingElse) {
    const std::pair<std::string, std::pair<std::string, std::string>> good[] = {
        {"Titolo = \"Storico totale\"", {"Titolo", "Storico totale"}},
        {"Titolo=\"\"", {"Titolo", ""}},
        {" Titolo =  \"Storico del periodo 05/01/2026 - 05/01/2026 Tempi presenza   \" ",
         {"Titolo", "Storico del periodo 05/01/2026 - 05/01/2026 Tempi presenza   "}},
        {"Titolo = \"a \"\"b\"\" = c\"", {"Titolo", "a \"b\" = c"}},
    };
    for (const auto& [text, expected] : good) {
        const auto f = ReportFormula::parse(text);
        EXPECT_EQ(f.name, expected.first) << text;
        EXPECT_EQ(f.value, expected.second) << text;
        // What quoted() writes reads back the same.
        EXPECT_EQ(ReportFormula::parse(ReportFormula::quoted(f.name, f.value)).value, f.value);
    }
    for (const char* bad : {"Titolo", "Titolo = Storico", "Titolo = \"open", "= \"x\"", "Tit-olo = \"x\"",
                            "1x = \"x\"", "Titolo = \"x\" y"}) {
        try {
            ReportFormula::parse(bad);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const ReportError& e) {
            EXPECT_EQ(e.code(), ReportError::LayoutInvalid);
            EXPECT_EQ(std::string(e.what()), std::string("Formula del report non valida: ") + bad);
        }
    }
}

} // namespace
} // namespace sentinex
