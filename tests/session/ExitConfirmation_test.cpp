#include "session/ExitConfirmation.hpp"

#include "admin/PasswordFile.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

TEST(ExitConfirmationTest, WhileTheDoorsAreWorkedTheOperatorConfirmsAndGivesThePassword) {
    using K = ScriptedOperator::Kind;
    struct Case {
        const char* what;
        Switches switches;
        const char* password;            // set in the file; empty: none
        std::vector<Answer> answers;     // to the question
        std::vector<std::string> inputs; // to the password box
        bool leaves;
        std::vector<K> asked; // what the operator saw, in order
        const char* lastText; // the last text shown, when something was
    };
    const Switches off{};
    const Switches polling{true, false};
    const Switches output{false, true};
    const char* question = ExitConfirmation::Question;
    const Case cases[] = {
        {"both off: at once", off, "", {}, {}, true, {}, nullptr},
        {"both off, password set: at once", off, "segreto", {}, {}, true, {}, nullptr},
        {"polling, no", polling, "", {Answer::No}, {}, false, {K::Question}, question},
        {"polling, yes", polling, "", {Answer::Yes}, {}, true, {K::Question}, question},
        {"output only, yes", output, "", {Answer::Yes}, {}, true, {K::Question}, question},
        {"output only, no", output, "", {Answer::No}, {}, false, {K::Question}, question},
        {"password, no: never asked for it",
         polling,
         "segreto",
         {Answer::No},
         {"segreto"},
         false,
         {K::Question},
         question},
        {"password right",
         polling,
         "segreto",
         {Answer::Yes},
         {"segreto"},
         true,
         {K::Question, K::Input},
         ExitConfirmation::PasswordText},
        {"password in other case",
         polling,
         "segreto",
         {Answer::Yes},
         {"Segreto"},
         false,
         {K::Question, K::Input, K::Message},
         "Password sbagliata."},
        {"password cancelled",
         output,
         "segreto",
         {Answer::Yes},
         {""},
         false,
         {K::Question, K::Input},
         ExitConfirmation::PasswordText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestInstall install;
        if (*c.password) {
            ASSERT_TRUE(PasswordFile(install.folder()).store(c.password));
        }
        ScriptedOperator op;
        for (Answer a : c.answers) {
            op.queueAnswer(a);
        }
        for (const std::string& in : c.inputs) {
            op.queueInput(in);
        }
        EXPECT_EQ(ExitConfirmation::confirm(c.switches, install.folder(), op), c.leaves);
        std::vector<K> asked;
        for (const auto& s : op.shown) {
            asked.push_back(s.kind);
        }
        EXPECT_EQ(asked, c.asked);
        if (c.lastText) {
            EXPECT_EQ(op.last().text, c.lastText);
        }
        if (!op.shown.empty()) {
            EXPECT_EQ(op.shown[0].title, "Domanda");
            EXPECT_EQ(op.shown[0].icon, MsgIcon::Question);
        }
    }
}

TEST(ExitConfirmationTest, AMalformedPasswordFileIsToldAndKeepsTheProgramRunning) {
    TestInstall install;
    install.temp().write("pswsentinex.txt", "[Sentinex]\r\nFile=rotto\r\n");
    ScriptedOperator op;
    op.queueAnswer(Answer::Yes);
    EXPECT_FALSE(ExitConfirmation::confirm({true, false}, install.folder(), op));
    EXPECT_EQ(op.last().text, PasswordFile::MalformedText);
    // With polling off the program ends without reading the file.
    EXPECT_TRUE(ExitConfirmation::confirm({}, install.folder(), op));
}

} // namespace
} // namespace sentinex
