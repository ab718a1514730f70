#include "history/AuditViewer.hpp"

#include "store/AuditLog.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TempDir;
using testing::TestInstall;

/// Rows written out of time order on purpose (keys name them): the viewer orders by time, not by
/// when a row went in.
struct Record {
    Record() {
        const struct {
            const char* when;
            const char* window;
            const char* key;
        } rows[] = {
            {"09/03/2026 10:00:00", "FrmCardsAbil", "b"}, {"28/02/2026 23:59:59", "FrmConfLettori", "a"},
            {"10/03/2026 08:00:00", "FrmMain", "d"},      {"09/03/2026 18:30:00", "FrmMain", "c"},
            {"11/03/2026 00:00:00", "FrmCardsAbil", "e"},
        };
        for (const auto& r : rows) {
            AuditLog::writeAt(*install.db(), {r.window, "Azione", r.key, "", ""}, r.when, "operatore");
        }
    }
    std::string keys() const {
        std::string out;
        for (const AuditRow& r : viewer.rows()) {
            out += r.key;
        }
        return out;
    }

    TestInstall install;
    ScriptedOperator op;
    AuditViewer viewer{install.db(), op};
};

TEST(AuditViewerTest, FiltersByPeriodAndWindowNewestFirst) {
    const struct {
        const char* from;
        const char* to;
        const char* window;
        const char* keys;
    } cases[] = {
        {"", "", AuditViewer::AllWindows, "edcba"},
        {"", "", "", "edcba"},
        {"09/03/2026", "09/03/2026", AuditViewer::AllWindows, "cb"}, // the end day counts whole
        {"1/3/2026", "", AuditViewer::AllWindows, "edcb"},
        {"", "28/02/2026", AuditViewer::AllWindows, "a"},
        {"", "10/03/26", AuditViewer::AllWindows, "dcba"},
        {"", "", "FrmMain", "dc"},
        {"09/03/2026", "10/03/2026", "FrmCardsAbil", "b"},
        {"12/03/2026", "", AuditViewer::AllWindows, ""},
        {"", "", "FrmGestPassw", ""},
    };
    for (const auto& c : cases) {
        Record record;
        ASSERT_TRUE(record.viewer.apply(c.from, c.to, c.window)) << c.from << " " << c.to;
        EXPECT_EQ(record.keys(), c.keys) << c.from << " - " << c.to << " " << c.window;
        EXPECT_TRUE(record.op.shown.empty());
    }
}

TEST(AuditViewerTest, AnUnreadablePeriodIsToldAndKeepsTheRowsShown) {
    const struct {
        const char* from;
        const char* to;
        const char* text;
    } cases[] = {
        {"32/01/2026", "", "Data iniziale non valida"},
        {"ieri", "", "Data iniziale non valida"},
        {"", "31/02/2026", "Data finale non valida"},
        {"10/03/2026", "09/03/2026", "La data finale non può essere antecedente alla finale"},
    };
    for (const auto& c : cases) {
        Record record;
        ASSERT_TRUE(record.viewer.apply("", "", "FrmMain"));
        EXPECT_FALSE(record.viewer.apply(c.from, c.to, AuditViewer::AllWindows));
        ASSERT_EQ(record.op.shown.size(), 1u) << c.from << " " << c.to;
        EXPECT_EQ(record.op.shown[0].title, "Attenzione");
        EXPECT_EQ(record.op.shown[0].text, c.text);
        EXPECT_EQ(record.keys(), "dc");
    }
}

TEST(AuditViewerTest, TheWindowChooserOffersEveryRecordedWindowAfterAll) {
    Record record;
    EXPECT_EQ(record.viewer.windows(),
              (std::vector<std::string>{"(tutte)", "FrmCardsAbil", "FrmConfLettori", "FrmMain"}));
}

TEST(AuditViewerTest, ExportWritesTheRowsShownUnderTheCaptions) {
    Record record;
    AuditLog::writeAt(*record.install.db(),
                      {"FrmCardsAbil", "Utente modificato", "7", "Cognome=Rossi\nNote=a;b", "=SOMMA(1)"},
                      "12/03/2026 09:00:00", "operatore");
    ASSERT_TRUE(record.viewer.apply("12/03/2026", "", AuditViewer::AllWindows));
    TempDir dir;
    const std::string path = dir.file("registro.csv");
    ASSERT_TRUE(record.viewer.exportCsv(path));
    EXPECT_EQ(TempDir::read(path), "\xEF\xBB\xBFQuando;Utente;Finestra;Azione;Chiave;Prima;Dopo\r\n"
                                   "12/03/2026 09:00:00;operatore;FrmCardsAbil;Utente modificato;7;"
                                   "\"Cognome=Rossi\nNote=a;b\";'=SOMMA(1)\r\n");
}

TEST(AuditViewerTest, AnExportThatCannotBeWrittenIsToldAndLeavesNoFile) {
    Record record;
    ASSERT_TRUE(record.viewer.apply("", "", AuditViewer::AllWindows));
    TempDir dir;
    const std::string path = dir.file("manca/registro.csv");
    EXPECT_FALSE(record.viewer.exportCsv(path));
    ASSERT_EQ(record.op.shown.size(), 1u);
    EXPECT_EQ(record.op.shown[0].title, "Errore");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(AuditViewerTest, ARecordThatCannotBeReadIsToldAndKeepsTheRows) {
    Record record;
    ASSERT_TRUE(record.viewer.apply("", "", "FrmMain"));
    record.install.db()->executeScript("ALTER TABLE Registro RENAME TO Altro");
    EXPECT_FALSE(record.viewer.apply("", "", AuditViewer::AllWindows));
    ASSERT_EQ(record.op.shown.size(), 1u);
    EXPECT_EQ(record.op.shown[0].title, "Errore");
    EXPECT_EQ(record.keys(), "dc");
}

} // namespace
} // namespace sentinex
