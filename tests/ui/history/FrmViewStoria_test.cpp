#include "ui/history/FrmViewStoria.hpp"

#include "support/FakeClock.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

/// A scripted operator that also runs a hook while a message box would be open.
class HookedOperator : public ScriptedOperator {
public:
    void message(const std::string& title, const std::string& text, MsgIcon icon) override {
        ScriptedOperator::message(title, text, icon);
        if (whileShown) {
            whileShown();
        }
    }
    std::function<void()> whileShown;
};

/// The viewer on an installation holding transits of 4, 5 and 6 January 2026; today is the 5th.
class FrmViewStoriaTest : public ::testing::Test {
protected:
    FrmViewStoriaTest() {
        add("0012", "04/01/2026", "08:00", "In", "yesterday");
        add("0012", "05/01/2026", "08:00", "In", "today in");
        add("0012", "05/01/2026", "17:30", "Out", "today out");
        add("0099", "05/01/2026", "09:00", "In", "other badge");
        add("0012", "06/01/2026", "08:00", "In", "tomorrow");
        form = std::make_unique<FrmViewStoria>(install.db(), install.reportDb(), op, clock, install.folder());
        form->setPrintRequest([this](const std::string& layout, const std::string& title) {
            printed.push_back(layout.substr(install.dir().size()) + " | " + title);
        });
        driver = std::make_unique<FormDriver>(*form, &op);
    }
    void add(const char* badge, const char* data, const char* ora, const char* verso, const char* where) {
        install.db()->execute(
            "INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, "
            "Passaggio, verso, nota) VALUES (?, 'Rossi', 'Mario', ?, ?, ?, 1, ?, 'Passaggio')",
            {badge, where, data, ora, verso});
    }
    /// Column `column` of every row the grid shows.
    std::vector<std::string> grid(int column = 5) {
        auto& view = driver->control<QTableView>("DBGrid1");
        std::vector<std::string> out;
        for (int r = 0; r < view.model()->rowCount(); ++r) {
            out.push_back(view.model()->index(r, column).data().toString().toStdString());
        }
        return out;
    }
    bool visible(const char* name) { return driver->control(name).isVisibleTo(form.get()); }

    TestInstall install;
    HookedOperator op;
    FakeClock clock{DateTime{2026, 1, 5, 10, 0, 0}};
    std::unique_ptr<FrmViewStoria> form;
    std::unique_ptr<FormDriver> driver;
    std::vector<std::string> printed;
};

