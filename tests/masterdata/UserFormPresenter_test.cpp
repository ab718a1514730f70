#include "masterdata/UserFormPresenter.hpp"

#include "core/EventPump.hpp"
#include "core/ProfileFile.hpp"
#include "core/Settings.hpp"
#include "readers/AppState.hpp"
#include "store/Database.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "support/UserFormFixture.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;
using testing::UserFormFixture;
using Text = UserFormPresenter::Text;
using Flag = UserFormPresenter::Flag;

/// A pump that runs what a test puts in the queue of "window events", once.
class HookPump final : public EventPump {
public:
    void processEvents() override {
        auto pending = std::move(queued);
        queued.clear();
        for (auto& event : pending) {
            event();
        }
        if (each) {
            each();
        }
    }
    std::vector<std::function<void()>> queued;
    std::function<void()> each;
};

class UserFormPresenterTest : public UserFormFixture {
protected:
    UserFormPresenter& open() {
        p = std::make_unique<UserFormPresenter>(install.db(), op, settings, state, bus, pump);
        p->open();
        return *p;
    }
    Value users() { return install.db()->query("SELECT count(*) FROM Carte").at(0).at(0); }
    /// A new user typed with card `card`, then "Salva dati".
    void saveNew(const std::string& surname, const std::string& card) {
        p->newOrCancel();
        p->setText(Text::Surname, surname);
        p->setText(Text::CardNumber, card);
        p->modifyOrSave();
    }

    HookPump pump;
    std::unique_ptr<UserFormPresenter> p;
};

TEST_F(UserFormPresenterTest, EmptyTableThenANewUserWithTheDefaultsIsSavedPadded) {
    UserFormPresenter& f = open();
    UserFormView v = f.view();
    EXPECT_EQ(v.browse.counter, "0 Utenti");
    EXPECT_TRUE(v.noUser);
    EXPECT_FALSE(v.browse.modifyOrSave);
    EXPECT_FALSE(v.browse.remove);
    for (bool enabled : {v.info, v.associate, v.bands, v.search, v.upload, v.release, v.registerCard}) {
        EXPECT_FALSE(enabled);
    }
    EXPECT_TRUE(v.browse.navigate);
    EXPECT_TRUE(v.browse.exit);
    EXPECT_FALSE(v.framesOn);

    f.newOrCancel();
    v = f.view();
    EXPECT_EQ(v.browse.counter, "Nuovo...");
    EXPECT_EQ(v.browse.newOrCancelCaption, "Annulla");
    EXPECT_EQ(v.browse.modifyOrSaveCaption, "Salva dati");
    EXPECT_TRUE(v.browse.modifyOrSave);
    EXPECT_EQ(v.record, UserRecord::newUser());
    EXPECT_EQ(v.standAloneChoice, 0);
    EXPECT_TRUE(v.framesOn);
    EXPECT_TRUE(v.onlineFrameVisible);
    EXPECT_TRUE(v.associate);
    for (bool enabled : {v.browse.navigate, v.browse.remove, v.browse.exit, v.info, v.bands, v.search,
                         v.upload, v.release, v.registerCard}) {
        EXPECT_FALSE(enabled);
    }

    f.setText(Text::Surname, "Neri");
    f.setText(Text::CardNumber, "7");
    f.modifyOrSave();
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(op.waitShownCount, 1);
    EXPECT_FALSE(op.waitVisible);
    v = f.view();
    EXPECT_EQ(v.record.cardNumber, "0007");
    EXPECT_EQ(v.browse.counter, "1 / 1");
    EXPECT_EQ(v.browse.newOrCancelCaption, "Nuovo utente");
    EXPECT_EQ(v.browse.modifyOrSaveCaption, "Modifica utente");
    EXPECT_FALSE(f.editing());
    const auto rows =
        install.db()->query("SELECT Cognome, NumeroCarta, Imparziale, Lettore, Flag_online FROM Carte");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<Value>{"Neri", "0007", 0, std::string(64, '0'), 1}));
}

