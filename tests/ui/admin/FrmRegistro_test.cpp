#include "ui/admin/FrmRegistro.hpp"

#include "store/AuditLog.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"
#include "ui/support/FormDriver.hpp"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

class FrmRegistroTest : public ::testing::Test {
protected:
    FrmRegistroTest() {
        AuditLog::writeAt(*install.db(),
                          {"FrmCardsAbil", "Utente creato", "1", "", "Cognome=Rossi\nNome=Mario"},
                          "09/03/2026 10:00:00", "operatore");
        AuditLog::writeAt(*install.db(), {"FrmMain", "Sblocco manuale", "2", "", "Lettore=2"},
                          "10/03/2026 08:00:00", "operatore");
        form = std::make_unique<FrmRegistro>(install.db(), op);
        form->show();
        driver = std::make_unique<FormDriver>(*form, &op);
    }
    /// Column `column` of every row shown, top to bottom.
    std::vector<std::string> column(int column) {
        const auto& list = driver->control<QTableWidget>("List1");
        std::vector<std::string> out;
        for (int r = 0; r < list.rowCount(); ++r) {
            out.push_back(list.item(r, column)->text().toStdString());
        }
        return out;
    }

    TestInstall install;
    ScriptedOperator op;
    std::unique_ptr<FrmRegistro> form;
    std::unique_ptr<FormDriver> driver;
};

TEST_F(FrmRegistroTest, OpensOnEveryRowNewestFirstWithItsCaptionsAndNames) {
    EXPECT_EQ(form->windowTitle().toStdString(), "Sentinex - registro operazioni");
    for (const auto& [name, caption] : std::vector<std::pair<const char*, const char*>>{
             {"Command1", "Cerca"}, {"Command2", "Esporta CSV"}, {"Command3", "Esci"}}) {
        EXPECT_EQ(driver->text(name), caption);
    }
    for (const auto& [box, label] : std::vector<std::pair<const char*, const char*>>{
             {"Text1", "Dal (gg/mm/aaaa)"}, {"Text2", "Al (gg/mm/aaaa)"}, {"Combo1", "Finestra"}}) {
        EXPECT_EQ(driver->control(box).accessibleName().toStdString(), label);
    }
    const auto& list = driver->control<QTableWidget>("List1");
    ASSERT_EQ(list.columnCount(), 7);
    EXPECT_EQ(list.horizontalHeaderItem(5)->text().toStdString(), "Prima");
    EXPECT_EQ(column(3), (std::vector<std::string>{"Sblocco manuale", "Utente creato"}));
    EXPECT_EQ(column(6)[1], "Cognome=Rossi\nNome=Mario");
    EXPECT_EQ(driver->read("Label4").name, "Operazioni: 2");
    const auto& windows = driver->control<QComboBox>("Combo1");
    ASSERT_EQ(windows.count(), 3);
    EXPECT_EQ(windows.itemText(0).toStdString(), "(tutte)");
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(FrmRegistroTest, SearchNarrowsByPeriodAndWindowAndARefusedDateKeepsTheList) {
    driver->type("Text1", "10/03/2026");
    driver->click("Command1");
    EXPECT_EQ(column(2), (std::vector<std::string>{"FrmMain"}));

    driver->control<QLineEdit>("Text1").clear();
    driver->control<QComboBox>("Combo1").setCurrentText("FrmCardsAbil");
    driver->click("Command1");
    EXPECT_EQ(column(2), (std::vector<std::string>{"FrmCardsAbil"}));

    driver->type("Text2", "31/31/2026");
    driver->click("Command1");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, "Data finale non valida");
    EXPECT_EQ(column(2), (std::vector<std::string>{"FrmCardsAbil"}));
}

TEST_F(FrmRegistroTest, ExportWritesTheShownRowsWhereTheOperatorChose) {
    TempDir dir;
    const std::string path = dir.file("registro.csv");
    form->setSavePathChooser([&](QWidget*, const QString&) { return QString::fromStdString(path); });
    driver->control<QComboBox>("Combo1").setCurrentText("FrmMain");
    driver->click("Command1");
    driver->click("Command2");
    const std::string written = TempDir::read(path);
    EXPECT_NE(written.find("Sblocco manuale"), std::string::npos);
    EXPECT_EQ(written.find("Utente creato"), std::string::npos);
    EXPECT_TRUE(op.shown.empty());

    // A cancelled dialog writes nothing.
    std::remove(path.c_str());
    form->setSavePathChooser([](QWidget*, const QString&) { return QString(); });
    driver->click("Command2");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FrmRegistroTest, EsciClosesAndSaysSo) {
    int closed = 0;
    QObject::connect(form.get(), &FrmRegistro::closed, [&] { ++closed; });
    driver->click("Command3");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed, 1);
}

} // namespace
} // namespace sentinex