TEST_F(FrmViewStoriaTest, OpensOnTodaysTransitsWithTheControlsAsNamed) {
    form->show();
    EXPECT_EQ(form->windowTitle().toStdString(), "Storico del periodo 05/01/2026 - 05/01/2026");
    EXPECT_EQ(grid(), (std::vector<std::string>{"today in", "other badge", "today out"}));
    EXPECT_EQ(driver->text("Label3"), "Records trovati : 3");
    EXPECT_EQ(driver->read("Label3").name, "Records trovati : 3");
    const std::pair<const char*, const char*> captions[] = {
        {"OptInteraParziale_0", "Solo Storia Odierna"},
        {"OptInteraParziale_1", "Storia Parziale"},
        {"OptInteraParziale_2", "Storia Completa"},
        {"CmdCambiaPeriodo", "CambiaPeriodo"},
        {"LblDataIniziale", "Data Iniziale"},
        {"LblDataFinale", "Data Finale"},
        {"OptSelSocio_0", "Tutti i badge"},
        {"OptSelSocio_1", "Badge Singolo"},
        {"LblNumeroBadge", "Numero Badge"},
        {"ChkIngressi", "In Ingresso"},
        {"ChkUscite", "In Uscita"},
        {"ChkPassaggi", "Passaggi"},
        {"ChkRifiuti", "Rifiuti"},
        {"ChkOnLine", "OnLine "},
        {"ChkOffLine", "OffLine"},
        {"CmdPresenta", "Cerca"},
        {"CmdDelStorico", "Cancella storico"},
        {"CmdStampa", "Stampa"},
        {"CmdEsportaCsv", "Esporta CSV"},
        {"CmdEsportaCsvPresenze", "Esporta CSV presenze"},
        {"CmdCalcolaTempiPresenze", "Tempi Presenza"},
        {"CmdEsci", "Esci"},
    };
    for (const auto& [name, caption] : captions) {
        EXPECT_EQ(driver->text(name), caption) << name;
    }
    for (const char* name : {"ChkIngressi", "ChkUscite", "ChkPassaggi", "ChkRifiuti", "ChkOnLine"}) {
        EXPECT_TRUE(driver->control<QCheckBox>(name).isChecked()) << name;
    }
    EXPECT_FALSE(driver->control<QCheckBox>("ChkOffLine").isChecked());
    EXPECT_TRUE(driver->control<QRadioButton>("OptInteraParziale_0").isChecked());
    EXPECT_TRUE(driver->control<QRadioButton>("OptSelSocio_0").isChecked());
    EXPECT_FALSE(visible("FrameSelezioneDate"));
    EXPECT_FALSE(visible("CmdCambiaPeriodo"));
    EXPECT_FALSE(visible("TxtNumeroBadge"));
    EXPECT_TRUE(visible("CmdCalcolaTempiPresenze"));
    EXPECT_EQ(driver->read("TxtDataIniziale").name, "Data Iniziale");
    EXPECT_EQ(driver->read("TxtNumeroBadge").name, "Numero Badge");
    // Column widths keep the proportions of their layout in twips.
    auto& view = driver->control<QTableView>("DBGrid1");
    EXPECT_GE(view.columnWidth(0), 1800 / 15);
    EXPECT_NEAR(view.columnWidth(4) * 1800.0 / 850, view.columnWidth(0), 3);
    EXPECT_GE(view.columnWidth(3), view.fontMetrics().horizontalAdvance(QStringLiteral("05/01/2026")) + 8);
    EXPECT_GE(view.columnWidth(2),
              view.horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("Numero Badge")) + 8);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(FrmViewStoriaTest, APeriodIsTypedValidatedAndSearched) {
    driver->click("OptInteraParziale_1");
    EXPECT_TRUE(visible("FrameSelezioneDate"));
    EXPECT_TRUE(visible("CmdCambiaPeriodo"));
    EXPECT_FALSE(visible("DBGrid1"));
    EXPECT_EQ(form->windowTitle().toStdString(), std::string(10, ' '));
    EXPECT_EQ(driver->text("Label3"), "Records trovati : 0");

    driver->type("TxtDataIniziale", QStringLiteral("06/01/2026"));
    driver->type("TxtDataFinale", QStringLiteral("04/01/2026"));
    driver->click("CmdPresenta");
    EXPECT_EQ(op.last().text, "La data finale non può essere antecedente alla finale");
    EXPECT_TRUE(visible("FrameSelezioneDate"));

    driver->type("TxtDataIniziale", QStringLiteral("4/1/2026"));
    driver->click("CmdPresenta");
    EXPECT_FALSE(visible("FrameSelezioneDate"));
    EXPECT_TRUE(visible("DBGrid1"));
    EXPECT_EQ(form->windowTitle().toStdString(), "Storico del periodo 04/01/2026 - 04/01/2026");
    EXPECT_EQ(grid(), std::vector<std::string>{"yesterday"});
}

TEST_F(FrmViewStoriaTest, BoxesAndTheBadgeFieldSearchAgain) {
    driver->click("ChkIngressi"); // exits only
    EXPECT_EQ(grid(), std::vector<std::string>{"today out"});
    driver->click("ChkUscite"); // no direction left
    EXPECT_EQ(op.last().text, "Occorre almeno una selezione tra Ingressi ed Uscite");
    EXPECT_EQ(form->windowTitle().toStdString(), "Aggiornamento in corso");
    EXPECT_TRUE(grid().empty());
    EXPECT_TRUE(form->isEnabled());
    driver->click("ChkIngressi"); // entries only
    EXPECT_EQ(grid(), (std::vector<std::string>{"today in", "other badge"}));
    driver->click("ChkUscite");
    EXPECT_EQ(grid().size(), 3u);

    driver->click("OptSelSocio_1");
    EXPECT_TRUE(visible("TxtNumeroBadge"));
    EXPECT_TRUE(grid().empty()); // badge "0000"
    driver->type("TxtNumeroBadge", QStringLiteral("99"));
    EXPECT_FALSE(visible("DBGrid1"));
    EXPECT_EQ(form->windowTitle().toStdString(), "    ");
    driver->type("TxtNumeroBadge", QStringLiteral("99\n"));
    EXPECT_TRUE(visible("DBGrid1"));
    EXPECT_EQ(grid(), std::vector<std::string>{"other badge"});
    EXPECT_EQ(form->windowTitle().toStdString(), "Storico del periodo 05/01/2026 - 05/01/2026 Badge 0099");
}