TEST_F(UserFormPresenterTest, ValidationMessagesInOrderKeepEditModeAndWhatWasTyped) {
    addBand("Turno A");
    addUser("Rossi", "0012");
    struct Case {
        const char* card;
        bool bandsApply;
        const char* band;
        const char* message;
        const char* cardShown;
    };
    const Case cases[] = {
        {"1a", false, "", "Errore nei dati. Controllare il numero carta.", "1a"},
        {"1 2", false, "", "Errore nei dati. Controllare il numero carta.", "1 2"},
        {"012", false, "", "Numero di carta già assegnato.", "012"},
        {"5", true, "", "Non è stato definito nessun turno per le fasce orarie.", "0005"},
        {"5", true, "Turno B", "Non è stato definito nessun turno per le fasce orarie.", "0005"},
    };
    UserFormPresenter& f = open();
    for (const auto& c : cases) {
        op.clear();
        f.newOrCancel();
        f.setText(Text::Surname, "Bianchi");
        f.setText(Text::CardNumber, c.card);
        f.setFlag(Flag::BandsApply, c.bandsApply);
        f.setText(Text::BandName, c.band);
        f.modifyOrSave();
        ASSERT_EQ(op.shown.size(), 1u) << c.card;
        EXPECT_EQ(op.shown[0].title, "Attenzione");
        EXPECT_EQ(op.shown[0].text, c.message) << c.card;
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(f.editing());
        EXPECT_EQ(f.view().record.cardNumber, c.cardShown) << c.card;
        EXPECT_EQ(f.view().record.surname, "Bianchi");
        EXPECT_EQ(f.view().browse.modifyOrSaveCaption, "Salva dati");
        f.newOrCancel();
    }
    EXPECT_EQ(users(), Value(1));

    // With "Abilita" cleared the same user saves and its band copy is unset.
    op.clear();
    saveNew("Bianchi", "5");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(f.view().browse.counter, "2 / 2");
    EXPECT_EQ(install.db()->query("SELECT Lun_1_da, Lunedi FROM Carte WHERE NumeroCarta = '0005'")[0],
              (std::vector<Value>{"##:##", 0}));
}

TEST_F(UserFormPresenterTest, ModifyKeepsItsOwnNumberCopiesTheBandAndKeepsTheHeldFlag) {
    addBand("Turno A");
    addUser("Rossi", "0012");
    const auto second = addUser("Verdi", "0020", {{"Imparziale", 1}});
    UserFormPresenter& f = open();
    f.next();
    EXPECT_EQ(f.view().browse.counter, "2 / 2");
    EXPECT_EQ(f.view().record.surname, "Verdi");
    f.modifyOrSave();
    EXPECT_EQ(f.view().browse.counter, "Modifica...");
    f.setText(Text::FirstName, "Luca");
    f.setFlag(Flag::BandsApply, true);
    f.setText(Text::BandName, "Turno A ");
    f.modifyOrSave();
    EXPECT_TRUE(op.shown.empty()) << op.shown.front().text;
    EXPECT_EQ(f.view().browse.counter, "2 / 2");
    EXPECT_EQ(stored(second, "Nome"), Value("Luca"));
    EXPECT_EQ(stored(second, "NomeFascia"), Value("Turno A"));
    EXPECT_EQ(stored(second, "Lun_1_da"), Value("08:00"));
    EXPECT_EQ(stored(second, "Imparziale"), Value(1));

    f.modifyOrSave();
    f.setText(Text::CardNumber, "12");
    f.modifyOrSave();
    EXPECT_EQ(op.last().text, "Numero di carta già assegnato.");
}

