#include "masterdata/BandFormPresenter.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

class BandFormPresenterTest : public ::testing::Test {
public:
    BandFormPresenter& open() {
        presenter = std::make_unique<BandFormPresenter>(install.db(), op);
        presenter->open();
        return *presenter;
    }
    const BandFormView& view() const { return presenter->view(); }
    std::vector<Value> user(std::int64_t key) {
        return install.db()
            ->query("SELECT Lun_1_da, Lun_1_a, Lunedi, NomeFascia FROM Carte WHERE rowid = ?", {key})
            .at(0);
    }
    std::int64_t userOfBand(const std::string& card, const std::string& band) {
        return install.addUser({.NumeroCarta = card, .extra = {{"NomeFascia", band}, {"Lun_1_da", "05:00"}}});
    }
    std::int64_t bands() { return install.db()->query("SELECT count(*) FROM Fasce")[0][0].toInt(); }
    std::vector<std::string> errors() const {
        std::vector<std::string> texts;
        for (const auto& shown : op.messages()) {
            if (shown.title == "Errore") {
                texts.push_back(shown.text);
            }
        }
        return texts;
    }
    static BandRecord named(const std::string& name) {
        BandRecord record;
        record.name = name;
        return record;
    }

    TestInstall install;
    ScriptedOperator op;
    std::unique_ptr<BandFormPresenter> presenter;
};

TEST_F(BandFormPresenterTest, NewModifyDeleteKeepTheBandsUsersInStep) {
    const auto member = userOfBand("0001", "Giorno");
    BandFormPresenter& p = open();
    EXPECT_EQ(view().browse.counter, "0");
    EXPECT_FALSE(view().browse.modifyOrSave);
    EXPECT_FALSE(view().browse.remove);
    EXPECT_FALSE(view().framesEnabled);
    EXPECT_FALSE(view().editable);

    p.newOrCancel();
    EXPECT_EQ(view().browse.newOrCancelCaption, "Annulla");
    EXPECT_EQ(view().browse.modifyOrSaveCaption, "Salva nuovo");
    EXPECT_EQ(view().browse.counter, "Nuovo");
    EXPECT_EQ(view().record, BandRecord{}); // "##:##" everywhere, no day
    EXPECT_TRUE(view().editable);
    EXPECT_TRUE(view().framesEnabled);
    EXPECT_FALSE(view().browse.remove || view().browse.exit || view().browse.navigate);

    p.modifyOrSave(named("Giorno"));
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(view().browse.counter, "1 / 1");
    EXPECT_EQ(view().browse.modifyOrSaveCaption, "Modifica");
    EXPECT_FALSE(view().editable);
    EXPECT_EQ(user(member), (std::vector<Value>{"##:##", "##:##", 0, "Giorno"}));

    p.modifyOrSave(view().record);
    EXPECT_EQ(view().browse.counter, "Modifica...");
    BandRecord typed = view().record;
    typed.band.days[0] = true;
    typed.band.times[0] = "08:00";
    typed.band.times[1] = "12:00";
    p.modifyOrSave(typed);
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(view().record, typed);
    EXPECT_EQ(user(member), (std::vector<Value>{"08:00", "12:00", 1, "Giorno"}));

    // The user loses its hours and its band name with the band.
    op.queueAnswer(Answer::Yes);
    p.remove();
    EXPECT_EQ(op.last().text,
              "1 utente usa questa fascia oraria: perderà i suoi orari e non potrà passare finché "
              "non gli sarà assegnata un'altra fascia.\nSei sicuro di voler cancellare questa "
              "fascia oraria ?");
    EXPECT_EQ(view().browse.counter, "0");
    EXPECT_FALSE(view().browse.modifyOrSave);
    EXPECT_FALSE(view().browse.remove);
    EXPECT_TRUE(view().browse.newOrCancel);
    EXPECT_EQ(view().record, typed); // the deleted band's values stay until the next new band
    EXPECT_EQ(user(member), (std::vector<Value>{"##:##", "##:##", 0, ""}));
}