/// A screen reader sets a text box's whole text at once, without keys: the viewer takes it all the same.
TEST_F(FrmViewStoriaTest, TextSetByAssistiveTechnologyIsSearched) {
    driver->click("OptInteraParziale_1");
    driver->setTextAccessibly("TxtDataIniziale", QStringLiteral("04/01/2026"));
    driver->setTextAccessibly("TxtDataFinale", QStringLiteral("05/01/2026"));
    driver->click("OptSelSocio_1");
    driver->setTextAccessibly("TxtNumeroBadge", QStringLiteral("99"));
    driver->click("CmdPresenta");
    EXPECT_EQ(form->windowTitle().toStdString(), "Storico del periodo 04/01/2026 - 05/01/2026 Badge 0099");
    EXPECT_EQ(grid(), std::vector<std::string>{"other badge"});
}

TEST_F(FrmViewStoriaTest, DeletionAsksAndThenShowsWhatIsLeft) {
    driver->click("OptInteraParziale_2");
    EXPECT_EQ(grid().size(), 5u);
    driver->answer(Answer::No);
    driver->click("CmdDelStorico");
    EXPECT_EQ(op.last().text, "Cancellazione annullata ");
    EXPECT_EQ(grid().size(), 5u);
    driver->answer(Answer::Yes);
    driver->click("CmdDelStorico");
    EXPECT_EQ(op.shown.at(op.shown.size() - 1).text, "Cancellare complertamente storico ?");
    EXPECT_TRUE(grid().empty());
    EXPECT_EQ(driver->text("Label3"), "Records trovati : 0");
    EXPECT_EQ(form->windowTitle().toStdString(), "Storico totale");
    EXPECT_EQ(install.db()->query("SELECT count(*) FROM transiti").at(0).at(0).toInt(), 0);
}

/// After a deletion of today's history the viewer shows the whole history, and says so with "Storia
/// Completa" ticked: the next "Cancella storico" is the whole-history one, and the operator can see it.
TEST_F(FrmViewStoriaTest, AfterADeletionStoriaCompletaIsTheTickedOption) {
    ASSERT_TRUE(driver->control<QRadioButton>("OptInteraParziale_0").isChecked());
    driver->answer(Answer::Yes);
    driver->click("CmdDelStorico");
    EXPECT_EQ(op.shown.back().text, "Cancellare storico da 05/01/2026 a 05/01/2026 ?");
    EXPECT_TRUE(driver->control<QRadioButton>("OptInteraParziale_2").isChecked());
    EXPECT_FALSE(driver->control<QRadioButton>("OptInteraParziale_0").isChecked());
    EXPECT_EQ(grid().size(), 2u) << "yesterday's and tomorrow's transits are what is left";
    driver->answer(Answer::No);
    driver->click("CmdDelStorico");
    EXPECT_EQ(op.shown.at(op.shown.size() - 2).text, "Cancellare complertamente storico ?");
}

