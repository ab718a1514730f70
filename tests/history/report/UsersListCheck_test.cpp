#include "history/report/UsersListCheck.hpp"

#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

TEST(UsersListCheckTest, PrintsOnlyWhenCarteHoldsAUserAndSaysWhyNotOtherwise) {
    TestInstall install;
    ScriptedOperator op;

    EXPECT_FALSE(UsersListCheck::mayPrint(op, *install.db()));
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].title, "Attenzione");
    EXPECT_EQ(op.messages()[0].text, "Non ci sono utenti nel database.");
    EXPECT_EQ(op.messages()[0].icon, MsgIcon::Exclamation);

    install.addUser({});
    op.shown.clear();
    EXPECT_TRUE(UsersListCheck::mayPrint(op, *install.db()));
    EXPECT_TRUE(op.messages().empty());

    // A table that cannot be read is the file's fault, said as such; no store error escapes.
    install.db()->execute("DROP TABLE Carte");
    op.shown.clear();
    EXPECT_FALSE(UsersListCheck::mayPrint(op, *install.db()));
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].title, "Errore");
    EXPECT_EQ(
        op.messages()[0].text.rfind("Archivio '" + install.db()->path() + "' danneggiato o illeggibile (", 0),
        0u)
        << op.messages()[0].text;
    EXPECT_NE(op.messages()[0].text.find("Carte"), std::string::npos) << op.messages()[0].text;
    EXPECT_EQ(op.messages()[0].icon, MsgIcon::Critical);
}

} // namespace
} // namespace sentinex