TEST_F(BandFormPresenterTest, ValidationKeepsTheModeAndWhatWasTyped) {
    struct Case {
        int box; // day * 4 + slot
        const char* typed;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {4, "8:30", {"Formato dell'orario HH:MM", "Controllare il giorno MARTEDI'."}},
        {8, "24:00", {"Errore nell'orario.", "Controllare il giorno MERCOLEDI'."}},
        {12, "08:00", {"Errore nell'orario.", "Controllare il giorno GIOVEDI'."}}, // its "to" still unset
    };
    BandFormPresenter& p = open();
    for (const auto& c : cases) {
        op.clear();
        p.newOrCancel();
        BandRecord typed = named("Turno");
        typed.band.days[static_cast<std::size_t>(c.box / 4)] = true;
        typed.band.times[static_cast<std::size_t>(c.box)] = c.typed;
        p.modifyOrSave(typed);
        EXPECT_EQ(op.texts(), c.messages) << c.typed;
        EXPECT_TRUE(p.editing());
        EXPECT_EQ(view().browse.modifyOrSaveCaption, "Salva nuovo");
        EXPECT_EQ(view().record, typed);
        EXPECT_FALSE(view().busy);
        p.newOrCancel();
    }
    op.clear();
    p.newOrCancel();
    p.modifyOrSave(named(""));
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Bisogna riempire il campo NOME."});
    EXPECT_EQ(bands(), 0);
}