TEST_F(UserFormPresenterTest, BrowseModeTakesNoEdits) {
    const auto key = addUser("Rossi", "0012");
    UserFormPresenter& f = open();
    f.setText(Text::Surname, "Altro");
    f.setFlag(Flag::Online, false);
    f.chooseStandAloneBand(0);
    f.setReaderFlags({1});
    EXPECT_EQ(f.view().record.surname, "Rossi");
    EXPECT_TRUE(f.view().record.online);
    EXPECT_EQ(f.readerFlags()[0], 1); // as stored: all ones
    EXPECT_EQ(stored(key, "Cognome"), Value("Rossi"));
}

TEST_F(UserFormPresenterTest, CancelReturnsToTheUserShownBeforeAndNavigationStopsAtTheEnds) {
    addUser("Uno", "0001");
    addUser("Due", "0002", {{"Lettore", "010"}});
    addUser("Tre", "0003");
    UserFormPresenter& f = open();
    f.last();
    f.previous();
    EXPECT_EQ(f.view().browse.counter, "2 / 3");
    for (bool isNew : {true, false}) {
        isNew ? f.newOrCancel() : f.modifyOrSave();
        f.setText(Text::Surname, "Altro");
        f.setReaderFlags({1, 1, 1});
        f.first(); // navigation does nothing in edit mode
        f.newOrCancel();
        const UserFormView v = f.view();
        EXPECT_EQ(v.browse.counter, "2 / 3");
        EXPECT_EQ(v.record.surname, "Due");
        EXPECT_EQ(f.readerFlags()[0], 0);
        EXPECT_EQ(f.readerFlags()[1], 1);
        EXPECT_EQ(v.browse.newOrCancelCaption, "Nuovo utente");
        EXPECT_TRUE(v.browse.navigate && v.browse.remove && v.browse.exit && v.search && v.upload);
        EXPECT_FALSE(v.framesOn);
    }
    f.first();
    f.previous();
    EXPECT_EQ(f.view().browse.counter, "1 / 3");
    EXPECT_EQ(f.view().record.surname, "Uno");
    f.last();
    f.next();
    EXPECT_EQ(f.view().browse.counter, "3 / 3");
    EXPECT_EQ(f.view().record.surname, "Tre");
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(UserFormPresenterTest, DeleteAsksAndGoesDownToNoUsers) {
    addUser("Uno", "0001");
    addUser("Due", "0002");
    UserFormPresenter& f = open();
    f.last();
    op.queueAnswer(Answer::No);
    f.remove();
    EXPECT_EQ(op.last().text, "Sei sicuro di voler eliminare l'utente ?");
    EXPECT_EQ(op.last().title, "Domanda");
    EXPECT_EQ(f.view().browse.counter, "2 / 2");

    op.queueAnswer(Answer::Yes);
    f.remove();
    EXPECT_EQ(f.view().browse.counter, "1 / 1");
    EXPECT_EQ(f.view().record.surname, "Uno");
    op.queueAnswer(Answer::Yes);
    f.remove();
    const UserFormView v = f.view();
    EXPECT_EQ(v.browse.counter, "0 Utenti");
    EXPECT_TRUE(v.noUser);
    EXPECT_EQ(v.record.surname, "");
    EXPECT_FALSE(v.browse.modifyOrSave || v.browse.remove || v.associate || v.bands || v.search || v.upload ||
                 v.release || v.registerCard || v.info);
    EXPECT_TRUE(v.browse.newOrCancel && v.browse.navigate && v.browse.exit);
    EXPECT_EQ(users(), Value(0));
    op.clear();
    f.remove();
    EXPECT_EQ(op.last().text, "Non ci sono utenti nel database.");
    EXPECT_EQ(op.last().title, "Messaggio");
}

TEST_F(UserFormPresenterTest, DeletingAUserInsideRemovesThePresenceAndSaysHowMuch) {
    struct Case {
        const char* name;
        std::vector<std::string> inside; // presenti badges
        bool sameCardElsewhere;          // another user keeps the card number (an older file)
        int reported;                    // presence records the delete reports; 0: no report
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"inside", {"0042", " 0007 "}, false, 1, {"0042"}},
        {"outside", {"0042"}, false, 0, {"0042"}},
        {"another user keeps the card", {"0007"}, true, 0, {"0007"}},
    };
    for (const auto& c : cases) {
        install.db()->execute("DELETE FROM Carte");
        install.db()->execute("DELETE FROM presenti");
        for (const auto& badge : c.inside) {
            install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {badge});
        }
        addUser("Rossi", "0007");
        if (c.sameCardElsewhere) {
            install.db()->execute("INSERT INTO Carte (Cognome, NumeroCarta) VALUES ('Doppio', '0007')");
        }
        UserFormPresenter& f = open();
        std::vector<int> reports;
        f.setOnPresenceRemoved([&](int removed) { reports.push_back(removed); });
        op.queueAnswer(Answer::Yes);
        f.remove();
        EXPECT_EQ(op.texts(), std::vector<std::string>{"Sei sicuro di voler eliminare l'utente ?"}) << c.name;
        std::vector<std::string> left;
        for (const auto& row : install.db()->query("SELECT NumeroBadge FROM presenti ORDER BY NumeroBadge")) {
            left.push_back(row.at(0).toString());
        }
        EXPECT_EQ(left, c.left) << c.name;
        EXPECT_EQ(reports, c.reported ? std::vector<int>{c.reported} : std::vector<int>{}) << c.name;
        op.clear();
    }
}