/// Options and boxes ticked by assistive technology (no click) act as a click does, once.
TEST_F(FrmViewStoriaTest, OptionsAndBoxesActWhenCheckedWithoutAClick) {
    driver->checkAccessibly("OptInteraParziale_1");
    EXPECT_TRUE(visible("FrameSelezioneDate")) << "the period fields appear";
    driver->checkAccessibly("OptInteraParziale_2");
    EXPECT_FALSE(visible("FrameSelezioneDate"));
    EXPECT_EQ(grid().size(), 5u);
    driver->checkAccessibly("OptSelSocio_1");
    EXPECT_TRUE(visible("TxtNumeroBadge"));
    driver->checkAccessibly("OptSelSocio_0");
    EXPECT_FALSE(visible("TxtNumeroBadge"));
    auto& offLine = driver->control<QCheckBox>("ChkOffLine");
    ASSERT_FALSE(offLine.isChecked());
    const std::size_t shownBefore = op.shown.size();
    driver->checkAccessibly("ChkOffLine");
    EXPECT_TRUE(offLine.isChecked());
    ASSERT_EQ(op.shown.size(), shownBefore + 1) << "the box acted once";
    EXPECT_EQ(op.shown.back().text, "Attenzione ! Nell'offline non sono registrati i rifiuti");
}

TEST_F(FrmViewStoriaTest, EsciAndTheCloseBoxDoNothingWhileBusy) {
    form->show();
    int attempts = 0;
    op.whileShown = [&] {
        // A warning of the search: the form is busy, disabled, under the hourglass.
        ++attempts;
        EXPECT_FALSE(form->isEnabled());
        driver->click("CmdEsci");
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
    };
    driver->click("ChkOffLine"); // all four: the warning, then the search goes on
    EXPECT_EQ(attempts, 1);
    op.whileShown = nullptr;
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(form->isVisible());
    driver->click("CmdEsci");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FrmViewStoriaTest, PrintAndAttendanceHandTheirLayoutAndTitleToTheReports) {
    driver->click("CmdStampa");
    driver->click("CmdCalcolaTempiPresenze");
    EXPECT_EQ(printed, (std::vector<std::string>{
                           "/giornata1new.rpt | Storico del periodo 05/01/2026 - 05/01/2026",
                           "/presenze.rpt | Storico del periodo 05/01/2026 - 05/01/2026 Tempi presenza   "}));
    EXPECT_EQ(install.reportDb()->query("SELECT count(*) FROM presenze").at(0).at(0).toInt(), 2);
}

TEST_F(FrmViewStoriaTest, CsvExportWritesTheShownSelectionAndRemembersTheFolder) {
    TempDir out;
    std::vector<QString> offered;
    form->setSavePathChooser([&](QWidget*, const QString& folder) {
        offered.push_back(folder);
        return QString::fromStdString(out.file("storico.csv"));
    });
    driver->click("CmdEsportaCsv");
    const std::string csv = TempDir::read(out.file("storico.csv"));
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("Rossi;Mario;0099;05/01/2026;09:00;other badge;In;Passaggio;Sì\r\n"),
              std::string::npos)
        << csv;
    driver->click("CmdEsportaCsv");
    // The dialog opens where the last file was saved (for as long as the program runs).
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[1].toStdString(), out.path());

    // A file that cannot be written is reported, and the window goes on.
    form->setSavePathChooser(
        [&](QWidget*, const QString&) { return QString::fromStdString(out.file("no/x.csv")); });
    driver->click("CmdEsportaCsv");
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(FrmViewStoriaTest, AttendanceCsvPairsTheShownSelectionAndPrintsNothing) {
    TempDir out;
    form->setSavePathChooser(
        [&](QWidget*, const QString&) { return QString::fromStdString(out.file("p.csv")); });
    driver->click("CmdEsportaCsvPresenze");
    // Today's selection: badge 0012 in at 08:00 and out at 17:30; badge 0099 only in.
    const std::string csv = TempDir::read(out.file("p.csv"));
    EXPECT_NE(csv.find("Rossi;Mario;0012;05/01/2026 08:00:00;05/01/2026 17:30:00;9;30\r\n"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find("Rossi;Mario;0099;05/01/2026 09:00:00;;;\r\n"), std::string::npos) << csv;
    EXPECT_TRUE(printed.empty());

    // The dialog cancelled: the attendance is still computed, no file is written.
    form->setSavePathChooser([](QWidget*, const QString&) { return QString(); });
    driver->click("CmdEsportaCsvPresenze");
    EXPECT_EQ(install.reportDb()->query("SELECT count(*) FROM presenze").at(0).at(0).toInt(), 2);
}

} // namespace
} // namespace sentinex
