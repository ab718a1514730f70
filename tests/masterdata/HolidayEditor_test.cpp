#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "masterdata/HolidayEditor.hpp"
#include "store/Database.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

/// An installation whose calendar holds three holidays, stored out of calendar order.
class HolidayEditorTest : public ::testing::Test {
protected:
    HolidayEditorTest() : file(install.folder().settings()), settings(file.loadAll()) {
        for (const auto& [data, description, tipo] :
             {std::tuple{"25/12", "Natale", "Chiuso"}, std::tuple{"01/01", "Capodanno", "Chiuso"},
              std::tuple{"08/12/2025", "Turno festivo", "Domenica"}}) {
            install.db()->execute("INSERT INTO Festivita (Data, Descrizione, Tipo) VALUES (?, ?, ?)",
                                  {data, description, tipo});
        }
    }

    std::vector<std::string> dates() const {
        std::vector<std::string> out;
        for (const HolidayRecord& r : editor.view().rows) {
            out.push_back(r.Data);
        }
        return out;
    }
    long long stored(const std::string& where) {
        return install.db()->query("SELECT count(*) FROM Festivita WHERE " + where)[0][0].toInt();
    }

    TestInstall install;
    ScriptedOperator op;
    SettingsFile file;
    Settings settings;
    HolidayEditor editor{install.db(), op, settings, file};
};

TEST_F(HolidayEditorTest, OpensOnTheFirstHolidayOfTheCalendarAndBrowses) {
    editor.load();
    EXPECT_EQ(op.waitShownCount, 1);
    EXPECT_FALSE(op.waitVisible);
    EXPECT_EQ(dates(), (std::vector<std::string>{"01/01", "08/12/2025", "25/12"}));
    const HolidayFormView& v = editor.view();
    EXPECT_EQ(v.currentRow, 0);
    EXPECT_EQ(v.shown, (HolidayRecord{"01/01", "Capodanno", "Chiuso"}));
    EXPECT_EQ(v.browse.counter, "1 / 3");
    EXPECT_FALSE(v.fieldsEnabled);
    EXPECT_FALSE(v.browse.previous);
    EXPECT_TRUE(v.browse.next);
    EXPECT_FALSE(v.festivita) << "off unless set";
    EXPECT_TRUE(v.pasquetta) << "on unless set";

    editor.selectRow(2);
    EXPECT_EQ(editor.view().shown.Descrizione, "Natale");
    EXPECT_EQ(editor.view().browse.counter, "3 / 3");
    editor.previous();
    EXPECT_EQ(editor.view().shown, (HolidayRecord{"08/12/2025", "Turno festivo", "Domenica"}));
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(HolidayEditorTest, ANewHolidayIsCheckedStoredInFullAndShownInItsPlace) {
    editor.load();
    editor.newOrCancel();
    EXPECT_TRUE(editor.view().fieldsEnabled);
    EXPECT_EQ(editor.view().browse.counter, "Nuovo");
    EXPECT_EQ(editor.view().browse.modifyOrSaveCaption, "Salva nuovo");
    EXPECT_EQ(editor.view().shown, HolidayRecord{});

    // Each refusal is told, the form stays in new mode and nothing is stored.
    const struct {
        HolidayRecord typed;
        const char* message;
    } refused[] = {
        {{"31/04", "Festa", "Chiuso"}, HolidayEditor::BadDateText},
        {{"25/12/25", "Festa", "Chiuso"}, HolidayEditor::BadDateText},
        {{"2/6", "   ", "Chiuso"}, HolidayEditor::NoDescriptionText},
        {{"2/6", "Festa della Repubblica", ""}, HolidayEditor::BadKindText},
        {{"25/12", "Natale bis", "Chiuso"}, HolidayEditor::DateTakenText},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.typed.Data + " " + r.typed.Descrizione);
        op.clear();
        editor.modifyOrSave(r.typed);
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, "Attenzione");
        EXPECT_EQ(op.shown[0].text, r.message);
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(editor.editing());
        EXPECT_EQ(stored("1"), 3);
    }

    op.clear();
    editor.modifyOrSave({"2/6", "Festa della Repubblica", "Chiuso"});
    EXPECT_TRUE(op.shown.empty());
    EXPECT_FALSE(editor.editing());
    EXPECT_EQ(stored("Data = '02/06' AND Descrizione = 'Festa della Repubblica' AND Tipo = 'Chiuso'"), 1);
    EXPECT_EQ(dates(), (std::vector<std::string>{"01/01", "02/06", "08/12/2025", "25/12"}));
    EXPECT_EQ(editor.view().currentRow, 1);
    EXPECT_EQ(editor.view().browse.counter, "2 / 4");
}