TEST_F(BandFormPresenterTest, NavigationAndCancelShowTheStoredBand) {
    install.db()->execute(
        "INSERT INTO Fasce (Nome, Lun_1_da) VALUES ('A', '01:00'), ('B', '02:00'), ('C', '03:00')");
    BandFormPresenter& p = open();
    EXPECT_EQ(view().browse.counter, "1 / 3");
    EXPECT_FALSE(view().browse.previous);
    p.previous(); // nothing before the first
    EXPECT_EQ(view().record.name, "A");
    p.last();
    EXPECT_EQ(view().browse.counter, "3 / 3");
    EXPECT_FALSE(view().browse.next);
    p.previous();
    EXPECT_EQ(view().record.name, "B");
    EXPECT_EQ(view().record.band.times[0], "02:00");
    p.modifyOrSave(view().record);
    p.newOrCancel(); // "Annulla"
    EXPECT_EQ(view().record.name, "B");
    EXPECT_EQ(view().browse.counter, "2 / 3");
    p.first();
    EXPECT_EQ(view().record.name, "A");
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(BandFormPresenterTest, DeleteResetsTheUsersOfTheStoredNameOnly) {
    install.db()->execute("INSERT INTO Fasce (Nome, Lun_1_da) VALUES ('Mattino ', '06:00'), ('Sera', "
                          "'18:00'), ('Notte', '22:00')");
    const auto morning = userOfBand("0001", " Mattino");
    const auto morning2 = userOfBand("0002", "Mattino");
    const auto evening = userOfBand("0003", "Sera");
    BandFormPresenter& p = open();
    ASSERT_EQ(view().record.name, "Mattino ");
    // Whatever a save would take from the boxes, a delete takes nothing: the shown band goes.
    op.queueAnswer(Answer::Yes);
    p.remove();
    EXPECT_EQ(op.last().text.substr(0, 45), "2 utenti usano questa fascia oraria: perderan");
    EXPECT_EQ(install.db()->query("SELECT Nome FROM Fasce")[0][0], Value("Sera"));
    EXPECT_EQ(user(morning), (std::vector<Value>{"##:##", "##:##", 0, ""}));
    EXPECT_EQ(user(morning2), (std::vector<Value>{"##:##", "##:##", 0, ""}));
    EXPECT_EQ(user(evening), (std::vector<Value>{"05:00", "##:##", 0, "Sera"}));
    EXPECT_EQ(view().record.name, "Sera");
    EXPECT_EQ(view().browse.counter, "1 / 2");

    // No user holds "Notte": the plain question; "No" changes nothing.
    p.next();
    op.clear();
    op.queueAnswer(Answer::No);
    p.remove();
    EXPECT_EQ(op.texts(), std::vector<std::string>{"Sei sicuro di voler cancellare questa fascia oraria ?"});
    EXPECT_EQ(bands(), 2);
    EXPECT_FALSE(view().busy);
}

TEST_F(BandFormPresenterTest, ACommandArrivingWhileASaveOrDeleteRunsDoesNothing) {
    const auto member = userOfBand("0001", "Mattino");
    BandFormPresenter& p = open();
    p.newOrCancel();
    int yields = 0;
    std::function<void()> during = [&] {
        ++yields;
        EXPECT_TRUE(view().busy);
        EXPECT_FALSE(view().browse.modifyOrSave || view().browse.newOrCancel || view().browse.remove);
        p.modifyOrSave(named("Mattino")); // the queued second "Salva nuovo"
        p.newOrCancel();
        p.remove();
    };
    p.setYield([&] { during(); });
    p.modifyOrSave(named("Mattino"));
    EXPECT_EQ(yields, 1);
    EXPECT_EQ(bands(), 1);
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(view().browse.counter, "1 / 1");
    EXPECT_FALSE(view().busy);
    EXPECT_TRUE(view().browse.remove);

    op.queueAnswer(Answer::Yes);
    p.remove();
    EXPECT_EQ(yields, 2);
    EXPECT_EQ(bands(), 0);
    EXPECT_EQ(op.texts().size(), 1U); // the question only
    EXPECT_EQ(user(member)[3], Value(""));
}

TEST_F(BandFormPresenterTest, AnUnreadableTableOpensEmptyWithOneError) {
    install.db()->execute("ALTER TABLE Fasce RENAME TO Altrove");
    BandFormPresenter& p = open();
    ASSERT_EQ(errors().size(), 1U);
    EXPECT_EQ(errors()[0].rfind("Impossibile leggere le fasce orarie: ", 0), 0U) << errors()[0];
    EXPECT_EQ(view().browse.counter, "0");
    EXPECT_TRUE(view().browse.newOrCancel);
    EXPECT_FALSE(op.waitShown());

    install.db()->execute("ALTER TABLE Altrove RENAME TO Fasce");
    op.clear();
    p.newOrCancel();
    p.modifyOrSave(named("Notte"));
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(view().browse.counter, "1 / 1");
}

TEST_F(BandFormPresenterTest, EveryStoreActionMeetingAFailureShowsOneErrorAndTheFormGoesOn) {
    struct Case {
        const char* name;
        bool writeLock; // else the table cannot be read at all
        std::function<void(BandFormPresenter&)> action;
        std::function<void(BandFormPresenterTest&)> afterwards; // once the failure is gone, the action works
    };
    const Case cases[] = {
        {"save new", true,
         [](BandFormPresenter& p) {
             p.newOrCancel();
             p.modifyOrSave(named("Nuova"));
         },
         [](BandFormPresenterTest& t) {
             EXPECT_TRUE(t.presenter->editing());
             t.presenter->modifyOrSave(named("Nuova"));
             EXPECT_EQ(t.bands(), 3);
             EXPECT_FALSE(t.presenter->editing());
         }},
        {"save modify", true,
         [](BandFormPresenter& p) {
             p.modifyOrSave(p.view().record);
             p.modifyOrSave(named("Rinominata"));
         },
         [](BandFormPresenterTest& t) {
             EXPECT_EQ(t.presenter->view().record.name, "Rinominata"); // still typed
             t.presenter->modifyOrSave(named("Rinominata"));
             EXPECT_EQ(t.install.db()->query("SELECT Nome FROM Fasce ORDER BY rowid")[0][0],
                       Value("Rinominata"));
         }},
        {"delete", true, [](BandFormPresenter& p) { p.remove(); },
         [](BandFormPresenterTest& t) {
             EXPECT_EQ(t.bands(), 2);
             t.presenter->remove();
             EXPECT_EQ(t.bands(), 1);
         }},
        {"next", false, [](BandFormPresenter& p) { p.next(); },
         [](BandFormPresenterTest& t) {
             EXPECT_EQ(t.presenter->view().browse.counter, "1 / 2");
             EXPECT_EQ(t.presenter->view().record.name, "A");
             t.presenter->next();
             EXPECT_EQ(t.presenter->view().record.name, "B");
         }},
        {"cancel", false,
         [](BandFormPresenter& p) {
             p.modifyOrSave(p.view().record);
             p.newOrCancel();
         },
         [](BandFormPresenterTest& t) {
             EXPECT_FALSE(t.presenter->editing());
             EXPECT_EQ(t.presenter->view().browse.counter, "0");
             t.presenter->newOrCancel();
             t.presenter->modifyOrSave(named("Nuova"));
             EXPECT_EQ(t.bands(), 3);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        install.db()->execute("DELETE FROM Fasce");
        install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('A'), ('B')");
        install.db()->setBusyTimeout(20);
        BandFormPresenter& p = open();
        op.clear();
        op.defaultAnswer = Answer::Yes;
        std::shared_ptr<Database> other;
        if (c.writeLock) {
            other = Database::open(install.folder().database());
            other->executeScript("BEGIN EXCLUSIVE");
        } else {
            install.db()->execute("ALTER TABLE Fasce RENAME TO Altrove");
        }
        EXPECT_NO_THROW(c.action(p));
        EXPECT_EQ(errors().size(), 1U);
        EXPECT_FALSE(op.waitShown());
        EXPECT_FALSE(view().busy);
        if (c.writeLock) {
            other->executeScript("ROLLBACK");
            other.reset();
        } else {
            install.db()->execute("ALTER TABLE Altrove RENAME TO Fasce");
        }
        op.clear();
        c.afterwards(*this);
        EXPECT_TRUE(errors().empty());
    }
}

} // namespace
} // namespace sentinex
