#include "online/AntiPassbackReset.hpp"

#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "store/Database.hpp"
#include "store/Transaction.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;
using Outcome = AntiPassbackReset::Outcome;

class AntiPassbackResetTest : public ::testing::Test {
protected:
    /// `counter` in memory and in the file, `inside` badges in `presenti`.
    void prepare(int counter, int inside) {
        install.setSetting("Utenti", std::to_string(counter));
        settings.Utenti = counter;
        for (int i = 0; i < inside; ++i) {
            install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)",
                                  {std::to_string(1000 + i)});
        }
    }
    std::int64_t rows() { return install.db()->query("SELECT COUNT(*) FROM presenti")[0][0].toInt(); }
    std::string fileCounter() const { return file.readRaw("Utenti"); }

    TestInstall install;
    ScriptedOperator op;
    Settings settings;
    SettingsFile file{install.folder().settings()};
};

TEST_F(AntiPassbackResetTest, RefusesOnlyWhenNobodyCountsAsInsideAndOtherwiseAsksAndResetsOnYes) {
    struct Case {
        const char* name;
        int counter;
        int inside;
        std::optional<Answer> answer; // nothing: no question may be asked
        Outcome outcome;
    };
    const std::vector<Case> cases = {
        {"counter 0, table empty", 0, 0, std::nullopt, Outcome::AlreadyReset},
        // Rows behind a counter of 0 would lock those persons out for good: they are cleared too.
        {"counter 0, rows left", 0, 2, Answer::Yes, Outcome::Done},
        {"counter 3, table empty", 3, 0, Answer::Yes, Outcome::Done},
        {"counter 3, three inside", 3, 3, Answer::Yes, Outcome::Done},
        {"counter 3, three inside, No", 3, 3, Answer::No, Outcome::Declined},
        {"counter 5, two inside, Cancel", 5, 2, Answer::Cancel, Outcome::Declined},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        install.db()->execute("DELETE FROM presenti");
        op.clear();
        prepare(c.counter, c.inside);
        if (c.answer) {
            op.queueAnswer(*c.answer);
        }
        op.defaultAnswer = Answer::Yes; // a question that should not come would reset

        AntiPassbackReset reset(*install.db(), settings, file, op);
        EXPECT_EQ(reset.run(), c.outcome);

        const bool resets = c.outcome == Outcome::Done;
        EXPECT_EQ(rows(), resets ? 0 : c.inside);
        EXPECT_EQ(settings.Utenti, resets ? 0 : c.counter);
        EXPECT_EQ(fileCounter(), resets ? "0" : std::to_string(c.counter));

        std::vector<ScriptedOperator::Shown> expected;
        if (c.answer) {
            expected.push_back({ScriptedOperator::Kind::Question, "Domanda",
                                "Confermi l'azzeramento dell'antipass-back ?", MsgIcon::Question});
        }
        if (c.outcome == Outcome::AlreadyReset) {
            expected.push_back({ScriptedOperator::Kind::Message, "Messaggio",
                                "L'antipass-back è già azzerato.", MsgIcon::Information});
        }
        if (resets) {
            expected.push_back({ScriptedOperator::Kind::Message, "Messaggio", "Operazione completata.",
                                MsgIcon::Information});
        }
        ASSERT_EQ(op.shown.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(op.shown[i].kind, expected[i].kind) << i;
            EXPECT_EQ(op.shown[i].title, expected[i].title) << i;
            EXPECT_EQ(op.shown[i].text, expected[i].text) << i;
            EXPECT_EQ(op.shown[i].icon, expected[i].icon) << i;
        }
    }
}

TEST_F(AntiPassbackResetTest, ASettingsFileThatCannotBeWrittenLeavesTheTableAndTheCounter) {
    prepare(4, 4);
    const SettingsFile unwritable(install.folder().file("missing-folder/Sentinex.ini"));
    op.queueAnswer(Answer::Yes);

    AntiPassbackReset reset(*install.db(), settings, unwritable, op);
    EXPECT_EQ(reset.run(), Outcome::Failed);

    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(settings.Utenti, 4);
    EXPECT_EQ(fileCounter(), "4");
    ASSERT_FALSE(op.shown.empty());
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_EQ(op.last().text, AntiPassbackReset::WriteFailedText);
    EXPECT_EQ(op.last().icon, MsgIcon::Critical);
}

TEST_F(AntiPassbackResetTest, ALockedDatabaseIsToldAndLeavesTheFileAsItWas) {
    prepare(2, 2);
    // Another connection holds the write lock for the whole run.
    auto other = Database::open(install.db()->path());
    Transaction hold(*other);
    install.db()->setBusyTimeout(50);
    op.queueAnswer(Answer::Yes);

    AntiPassbackReset reset(*install.db(), settings, file, op);
    EXPECT_EQ(reset.run(), Outcome::Failed);
    install.db()->setBusyTimeout(Database::DefaultBusyTimeoutMs);

    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(settings.Utenti, 2);
    EXPECT_EQ(fileCounter(), "2");
    ASSERT_FALSE(op.shown.empty());
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_EQ(op.last().text.rfind(AntiPassbackReset::StoreFailedText, 0), 0u) << op.last().text;
    EXPECT_EQ(op.last().icon, MsgIcon::Critical);
}

} // namespace
} // namespace sentinex