TEST_F(HolidayEditorTest, AChangeMayKeepItsDateAndMovesWithANewOne) {
    editor.load();
    editor.selectRow(2); // Natale
    editor.modifyOrSave({});
    ASSERT_TRUE(editor.editing());
    EXPECT_EQ(editor.view().browse.counter, "Modifica...");
    editor.modifyOrSave({"25/12", "Natale del Signore", "Domenica"});
    EXPECT_TRUE(op.shown.empty()) << "its own date is not taken";
    EXPECT_EQ(stored("Data = '25/12' AND Descrizione = 'Natale del Signore' AND Tipo = 'Domenica'"), 1);

    editor.modifyOrSave({});
    editor.modifyOrSave({"6/1", "Epifania", "Chiuso"});
    EXPECT_EQ(dates(), (std::vector<std::string>{"01/01", "06/01", "08/12/2025"}));
    EXPECT_EQ(editor.view().shown, (HolidayRecord{"06/01", "Epifania", "Chiuso"}));
    EXPECT_EQ(editor.view().browse.counter, "2 / 3");

    // "Annulla" writes nothing and shows the stored holiday again.
    editor.modifyOrSave({});
    editor.newOrCancel();
    EXPECT_FALSE(editor.editing());
    EXPECT_EQ(editor.view().shown, (HolidayRecord{"06/01", "Epifania", "Chiuso"}));
}

TEST_F(HolidayEditorTest, DeleteAsksAndLeavesTheFirstHolidayShown) {
    editor.load();
    editor.selectRow(1);
    op.queueAnswer(Answer::No);
    editor.remove();
    EXPECT_EQ(stored("1"), 3);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Domanda");
    EXPECT_EQ(op.shown[0].text, HolidayEditor::DeleteQuestion);

    for (int i = 0; i < 3; ++i) {
        op.queueAnswer(Answer::Yes);
        editor.remove();
    }
    EXPECT_EQ(stored("1"), 0);
    EXPECT_EQ(editor.view().browse.counter, "0");
    EXPECT_EQ(editor.view().currentRow, -1);
    EXPECT_FALSE(editor.view().browse.remove);
    EXPECT_FALSE(editor.view().browse.modifyOrSave);
}

TEST_F(HolidayEditorTest, AStoreErrorIsToldAndTheFormStaysAsItWas) {
    editor.load();
    editor.newOrCancel();
    install.db()->executeScript("DROP TABLE Festivita");
    editor.modifyOrSave({"2/6", "Festa della Repubblica", "Chiuso"});
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(editor.editing());
}

TEST_F(HolidayEditorTest, TheSwitchesActAtOnceAndAreWrittenToTheSettingsFile) {
    editor.load();
    editor.setFestivita(true);
    EXPECT_TRUE(settings.Festivita) << "the running program's settings, which the decision reads";
    EXPECT_TRUE(editor.view().festivita);
    editor.setPasquetta(false);
    EXPECT_FALSE(settings.Pasquetta);
    Settings reread = file.loadAll();
    EXPECT_TRUE(reread.Festivita);
    EXPECT_FALSE(reread.Pasquetta);
    editor.setFestivita(false);
    EXPECT_FALSE(file.loadAll().Festivita);
    EXPECT_TRUE(op.shown.empty());

    // A settings file that cannot be written: told, and the choice holds for the running program.
    std::filesystem::remove(install.folder().settings());
    std::filesystem::create_directory(install.folder().settings());
    editor.setFestivita(true);
    EXPECT_TRUE(settings.Festivita);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, HolidayEditor::SettingNotSavedText);
}

} // namespace
} // namespace sentinex
