#include "support/OnlineHarness.hpp"

#include "online/AccessDecision.hpp"
#include "online/CardRecord.hpp"
#include "online/PresenceTable.hpp"
#include "online/StepContext.hpp"
#include "online/StoreFailureNotice.hpp"
#include "online/TransitLog.hpp"
#include "readers/ReaderOps.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace sentinex {
namespace {

using testing::OnlineHarness;
using testing::TestInstall;

const std::string Monday10 = "\r\n05/01/2026 10:00:00";
const std::string Card1 = "0001000123"; // card 0001, site 000123 at the default reader positions

struct ChainCase {
    const char* name;
    std::function<void(TestInstall::User&)> user;
    std::function<void(TestInstall::Reader&)> reader;
    std::function<void(OnlineHarness&)> before;
    char in1;
    char in2;
    std::string message; // after "Carta 0001"
    std::string nota;
};

TEST(AccessDecisionTest, EachCheckRefusesWithItsMessageCodeAndNota) {
    auto none = [](auto&) {};
    const ChainCase cases[] = {
        {"disabled", [](auto& u) { u.AbilitaCarta = false; }, none, none, '0', '0',
         " non abilitata  " + Monday10, ""},
        {"not on reader", [](auto& u) { u.Lettore = "0" + std::string(63, '1'); }, none, none, '0', '0',
         " non abilitata sul lettore 1 situato presso Ingresso", "Non abilitato sul lettore"},
        {"Lettore too short", [](auto& u) { u.Lettore = ""; }, none, none, '0', '0',
         " non abilitata sul lettore 1 situato presso Ingresso", "Non abilitato sul lettore"},
        {"Lettore not a digit", [](auto& u) { u.Lettore = "x1"; }, none, none, '0', '0',
         " non abilitata sul lettore 1 situato presso Ingresso", "Non abilitato sul lettore"},
        {"not online", [](auto& u) { u.Flag_online = false; }, none, none, '0', '0',
         " non abilitata all'On-Line " + Monday10, "Non abilitato all' online"},
        {"inspection", [](auto& u) { u.extra["Imparziale"] = Value(true); },
         [](auto& r) { r.SituatoPresso = " #Atrio"; }, [](OnlineHarness& h) { h.settings.Imparziale = true; },
         '0', '0', " accesso negato (imparziale attivo) " + Monday10, "Blocco da imparziale"},
        {"anti-passback entrance", none, none,
         [](OnlineHarness& h) {
             h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (' 0001 ')");
         },
         '0', '0', " - Accesso negato (antipass-back on) " + Monday10, "Blocco per anti pass back"},
        {"anti-passback exit", none, [](auto& r) { r.Stato = "Out"; }, none, '0', '0',
         " - Accesso negato (antipass-back on) " + Monday10, "Blocco per anti pass back"},
        {"inputs",
         [](auto& u) {
             u.extra["ControllaInput"] = Value(true);
             u.extra["MetodoInput"] = Value(true);
         },
         none, none, '1', '0', " - Input non validi - Accesso negato" + Monday10,
         "Blocco per input non valido"},
        {"day not enabled",
         [](auto& u) {
             u.extra["Flag_fasce"] = Value(true);
             u.extra["Martedi"] = Value(true);
         },
         none, none, '0', '0', " - Accesso negato - Giorno non abilitato (Lunedì)" + Monday10,
         "Fuori fascia"},
        {"outside the band",
         [](auto& u) {
             u.extra["Flag_fasce"] = Value(true);
             u.extra["Lunedi"] = Value(true);
             u.extra["Lun_1_da"] = Value("08:00");
             u.extra["Lun_1_a"] = Value("09:59");
         },
         none, none, '0', '0', " - Accesso negato - Fuori fascia oraria (Lunedì)" + Monday10, "Fuori fascia"},
        {"entry limit", none, none,
         [](OnlineHarness& h) {
             h.settings.FlagMassimoNumeroIngressi = true;
             h.settings.MassimoNumeroIngressi = 3;
             h.settings.Utenti = 3;
         },
         '0', '0', " - Accesso negato - Limite ingressi raggiunto", "Bloco per numero massimo"},
        // The first failing check decides: disabled and outside its bands is "non abilitata".
        {"first failure wins",
         [](auto& u) {
             u.AbilitaCarta = false;
             u.Flag_online = false;
             u.extra["Flag_fasce"] = Value(true);
         },
         none, none, '0', '0', " non abilitata  " + Monday10, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OnlineHarness h;
        h.settings.Beep = false;
        TestInstall::Reader r;
        c.reader(r);
        h.addReader(r);
        TestInstall::User u;
        c.user(u);
        h.addUser(u);
        c.before(h);
        h.present(1, OnlineHarness::card(Card1, c.in1, c.in2));

        EXPECT_EQ(h.view.lastEvent(), "Carta 0001" + c.message);
        EXPECT_EQ(h.view.lastLamps(), LampColour::Red);
        ASSERT_EQ(h.payloads().size(), 2u);
        EXPECT_EQ(h.payloads()[1], "01000123K000000000");
        const auto t = h.transits();
        ASSERT_EQ(t.size(), 1u);
        EXPECT_EQ(t[0].at("NumeroBadge").toString(), "0001");
        EXPECT_EQ(t[0].at("Cognome").toString(), "Rossi");
        EXPECT_EQ(t[0].at("Nome").toString(), "Mario");
        EXPECT_EQ(t[0].at("Passaggio").toInt(), 0);
        EXPECT_EQ(t[0].at("nota").toString(), c.nota);
        EXPECT_EQ(t[0].at("PosizioneLettore").toString().size(), 8u);
    }
}

TEST(AccessDecisionTest, InspectionOnlyAtMarkedReadersWhileTheSwitchIsOn) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.settings.Imparziale = true;
    TestInstall::Reader plain;
    plain.SituatoPresso = "Atrio";
    plain.Stato = "InOut";
    h.addReader(plain);
    TestInstall::Reader marked = plain;
    marked.SituatoPresso = "#Atrio";
    h.addReader(marked);
    TestInstall::User u;
    u.extra["Imparziale"] = Value(true);
    h.addUser(u);

    h.present(1, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    h.present(2, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 accesso negato (imparziale attivo) " + Monday10);
    h.settings.Imparziale = false;
    h.present(2, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
}

TEST(AccessDecisionTest, InputCombinations) {
    struct Case {
        bool controlla, metodoAnd, req1, req2;
        int in1, in2;
        bool pass;
    };
    const Case cases[] = {
        // "Or": one suffices; fails only when both differ.
        {true, false, true, false, 0, 0, true},
        {true, false, true, false, 0, 1, false},
        {true, false, true, false, 1, 1, true},
        {true, false, true, false, 1, 0, true},
        // "And": both must hold.
        {true, true, true, false, 1, 0, true},
        {true, true, true, false, 0, 0, false},
        {true, true, true, false, 1, 1, false},
        {true, true, true, false, 0, 1, false},
        // Not checked: anything passes.
        {false, true, true, true, 0, 0, true},
    };
    for (const auto& c : cases) {
        CardRecord card;
        card.ControllaInput = Value(c.controlla);
        card.MetodoInput = Value(c.metodoAnd);
        card.Input1 = Value(c.req1);
        card.Input2 = Value(c.req2);
        EXPECT_EQ(AccessDecision::inputsPass(card, c.in1, c.in2), c.pass)
            << c.controlla << c.metodoAnd << c.req1 << c.req2 << " " << c.in1 << c.in2;
    }
    // Null switches are off; a Null required state means "off".
    CardRecord nulls;
    EXPECT_TRUE(AccessDecision::inputsPass(nulls, 1, 1));
    nulls.ControllaInput = Value(true);
    EXPECT_TRUE(AccessDecision::inputsPass(nulls, 1, 0)); // Or: input 2 off matches
    EXPECT_FALSE(AccessDecision::inputsPass(nulls, 1, 1));
}

TEST(AccessDecisionTest, InputStatesComeFromTheReply) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.addReader({});
    TestInstall::User u;
    u.extra["ControllaInput"] = Value(true);
    u.extra["MetodoInput"] = Value(false);
    u.extra["Input1"] = Value(true);
    u.extra["Input2"] = Value(false);
    u.extra["Flag_fasce"] = Value(false);
    h.addUser(u);
    h.present(1, OnlineHarness::card(Card1, '0', '1'));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Input non validi - Accesso negato" + Monday10);
    h.present(1, OnlineHarness::card(Card1, '0', '0'));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
}

TEST(AccessDecisionTest, GrantCommandCarriesTheOutputsAndIsConfirmedBeforeAnythingIsRecorded) {
    const std::pair<std::pair<bool, bool>, const char*> outputs[] = {
        {{true, true}, "01000123K110001001"},
        {{true, false}, "01000123K110001000"},
        {{false, true}, "01000123K100001001"},
        {{false, false}, "01000123K100001000"},
    };
    for (const auto& [o, payload] : outputs) {
        OnlineHarness h;
        h.addReader({});
        TestInstall::User u;
        u.extra["Output1"] = Value(o.first);
        u.extra["Output2"] = Value(o.second);
        h.addUser(u);
        h.present(1, OnlineHarness::card(Card1));
        ASSERT_EQ(h.bus.sent().size(), 2u);
        EXPECT_EQ(h.bus.sent()[1].payload, payload);
        EXPECT_EQ(h.bus.sent()[1].timing, Timing::Command);
        EXPECT_EQ(h.clock.pausedMs, 20); // 10 ms before the poll, 10 ms before the grant
        EXPECT_EQ(h.view.lastLamps(), LampColour::Green);
        EXPECT_EQ(h.view.presence, std::vector<std::string>{"1"});
    }
}

TEST(AccessDecisionTest, GrantGoesToTheLoopOfTheCardsReaderWhateverRanBeforeIt) {
    // A manual unlock of a reader on another loop, asked while the step waits before the grant, runs
    // at once on the idle bus and moves the current loop.
    OnlineHarness h;
    TestInstall::Reader here;
    here.NumeroLoop = 1;
    h.addReader(here);
    TestInstall::Reader elsewhere;
    elsewhere.NumeroLoop = 2;
    h.addReader(elsewhere);
    h.addUser({});
    bool unlocked = false;
    h.pump.hook = [&] {
        if (!unlocked && h.bus.sent().size() == 1) {
            unlocked = true;
            ReaderOps::unlockReader(h.bus, h.state.readers, 1, h.settings);
        }
    };
    h.present(1, OnlineHarness::card(Card1));
    ASSERT_TRUE(unlocked);
    ASSERT_EQ(h.bus.sent().size(), 3u);
    EXPECT_EQ(h.bus.sent()[1].loop, 2); // the unlock
    EXPECT_EQ(h.bus.sent()[2].payload, "01000123K110001001");
    EXPECT_EQ(h.bus.sent()[2].loop, 1);
}

TEST(AccessDecisionTest, AStoreFailureDuringThePresenceCheckStopsNothing) {
    // The exit cannot be booked (the table refuses the removal): no box waits for the operator, the
    // refusal that follows goes out at once to the card's reader, and the failure is on the status line.
    OnlineHarness h;
    h.settings.Beep = false;
    TestInstall::Reader exit;
    exit.NumeroLoop = 1;
    exit.Stato = "Out";
    h.addReader(exit);
    TestInstall::Reader elsewhere;
    elsewhere.NumeroLoop = 2;
    h.addReader(elsewhere);
    h.install.db()->executeScript("INSERT INTO presenti (NumeroBadge) VALUES ('0001');"
                                  "CREATE TRIGGER locked BEFORE DELETE ON presenti "
                                  "BEGIN SELECT RAISE(ABORT, 'database is locked'); END;");
    testing::DecisionParts parts(h.environment());
    CardRecord card;
    card.NumeroCarta = "0001";
    card.Lettore = "1";
    card.Flag_fasce = Value(true);
    card.dayFlag[1] = Value(false); // Monday not enabled: refused after the presence check
    parts.decision.decide(StepContext::forReader(1, h.state.readers.entry(0)), card, 0, 0);

    EXPECT_TRUE(h.op.shown.empty());
    ASSERT_EQ(h.bus.sent().size(), 1u);
    EXPECT_EQ(h.bus.sent()[0].payload, "01000123K000000000");
    EXPECT_EQ(h.bus.sent()[0].loop, 1);
    ASSERT_FALSE(h.view.status.empty());
    EXPECT_EQ(h.view.status.front(), StoreFailureNotice::text("database is locked"));
    EXPECT_EQ(h.inside(), std::vector<std::string>{"0001"}); // table and counter as they were
}

TEST(AccessDecisionTest, UnconfirmedGrantIsRecordedButNotCountedAsAPassage) {
    // Whatever came back instead of "S", the reader heard a command that opens the door.
    for (const std::string& reply :
         {OnlineFakeBus::codeReply('C'), OnlineFakeBus::codeReply('D'), std::string(),
          std::string("\x02"
                      "01")}) {
        SCOPED_TRACE(reply);
        OnlineHarness h;
        h.addReader({});
        h.addUser({});
        h.present(1, OnlineHarness::card(Card1), {reply});
        EXPECT_EQ(h.view.lastEvent(),
                  "Errore di comunicazione col lettore. " + reply + " Impossibile consentire passaggio");
        EXPECT_TRUE(h.view.lamps.empty());
        EXPECT_TRUE(h.view.presence.empty());
        const auto t = h.transits();
        ASSERT_EQ(t.size(), 1u);
        EXPECT_EQ(t[0].at("NumeroBadge").toString(), "0001");
        EXPECT_EQ(t[0].at("nota").toString(), "Esito non confermato");
        EXPECT_EQ(t[0].at("Passaggio").toInt(), 0);
        // Not inside: a person whose door did not open can present the card again.
        EXPECT_TRUE(h.inside().empty());
        EXPECT_EQ(h.settings.Utenti, 0);
        ASSERT_FALSE(h.view.status.empty());
        EXPECT_NE(h.view.status.back().find("1 passaggio con esito non confermato"), std::string::npos);

        h.present(1, OnlineHarness::card(Card1), {reply});
        EXPECT_EQ(h.transits().size(), 2u);
        EXPECT_NE(h.view.status.back().find("2 passaggi con esito non confermato"), std::string::npos);
        h.present(1, OnlineHarness::card(Card1)); // confirmed this time
        EXPECT_EQ(h.inside(), std::vector<std::string>{"0001"});
        EXPECT_EQ(h.settings.Utenti, 1);
    }
}

TEST(AccessDecisionTest, UnconfirmedExitStaysBookedWithItsRecord) {
    OnlineHarness h;
    TestInstall::Reader out;
    out.Stato = "Out";
    h.addReader(out);
    h.addUser({});
    h.present(1, OnlineHarness::card(Card1)); // "Out" reader: refused, nobody inside
    ASSERT_TRUE(h.inside().empty());
    h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {std::string("0001")});
    h.settings.Utenti = 1;
    h.present(1, OnlineHarness::card(Card1), {std::string()});
    const auto t = h.transits();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].at("nota").toString(), "Esito non confermato");
    // The exit was booked by the anti-passback check before the command, as a later refusal keeps it.
    EXPECT_TRUE(h.inside().empty());
    EXPECT_EQ(h.settings.Utenti, 0);
}