TEST_F(UserFormPresenterTest, ASecondSaveQueuedWhileTheFirstRunsStoresNothingMore) {
    UserFormPresenter& f = open();
    int renders = 0;
    bool saveOffWhenPumped = false;
    f.setOnChange([&] { ++renders; });
    f.newOrCancel();
    f.setText(Text::CardNumber, "7");
    // The second click of a double click waits among the window's events until the save pumps them.
    pump.queued.push_back([&] {
        saveOffWhenPumped = !f.view().browse.modifyOrSave;
        f.modifyOrSave();
    });
    f.modifyOrSave();
    EXPECT_GE(renders, 1);
    EXPECT_TRUE(saveOffWhenPumped) << "the command is off before any event runs";
    EXPECT_EQ(users(), Value(1));
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(f.view().browse.counter, "1 / 1");
}

TEST_F(UserFormPresenterTest, TheCardIsCheckedAgainInsideTheSavesTransaction) {
    UserFormPresenter& f = open();
    f.newOrCancel();
    f.setText(Text::Surname, "Secondo");
    f.setText(Text::CardNumber, "7");
    // Another save of the same card lands between the validation and this save's write.
    pump.queued.push_back([&] { addUser("Primo", "0007"); });
    f.modifyOrSave();
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Numero di carta già assegnato."});
    EXPECT_EQ(op.last().title, "Attenzione");
    EXPECT_FALSE(op.waitVisible);
    EXPECT_EQ(users(), Value(1));
    EXPECT_TRUE(f.editing());
    EXPECT_EQ(f.view().record.surname, "Secondo");
}

TEST_F(UserFormPresenterTest, StandAloneChoicesFollowTheSettings) {
    addUser("Uno", "0001", {{"Flag_online", 0}, {"SceltaFascia", 2}});
    struct Case {
        bool fasceOrarie;
        bool defined[3];
        std::array<bool, 3> available;
    };
    const Case cases[] = {
        {false, {true, true, true}, {false, false, false}},
        {true, {true, true, true}, {true, true, true}},
        {true, {false, true, false}, {false, true, false}},
    };
    for (const auto& c : cases) {
        settings.FasceOrarie = c.fasceOrarie;
        std::copy(std::begin(c.defined), std::end(c.defined), settings.bandDefined);
        UserFormPresenter& f = open();
        EXPECT_EQ(f.view().standAloneChoice, 2); // shown even when it cannot be chosen now
        EXPECT_FALSE(f.view().onlineFrameVisible);
        EXPECT_EQ(f.view().standAloneAvailable, c.available);
        f.modifyOrSave();
        f.chooseStandAloneBand(1);
        EXPECT_EQ(f.view().standAloneChoice, c.available[0] ? 1 : 2);
        f.chooseStandAloneBand(0);
        EXPECT_EQ(f.view().standAloneChoice, 0);
        f.newOrCancel();
    }
}

