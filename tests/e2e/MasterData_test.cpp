// Users and cards end to end: the users form opened from the real main window programs a card into
// simulated readers and registers a foreign card over the real serial link; the online decision then
// recognises the registered card.

#include "E2eRig.hpp"

#include "ui/masterdata/FrmCardsAbil.hpp"

#include <QApplication>

namespace sentinex::e2e {
namespace {

/// Three readers on one line; reader 3 belongs to another site.
std::vector<Rig::Reader> threeReaders() {
    return {{1, 1, "Ingresso", "In"}, {1, 2, "Uffici", "In"}, {1, 3, "Deposito", "In", "NANO NN-K", 456}};
}

/// Opens the users form from the main window's "   Abilitazione  carte".
QWidget* openUsersForm(Rig& rig) {
    rig.frm->show();
    rig.click("Command1");
    QWidget* cards = shownWindow<FrmCardsAbil>();
    EXPECT_NE(cards, nullptr);
    return cards;
}

void clickIn(QWidget& form, const char* name) {
    auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

TEST(MasterDataE2eTest, UploadCardProgramsOnlyTheReaderTheCardIsEnabledOn) {
    Rig rig(threeReaders(), false);
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0042";
    u.Flag_online = false;
    u.Lettore = "010" + std::string(61, '0');
    // "Or", "Non contr.", "2 On", "1 Off", "Fascia 2", only "Porta 1".
    u.extra = {{"MetodoInput", false}, {"ControllaInput", false}, {"Input2", true},  {"Input1", false},
               {"SceltaFascia", 2},    {"Output1", true},         {"Output2", false}};
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    QWidget* cards = openUsersForm(rig);
    ASSERT_NE(cards, nullptr);

    clickIn(*cards, "Command11");
    EXPECT_EQ(rig.op.messages().back().text, "Programmazione della carta effettuata.");
    const char expected[] = {'C', 'B', 'C'};
    for (int k = 1; k <= 3; ++k) {
        const auto requests = rig.sim->requests(1, k);
        ASSERT_EQ(requests.size(), 1u) << "reader " << k;
        EXPECT_EQ(requests[0].substr(0, 8), rig.prefix(k));
        EXPECT_EQ(requests[0][8], expected[k - 1]) << "reader " << k;
        EXPECT_EQ(requests[0].substr(9, 4), "0042");
    }
    // The readers' memories: only reader 2 holds the card, with the user's options.
    EXPECT_EQ(SimProcess::list(rig.sim->dump(1, 2).at("cards")), std::vector<std::string>{"0042:0110210"});
    EXPECT_TRUE(SimProcess::list(rig.sim->dump(1, 1).at("cards")).empty());
    EXPECT_TRUE(SimProcess::list(rig.sim->dump(1, 3).at("cards")).empty());
    cards->close();
}

TEST(MasterDataE2eTest, ARegisteredForeignCardIsGrantedOnline) {
    Rig rig(threeReaders(), false);
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0042";
    u.Cognome = "Bianchi";
    u.extra["Output1"] = true;
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    const std::string foreign = "9999888777"; // no card of this site: number 9999, site 888777

    // Before the registration the card is refused.
    rig.present(1, foreign);
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") == 1; }));
    rig.stopPolling();
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti WHERE Passaggio"), 0);

    // Registration: the card is presented at the third reader.
    QWidget* cards = openUsersForm(rig);
    ASSERT_NE(cards, nullptr);
    rig.sim->clearRequests(1, 3);
    rig.present(3, foreign);
    clickIn(*cards, "Command15");
    EXPECT_EQ(rig.op.messages().back().text,
              "Registrazione carta esterna OK !\r\nCarta registrata per Bianchi Mario (carta 0042).");
    EXPECT_EQ(rig.install.db()->query("SELECT Stringa FROM Carte WHERE NumeroCarta = '0042'").at(0).at(0),
              Value(foreign));
    EXPECT_EQ(rig.kRequests(3), std::vector<std::string>{rig.prefix(3) + "K000000000"});
    EXPECT_TRUE(rig.kRequests(2).empty());
    clickIn(*cards, "Command7");
    ASSERT_TRUE(rig.frm->isVisible());

    // Online, the same card is now granted at reader 1, whose site code it does not carry.
    rig.sim->clearRequests(1, 1);
    rig.present(1, foreign);
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") == 2; }));
    rig.stopPolling();
    const auto last = rig.install.db()->query(
        "SELECT NumeroBadge, Cognome, Passaggio FROM transiti ORDER BY rowid DESC LIMIT 1");
    EXPECT_EQ(last.at(0), (std::vector<Value>{"0042", "Bianchi", 1}));
    ASSERT_EQ(rig.kRequests(1).size(), 1u);
    EXPECT_EQ(rig.kRequests(1)[0].substr(8, 2), "K1");
}

} // namespace
} // namespace sentinex::e2e

namespace sentinex::e2e {
namespace {

/// Deleting a user who is inside takes them out of `presenti`, and the presence counter follows: in the
/// main window, in memory and in the settings file.
TEST(MasterDataE2eTest, DeletingAUserWhoIsInsideLowersThePresenceCounter) {
    Rig rig(threeReaders(), false, settingsText({{"Utenti", "2"}}));
    TestInstall::User inside;
    inside.NumeroCarta = "0042";
    rig.install.addUser(inside);
    TestInstall::User other;
    other.NumeroCarta = "0043";
    rig.install.addUser(other);
    rig.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0042'), ('0043')");
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.label("Label4"), "2");
    QWidget* cards = openUsersForm(rig);
    ASSERT_NE(cards, nullptr);
    rig.op.queueAnswer(Answer::Yes);
    clickIn(*cards, "Command5"); // the first user, 0042
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM Carte WHERE NumeroCarta = '0042'"), 0);
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti WHERE NumeroBadge = '0042'"), 0);
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM presenti WHERE NumeroBadge = '0043'"), 1);
    EXPECT_EQ(rig.session->settings().Utenti, 1);
    EXPECT_EQ(rig.utentiInFile(), "1");
    EXPECT_EQ(rig.label("Label4"), "1");
    clickIn(*cards, "Command7");
}

} // namespace
} // namespace sentinex::e2e