TEST(AccessDecisionTest, NullFlagsFollowTheirOwnRule) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.settings.Imparziale = true;
    TestInstall::Reader r;
    r.SituatoPresso = "#Hall";
    r.Stato = "InOut";
    h.addReader(r);
    testing::DecisionParts parts(h.environment());
    AccessDecision& decision = parts.decision;
    const StepContext ctx = StepContext::forReader(1, h.state.readers.entry(0));

    // All flags Null: enabled (steps 1, 3), switches off (4, 6, 7), outputs off.
    CardRecord card;
    card.NumeroCarta = "0001";
    card.Cognome = "Null";
    card.Nome = "Flags";
    card.Lettore = "1";
    card.Flag_fasce = Value();
    decision.decide(ctx, card, 1, 1);
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Null Flags" + Monday10);
    EXPECT_EQ(h.payloads().back(), "01000123K100001000");

    // A stored False in step 1 or 3 refuses.
    card.Flag_online = Value(false);
    decision.decide(ctx, card, 1, 1);
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 non abilitata all'On-Line " + Monday10);
}

TEST(AccessDecisionTest, EntryLimitCountsEntrancesOnly) {
    OnlineHarness h;
    h.settings.Beep = false;
    h.settings.FlagMassimoNumeroIngressi = true;
    h.settings.MassimoNumeroIngressi = 10;
    h.settings.Utenti = 9;
    h.addReader({}); // 1: In
    TestInstall::Reader out;
    out.Stato = "Out";
    h.addReader(out); // 2: Out
    TestInstall::Reader both;
    both.Stato = "InOut";
    h.addReader(both); // 3: InOut
    for (const char* n : {"0001", "0002"}) {
        TestInstall::User u;
        u.NumeroCarta = n;
        h.addUser(u);
    }
    h.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0002')");

    // The 10th person enters while the counter shows 9.
    h.present(1, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    EXPECT_EQ(h.settings.Utenti, 10);
    // At 10 the next entrance is refused ...
    h.present(1, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso negato (antipass-back on) " + Monday10);
    h.install.db()->execute("DELETE FROM presenti WHERE NumeroBadge = '0001'");
    h.present(1, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso negato - Limite ingressi raggiunto");
    // ... a reader of neither direction is not limited ...
    h.present(3, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    // ... and exits still pass.
    h.present(2, OnlineHarness::card("0002000123"));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0002 - Accesso consentito - Rossi Mario" + Monday10);
    EXPECT_EQ(h.settings.Utenti, 9);
}

TEST(AccessDecisionTest, EntryLimitIsTakenFromItsSourceAtEveryCard) {
    OnlineHarness h;
    h.settings.Beep = false;
    EntryLimit edits{true, 1};
    int asked = 0;
    h.rebuild([&] {
        ++asked;
        return edits;
    });
    h.addReader({});
    h.addUser({});
    h.settings.Utenti = 1; // saved limit is off; the dialog's unsaved edits say 1
    h.present(1, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso negato - Limite ingressi raggiunto");
    edits = {true, 2};
    h.present(1, OnlineHarness::card(Card1));
    EXPECT_EQ(h.view.lastEvent(), "Carta 0001 - Accesso consentito - Rossi Mario" + Monday10);
    EXPECT_EQ(asked, 2);
}

} // namespace
} // namespace sentinex
