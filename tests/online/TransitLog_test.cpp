#include "support/OnlineHarness.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace sentinex {
namespace {

using testing::OnlineHarness;
using testing::TempDir;
using testing::TestInstall;

class TextHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.settings.Beep = false;
        h.settings.StoricoEsterno = true;
        h.addReader({});
        h.addReader({});
        TestInstall::Reader third;
        third.SituatoPresso = "Uscita";
        third.Stato = "Out";
        h.addReader(third);
        TestInstall::User u;
        u.NumeroCarta = "0042";
        u.Cognome = "Rossi";
        u.Nome = "Mario";
        h.addUser(u);
        h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0042')");
        h.settings.Utenti = 1;
    }
    std::string storico() const { return TempDir::read(h.install.folder().textHistory()); }
    OnlineHarness h;
};

TEST_F(TextHistoryTest, GrantedPassageGoesToTheTextFileOnly) {
    h.present(3, OnlineHarness::card("0042000123"));
    EXPECT_EQ(storico(),
              "\"0042          Mario          Rossi   03   Uscita 05/01/2026 10:00 Passaggio Out\"\r\n");
    EXPECT_TRUE(h.transits().empty());

    // Appended, never rewritten; refusals still go to the table.
    h.clock.set({2026, 1, 5, 10, 1, 0});
    h.present(1, OnlineHarness::card("0042000123"));
    EXPECT_EQ(storico(),
              "\"0042          Mario          Rossi   03   Uscita 05/01/2026 10:00 Passaggio Out\"\r\n"
              "\"0042          Mario          Rossi   01 Ingresso 05/01/2026 10:01 Passaggio In\"\r\n");
    EXPECT_TRUE(h.transits().empty());
    h.present(1, OnlineHarness::card("0099000123"));
    ASSERT_EQ(h.transits().size(), 1u);
    EXPECT_EQ(h.transits()[0].at("Passaggio").toInt(), 0);
}

TEST_F(TextHistoryTest, UnwritableTextFileKeepsThePassageInTheTable) {
    std::filesystem::create_directory(h.install.folder().textHistory());
    h.present(3, OnlineHarness::card("0042000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0042 - Accesso consentito - Rossi Mario\r\n05/01/2026 10:00:00");
    const auto t = h.transits();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].at("Passaggio").toInt(), 1);
    EXPECT_EQ(t[0].at("nota").toString(), "Passaggio");
    EXPECT_EQ(t[0].at("NumeroBadge").toString(), "0042");
    EXPECT_EQ(t[0].at("PosizioneLettore").toString(), "Uscita  ");
    EXPECT_EQ(t[0].at("verso").toString(), "Out");
    EXPECT_TRUE(h.op.shown.empty());
}

TEST_F(TextHistoryTest, TableRecordOfAGrantWhenTheTextHistoryIsOff) {
    h.settings.StoricoEsterno = false;
    h.clock.set({2027, 12, 31, 23, 59, 59});
    h.present(3, OnlineHarness::card("0042000123"));
    const auto t = h.transits();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].at("Data").toString(), "31/12/2027");
    EXPECT_EQ(t[0].at("Ora").toString(), "23:59");
    EXPECT_EQ(t[0].at("Cognome").toString(), "Rossi");
    EXPECT_EQ(t[0].at("Nome").toString(), "Mario");
    EXPECT_EQ(t[0].at("Passaggio").toInt(), 1);
    EXPECT_FALSE(std::filesystem::exists(h.install.folder().textHistory()));
}

} // namespace
} // namespace sentinex