TEST_F(UserFormPresenterTest, OnLineAndAbilitaDecideTheBandFramesAndFasceOrarie) {
    addUser("Uno", "0001");
    UserFormPresenter& f = open();
    f.modifyOrSave();
    EXPECT_TRUE(f.view().onlineFrameVisible);
    EXPECT_FALSE(f.view().bands); // online without "Abilita"
    f.setFlag(Flag::Online, false);
    EXPECT_FALSE(f.view().onlineFrameVisible);
    EXPECT_TRUE(f.view().bands);
    f.setFlag(Flag::Online, true);
    f.setFlag(Flag::BandsApply, true);
    EXPECT_TRUE(f.view().bands);
    EXPECT_TRUE(f.view().bandChooserEnabled);
    f.setFlag(Flag::BandsApply, true); // the same value again changes nothing
    EXPECT_TRUE(f.view().bands);
}

TEST_F(UserFormPresenterTest, UploadSendsTheShownOptionsAndTheStoredRules) {
    addUser("Uno", "0123", {{"Flag_online", 0}, {"Lettore", "010"}, {"SceltaFascia", 2}, {"Output2", 0}});
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    UserFormPresenter& f = open();
    bool offDuringRun = false;
    bus.duringExchange([&] { offDuringRun = f.busy() && !f.view().upload && !f.view().browse.exit; });
    f.upload();
    ASSERT_EQ(bus.payloads().size(), 3u);
    EXPECT_EQ(bus.payloads()[0].substr(8), "C0123");
    EXPECT_EQ(bus.payloads()[1].substr(8), "B01230111210"); // Or, Non contr., 2 On, 1 On, Fascia 2, Porta 1
    EXPECT_EQ(bus.payloads()[2].substr(8), "C0123");
    EXPECT_TRUE(offDuringRun);
    EXPECT_EQ(op.last().text, "Programmazione della carta effettuata.");
    EXPECT_FALSE(op.waitVisible);
    EXPECT_TRUE(f.view().upload);

    op.clear();
    bus.clear();
    state.pollingOn = true;
    f.upload();
    EXPECT_TRUE(bus.payloads().empty());
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Disabilitare prima il polling."});
}

TEST_F(UserFormPresenterTest, ReleaseClearsTheHeldUserOnce) {
    settings.Imparziale = true;
    const auto key = addUser("Uno", "0001", {{"Imparziale", 1}});
    UserFormPresenter& f = open();
    op.queueAnswer(Answer::Yes);
    f.release();
    EXPECT_EQ(op.last().text, "Utente riabilitato.");
    EXPECT_EQ(stored(key, "Imparziale"), Value(0));
    f.release();
    EXPECT_EQ(op.last().text, "L'utente non è stato scelto per l'imparziale.");
}

TEST_F(UserFormPresenterTest, TheAssociationFlagsReachLettoreOnlyWithSalvaDati) {
    const char* places[] = {"INGRESSO", "UFFICI", "MAGAZZIN"};
    UserFormPresenter& f = open();
    EXPECT_EQ(f.readerAssociation(), std::nullopt);
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Non ci sono lettori memorizzati nel database."});
    EXPECT_EQ(op.last().title, "Attenzione");
    for (int k = 0; k < 3; ++k) {
        TestInstall::Reader r;
        r.NumeroIndirizzo = k + 1;
        r.SituatoPresso = places[k];
        install.addReader(r);
    }
    const auto key = addUser("Uno", "0001", {{"Lettore", "100"}});
    UserFormPresenter& g = open();
    const auto locations = g.readerAssociation();
    ASSERT_TRUE(locations);
    EXPECT_EQ(locations->size(), 3u);
    EXPECT_EQ(locations->at(1), "UFFICI  "); // as stored, eight characters
    for (bool save : {false, true}) {
        g.modifyOrSave();
        g.setReaderFlags({0, 0, 1});
        EXPECT_EQ(stored(key, "Lettore"), Value("100")) << "nothing written before the save";
        save ? g.modifyOrSave() : g.newOrCancel();
    }
    EXPECT_EQ(stored(key, "Lettore"), Value("001" + std::string(61, '0')));
}

