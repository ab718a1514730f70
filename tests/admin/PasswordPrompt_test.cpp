#include "admin/PasswordPrompt.hpp"

#include "admin/PasswordFile.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TempDir;

constexpr const char* kNone = "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n";
constexpr const char* kAbc = "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                             "bdf\xA7\xA7\xA7\r\n";

class PasswordPromptTest : public ::testing::Test {
protected:
    void write(const std::string& bytes) const { dir.write("pswsentinex.txt", bytes); }

    TempDir dir;
    ScriptedOperator op;
    PasswordPrompt prompt{PasswordFile(dir.file("pswsentinex.txt")), op};
};

TEST_F(PasswordPromptTest, WithoutAPasswordOpensWithoutAsking) {
    write(kNone);
    EXPECT_EQ(prompt.open(), PasswordPrompt::Opening::Granted);
    EXPECT_TRUE(prompt.accessGranted());
    EXPECT_TRUE(op.shown.empty());
}

struct Typed {
    const char* name;
    std::string typed;
    bool granted;
};

class PasswordPromptAnswer : public PasswordPromptTest, public ::testing::WithParamInterface<Typed> {};

TEST_P(PasswordPromptAnswer, GrantsOnlyTheExactPassword) {
    const Typed& c = GetParam();
    write(kAbc);
    ASSERT_EQ(prompt.open(), PasswordPrompt::Opening::Ask);
    EXPECT_FALSE(prompt.accessGranted());
    EXPECT_EQ(prompt.check(c.typed), c.granted);
    EXPECT_EQ(prompt.accessGranted(), c.granted);
    if (c.granted) {
        EXPECT_TRUE(op.shown.empty());
        EXPECT_EQ(prompt.failedTries(), 0);
    } else {
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, "Attenzione");
        EXPECT_EQ(op.shown[0].text, "Password sbagliata.");
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
        EXPECT_EQ(prompt.failedTries(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PasswordPromptAnswer,
                         ::testing::Values(Typed{"exact", "abc", true}, Typed{"oneCapital", "aBc", false},
                                           Typed{"prefix", "ab", false}, Typed{"longer", "abcd", false},
                                           Typed{"trailingBlank", "abc ", false}, Typed{"empty", "", false},
                                           // What is stored, typed as it is, is not the password.
                                           Typed{"storedForm", "bdf", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BrokenFile {
    const char* name;
    std::string bytes;
    bool present;
};

class PasswordPromptBrokenFile : public PasswordPromptTest,
                                 public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(PasswordPromptBrokenFile, IsRefusedWithItsMessage) {
    if (GetParam().present) {
        write(GetParam().bytes);
    }
    EXPECT_EQ(prompt.open(), PasswordPrompt::Opening::Refused);
    EXPECT_FALSE(prompt.accessGranted());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    EXPECT_EQ(op.shown[0].text, PasswordFile::MalformedText);
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
}

INSTANTIATE_TEST_SUITE_P(Cases, PasswordPromptBrokenFile,
                         ::testing::Values(BrokenFile{"missing", "", false}, BrokenFile{"empty", "", true},
                                           BrokenFile{"noKey", "[Sentinex]\r\n", true},
                                           BrokenFile{"noEndMarker",
                                                      "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                                                      "bdf\r\n",
                                                      true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordPromptTest, EachOpeningReadsTheFileAgain) {
    write(kAbc);
    ASSERT_EQ(prompt.open(), PasswordPrompt::Opening::Ask);
    EXPECT_FALSE(prompt.check("xyz"));
    EXPECT_FALSE(prompt.check("xyz"));
    EXPECT_EQ(prompt.failedTries(), 2);

    // Changed behind the prompt's back: the next opening asks for the new one and counts afresh.
    ASSERT_TRUE(PasswordFile(dir.file("pswsentinex.txt")).store("xyz"));
    ASSERT_EQ(prompt.open(), PasswordPrompt::Opening::Ask);
    EXPECT_EQ(prompt.failedTries(), 0);
    EXPECT_FALSE(prompt.check("abc"));
    EXPECT_TRUE(prompt.check("xyz"));

    // Removed: the next opening lets the operator through.
    write(kNone);
    EXPECT_EQ(prompt.open(), PasswordPrompt::Opening::Granted);
    EXPECT_TRUE(prompt.accessGranted());
}

TEST_F(PasswordPromptTest, AGrantIsNotCarriedIntoTheNextOpening) {
    write(kAbc);
    ASSERT_EQ(prompt.open(), PasswordPrompt::Opening::Ask);
    ASSERT_TRUE(prompt.check("abc"));
    ASSERT_EQ(prompt.open(), PasswordPrompt::Opening::Ask);
    EXPECT_FALSE(prompt.accessGranted());
}

} // namespace
} // namespace sentinex
