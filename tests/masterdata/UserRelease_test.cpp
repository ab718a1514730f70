#include "masterdata/UserRelease.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

TEST(UserReleaseTest, RefusalsAnswerAndRelease) {
    struct Case {
        bool online;
        bool inspectionOn;
        bool held;
        const char* card;
        Answer answer;
        std::vector<std::string> texts;
        bool released;
    };
    const std::string ask = "Deselezionare l'utente dall'imparziale ?";
    const Case cases[] = {
        {false, true, true, "0007", Answer::Yes, {"L'imparziale funziona solo in modalità On Line."}, false},
        {true, false, true, "0007", Answer::Yes, {"L'imparziale non è stato attivato."}, false},
        {true, true, false, "0007", Answer::Yes, {"L'utente non è stato scelto per l'imparziale."}, false},
        {true, true, true, "0007", Answer::No, {ask}, false},
        {true, true, true, "0008", Answer::Yes, {ask, "Errore! Riprovare..."}, false},
        {true, true, true, "0007", Answer::Yes, {ask, "Utente riabilitato."}, true},
    };
    for (const auto& c : cases) {
        TestInstall install;
        const auto other = install.addUser({.NumeroCarta = "0001", .extra = {{"Imparziale", 1}}});
        const auto key = install.addUser({.NumeroCarta = "0007", .extra = {{"Imparziale", 1}}});
        ScriptedOperator op;
        op.queueAnswer(c.answer);
        EXPECT_EQ(UserRelease::release(*install.db(), op, c.inspectionOn, {c.online, c.held, c.card}),
                  c.released);
        EXPECT_EQ(op.texts(), c.texts);
        const auto held = [&](std::int64_t k) {
            return install.db()
                ->query("SELECT Imparziale FROM Carte WHERE rowid = ?", {k})
                .at(0)
                .at(0)
                .toInt();
        };
        EXPECT_EQ(held(key), c.released ? 0 : 1);
        EXPECT_EQ(held(other), 1);
    }
}

} // namespace
} // namespace sentinex