TEST_F(UserFormPresenterTest, FasceOrarieChoosesTheViewerOrSaysWhy) {
    addUser("Offline", "0001", {{"Flag_online", 0}, {"SceltaFascia", 2}});
    addUser("Turnista", "0002", {{"Flag_fasce", 1}, {"NomeFascia", "Turno A"}});
    addBand("Turno A");
    UserFormPresenter& f = open();
    auto viewer = f.bandViewer();
    EXPECT_EQ(viewer.kind, UserFormPresenter::BandViewer::Kind::StandAlone);
    EXPECT_EQ(viewer.chosen, 2);

    f.next();
    viewer = f.bandViewer();
    ASSERT_EQ(viewer.kind, UserFormPresenter::BandViewer::Kind::Online);
    EXPECT_EQ(viewer.band.name, "Turno A");
    EXPECT_EQ(viewer.band.band.times[0], "08:00");
    EXPECT_EQ(viewer.cardNumber, "0002");
    EXPECT_EQ(op.waitShownCount, 1);
    EXPECT_FALSE(op.waitVisible);
    EXPECT_TRUE(op.shown.empty());

    install.db()->execute("DELETE FROM Fasce");
    EXPECT_EQ(f.bandViewer().kind, UserFormPresenter::BandViewer::Kind::None);
    EXPECT_EQ(op.last().text, "Il turno definito nelle fasce orarie non esiste.");
    f.modifyOrSave();
    f.setText(Text::BandName, "  ");
    EXPECT_EQ(f.bandViewer().kind, UserFormPresenter::BandViewer::Kind::None);
    EXPECT_EQ(op.last().text, "Non è stato inserito nessun turno.");
    EXPECT_EQ(op.last().title, "Attenzione");
}

TEST_F(UserFormPresenterTest, SearchFindsByNumericCardNumberOrExactSurname) {
    addUser("Verdi", "0001");
    addUser("Rossi", "0012");
    addUser("Bianchi", "0030");
    UserFormPresenter& f = open();
    f.last();
    struct Case {
        CardSearch::Field field;
        const char* typed;
        const char* landsOn;
        const char* counter;
        bool notFound;
    };
    const Case cases[] = {
        {CardSearch::Field::CardNumber, "12", "Rossi", "2 / 3", false},
        {CardSearch::Field::CardNumber, "0012", "Rossi", "2 / 3", true}, // stays where it was
        {CardSearch::Field::CardNumber, "012", "Rossi", "2 / 3", true},
        {CardSearch::Field::Surname, "Verdi", "Verdi", "1 / 3", false},
        {CardSearch::Field::Surname, "bianchi", "Verdi", "1 / 3", true},
        {CardSearch::Field::CardNumber, "30", "Bianchi", "3 / 3", false},
    };
    for (const auto& c : cases) {
        op.clear();
        f.search(c.field, c.typed);
        EXPECT_EQ(f.view().record.surname, c.landsOn) << c.typed;
        EXPECT_EQ(f.view().browse.counter, c.counter) << c.typed;
        if (c.notFound) {
            EXPECT_EQ(op.texts(), std::vector<std::string>{"Nessun record trovato."}) << c.typed;
            EXPECT_EQ(op.last().title, "Messaggio");
        } else {
            EXPECT_TRUE(op.shown.empty()) << c.typed;
        }
    }
}

class UserFormRegistrationTest : public UserFormPresenterTest {
protected:
    /// Readers 1 and 2 answer without a card; reader 3 has one from its `cardAfter`-th poll on.
    void cardAtThirdReader(int cardAfter) {
        bus.respond([this, cardAfter](const std::string& payload, Timing) -> std::string {
            if (payload.size() == 9 && payload[8] == 'D' && payload.substr(0, 2) == "03" &&
                ++thirdPolls >= cardAfter) {
                return OnlineFakeBus::cardReply("EXT0042");
            }
            return OnlineFakeBus::codeReply('S');
        });
    }
    int thirdPolls = 0;
};

TEST_F(UserFormRegistrationTest, CapturesFromTheThirdReaderUnderTheWaitForm) {
    const auto key = addUser("Uno", "0001");
    cardAtThirdReader(2);
    UserFormPresenter& f = open();
    UserFormView during;
    bool waitUp = false;
    bus.duringExchange([&] {
        during = f.view();
        waitUp = op.waitVisible;
    });
    f.registerCard();
    EXPECT_EQ(during.registerCaption, "Fine passaggio carta esterna");
    EXPECT_TRUE(waitUp);
    EXPECT_TRUE(during.busy);
    EXPECT_TRUE(during.registerCard);
    EXPECT_FALSE(during.browse.exit || during.browse.modifyOrSave || during.browse.newOrCancel ||
                 during.browse.navigate || during.upload || during.search || during.associate);
    EXPECT_EQ(stored(key, "Stringa"), Value("EXT0042"));
    EXPECT_EQ(op.texts(),
              (std::vector<std::string>{
                  "Ora bisogna passare la carta su uno qualunque dei lettori presenti nella rete.",
                  "Registrazione carta esterna OK !\r\nCarta registrata per Uno Mario (carta 0001)."}));
    EXPECT_EQ(bus.payloads().back().substr(0, 2), "03");
    EXPECT_EQ(bus.payloads().back().substr(8), "K000000000");
    EXPECT_EQ(bus.payloads().size(), 7u); // two rounds of three polls, then the acknowledgement
    const UserFormView after = f.view();
    EXPECT_EQ(after.registerCaption, "Registra carta esterna");
    EXPECT_FALSE(f.registering());
    EXPECT_FALSE(op.waitVisible);
    EXPECT_TRUE(after.browse.exit && after.browse.modifyOrSave && after.upload && after.registerCard);
}

TEST_F(UserFormRegistrationTest, TheButtonOrTheWaitFormsAnnullaEndsTheWaitWithoutWriting) {
    for (bool viaWaitForm : {false, true}) {
        install.db()->execute("DELETE FROM Carte");
        const auto key = addUser("Uno", "0001");
        bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
        UserFormPresenter& f = open();
        op.clear();
        int exchanges = 0;
        if (viaWaitForm) {
            op.cancelWaitAfter = 5;
            op.waitCancelChecks = 0;
        }
        bus.duringExchange([&] {
            if (++exchanges == 5 && !viaWaitForm) {
                f.registerCard(); // the second press
            }
        });
        f.registerCard();
        EXPECT_EQ(exchanges, viaWaitForm ? 4 : 5);
        EXPECT_EQ(op.last().text, "Nessuna carta è stata passata.");
        EXPECT_EQ(stored(key, "Stringa"), Value());
        EXPECT_EQ(f.view().registerCaption, "Registra carta esterna");
        EXPECT_FALSE(op.waitVisible);
        bus.duringExchange(nullptr);
        op.cancelWaitAfter = 0;
    }
}

TEST_F(UserFormRegistrationTest, RefusedForAnOfflineUserBeforeAnyReader) {
    addUser("Uno", "0001", {{"Flag_online", 0}});
    UserFormPresenter& f = open();
    f.registerCard();
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Opzione valida solo con l'On Line"});
    EXPECT_TRUE(bus.payloads().empty());
    EXPECT_FALSE(f.registering());
}

/// Another program holds the database: the file in rollback-journal mode, so that its exclusive lock
/// keeps readers out as well as writers.
class LockedDatabase {
public:
    explicit LockedDatabase(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~LockedDatabase() {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }
    LockedDatabase(const LockedDatabase&) = delete;
    LockedDatabase& operator=(const LockedDatabase&) = delete;

private:
    sqlite3* m_db = nullptr;
};

TEST_F(UserFormPresenterTest, EveryStoreActionOnALockedDatabaseShowsOneErrorAndTheFormGoesOn) {
    using Step = std::function<void(UserFormPresenter&)>;
    struct Case {
        const char* action;
        Step prepare;             // before the lock
        Step act;                 // under the lock
        Step then;                // once the lock is gone: the form is used again
        const char* counterAfter; // and stands here
    };
    const Step again = nullptr;
    const Case cases[] = {
        {"open", nullptr, [](UserFormPresenter& f) { f.open(); }, again, "1 / 2"},
        {"next", nullptr, [](UserFormPresenter& f) { f.next(); }, again, "2 / 2"},
        {"last", nullptr, [](UserFormPresenter& f) { f.last(); }, again, "2 / 2"},
        {"cancel", [](UserFormPresenter& f) { f.newOrCancel(); },
         [](UserFormPresenter& f) { f.newOrCancel(); }, [](UserFormPresenter& f) { f.next(); }, "1 / 2"},
        {"save",
         [](UserFormPresenter& f) {
             f.newOrCancel();
             f.setText(Text::CardNumber, "9");
         },
         [](UserFormPresenter& f) { f.modifyOrSave(); }, again, "3 / 3"},
        {"delete", nullptr, [](UserFormPresenter& f) { f.remove(); }, again, "1 / 1"},
        {"search", nullptr, [](UserFormPresenter& f) { f.search(CardSearch::Field::Surname, "Due"); }, again,
         "2 / 2"},
        {"upload", [](UserFormPresenter& f) { f.last(); }, [](UserFormPresenter& f) { f.upload(); }, again,
         "3 / 3"},
        {"associate", nullptr, [](UserFormPresenter& f) { f.readerAssociation(); }, again, "1 / 2"},
    };
    std::vector<ReaderEntry> one(1);
    one[0].address = 1;
    state.readers.setEntries(one);
    bus.respond([](const std::string&, Timing) { return OnlineFakeBus::codeReply('S'); });
    install.db()->executeScript("PRAGMA journal_mode=DELETE");
    install.db()->setBusyTimeout(0);
    for (const auto& c : cases) {
        const std::string action = c.action;
        install.db()->execute("DELETE FROM Carte");
        addUser("Uno", "0001");
        addUser("Due", "0002");
        if (action == "upload") {
            addUser("Tre", "0003", {{"Flag_online", 0}});
        }
        UserFormPresenter& f = open();
        if (c.prepare) {
            c.prepare(f);
        }
        op.clear();
        op.queueAnswer(Answer::Yes); // the delete's question
        {
            LockedDatabase other(install.folder().database());
            EXPECT_NO_THROW(c.act(f)) << action;
        }
        const std::size_t asked = action == "delete" ? 1 : 0;
        ASSERT_EQ(op.shown.size(), asked + 1) << action;
        EXPECT_EQ(op.last().title, "Errore") << action;
        EXPECT_NE(op.last().text.find("locked"), std::string::npos) << action << ": " << op.last().text;
        EXPECT_FALSE(op.waitVisible) << action;
        EXPECT_FALSE(f.busy()) << action;

        op.clear();
        op.queueAnswer(Answer::Yes);
        (c.then ? c.then : c.act)(f);
        EXPECT_EQ(f.view().browse.counter, c.counterAfter) << action;
        for (const auto& shown : op.shown) {
            EXPECT_NE(shown.title, "Errore") << action << ": " << shown.text;
        }
    }
}

} // namespace
} // namespace sentinex
