#include "admin/PasswordManagement.hpp"

#include "admin/PasswordFile.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TempDir;
using After = PasswordManagement::After;
using Layout = PasswordManagement::Layout;
using Mode = PasswordManagement::Mode;

const std::string kNone = "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n";
const std::string kAbc = "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                         "bdf\xA7\xA7\xA7\r\n";

class PasswordManagementTest : public ::testing::Test {
protected:
    void write(const std::string& bytes) const { dir.write("pswsentinex.txt", bytes); }
    std::string bytes() const { return TempDir::read(dir.file("pswsentinex.txt")); }
    /// The one message shown since the last clear.
    void expectOneMessage(const std::string& title, const std::string& text, MsgIcon icon) {
        ASSERT_EQ(op.shown.size(), 1u) << (op.shown.empty() ? "" : op.shown.back().text);
        EXPECT_EQ(op.shown[0].title, title);
        EXPECT_EQ(op.shown[0].text, text);
        EXPECT_EQ(op.shown[0].icon, icon);
    }

    TempDir dir;
    ScriptedOperator op;
    PasswordManagement management{PasswordFile(dir.file("pswsentinex.txt")), op};
};

TEST_F(PasswordManagementTest, TheLayoutFollowsTheFile) {
    write(kNone);
    EXPECT_EQ(management.open(), Layout::SetNew);
    EXPECT_FALSE(management.passwordSet());
    write(kAbc);
    EXPECT_EQ(management.open(), Layout::ChangeOrRemove);
    EXPECT_TRUE(management.passwordSet());
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(PasswordManagementTest, AMalformedFileIsToldAndOffersANewPassword) {
    write("[Sentinex]\r\nFile=rotto\r\n");
    EXPECT_EQ(management.open(), Layout::SetNew);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Errore");
    op.clear();
    EXPECT_EQ(management.set("abc"), After::Close);
    EXPECT_EQ(bytes(), kAbc);
}

TEST_F(PasswordManagementTest, AnnouncementsUseTheSystemTexts) {
    management.announceSet();
    management.announceChange();
    management.announceRemove();
    ASSERT_EQ(op.shown.size(), 3u);
    EXPECT_EQ(op.shown[0].title, "Sentinex");
    EXPECT_EQ(op.shown[0].text,
              "Ora inserite la password (al massimo 16 caratteri). Attenzione a non dimenticarla !");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(op.shown[1].title, "");
    EXPECT_EQ(op.shown[1].text, "Inserisci prima la vecchia password, poi quella nuova; alla fine premi OK.");
    EXPECT_EQ(op.shown[1].icon, MsgIcon::None);
    EXPECT_EQ(op.shown[2].title, "Sentinex");
    EXPECT_EQ(op.shown[2].text, "Inserisci la vecchia password e poi premi OK.");
    EXPECT_EQ(op.shown[2].icon, MsgIcon::Information);
}

TEST_F(PasswordManagementTest, SetStoresTheTypedPassword) {
    write(kNone);
    ASSERT_EQ(management.open(), Layout::SetNew);
    EXPECT_EQ(management.set("abc"), After::Close);
    expectOneMessage("Sentinex", "Password inserita.", MsgIcon::Information);
    EXPECT_EQ(bytes(), kAbc);
    EXPECT_TRUE(management.passwordSet());
}

TEST_F(PasswordManagementTest, SetWithNothingTypedWritesNothing) {
    // Whatever the file held stays, byte for byte.
    const std::string old = "[Sentinex]\r\nFile=\xB0\xB0\xB0\xA7\xA7\xA7\r\n; nota\r\n";
    write(old);
    ASSERT_EQ(management.open(), Layout::SetNew);
    EXPECT_EQ(management.set(""), After::Close);
    expectOneMessage("Sentinex", "Non è stata inserita nessuna password.", MsgIcon::Information);
    EXPECT_EQ(bytes(), old);
    EXPECT_FALSE(management.passwordSet());
}

TEST_F(PasswordManagementTest, ARefusedCharacterIsToldAndNothingIsStored) {
    write(kNone);
    ASSERT_EQ(management.open(), Layout::SetNew);
    EXPECT_EQ(management.set("\xC3\xBF"), After::Stay); // "ÿ" at position 1
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Attenzione");
    EXPECT_NE(op.shown[0].text.find("\xC3\xBF"), std::string::npos);
    EXPECT_EQ(bytes(), kNone);
    EXPECT_FALSE(management.passwordSet());

    write(kAbc);
    ASSERT_EQ(management.open(), Layout::ChangeOrRemove);
    op.clear();
    EXPECT_EQ(management.confirm(Mode::Change, "abc", "abcde\xC3\xBA"), After::Stay); // "ú" at position 6
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_NE(op.shown[0].text.find("posizione 6"), std::string::npos);
    EXPECT_EQ(bytes(), kAbc);
}

struct Confirm {
    const char* name;
    Mode mode;
    std::string oldPassword;
    std::string newPassword;
    After after;
    std::string title;
    std::string text; // empty: nothing shown
    MsgIcon icon;
    std::string fileAfter;
    bool setAfter;
};

class PasswordManagementConfirm : public PasswordManagementTest,
                                  public ::testing::WithParamInterface<Confirm> {};

TEST_P(PasswordManagementConfirm, ActsByMode) {
    const Confirm& c = GetParam();
    write(kAbc);
    ASSERT_EQ(management.open(), Layout::ChangeOrRemove);
    EXPECT_EQ(management.confirm(c.mode, c.oldPassword, c.newPassword), c.after);
    if (c.text.empty()) {
        EXPECT_TRUE(op.shown.empty());
    } else {
        expectOneMessage(c.title, c.text, c.icon);
    }
    EXPECT_EQ(bytes(), c.fileAfter);
    EXPECT_EQ(management.passwordSet(), c.setAfter);
}

const std::string kXyz = "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                         "y{}\xA7\xA7\xA7\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordManagementConfirm,
    ::testing::Values(
        Confirm{"removeRight", Mode::Remove, "abc", "", After::Close, "Sentinex",
                "La password è stata disinserita dal sistema.", MsgIcon::Information, kNone, false},
        Confirm{"removeWrongCase", Mode::Remove, "ABC", "", After::Close, "Sentinex", "Password sbagliata.",
                MsgIcon::Exclamation, kAbc, true},
        // The new password box is greyed when removing: what it holds does not count.
        Confirm{"removeIgnoresNew", Mode::Remove, "abc", "xyz", After::Close, "Sentinex",
                "La password è stata disinserita dal sistema.", MsgIcon::Information, kNone, false},
        Confirm{"changeRight", Mode::Change, "abc", "xyz", After::Close, "Sentinex",
                "La password è stata cambiata.", MsgIcon::Information, kXyz, true},
        Confirm{"changeWrongOld", Mode::Change, "abd", "xyz", After::Close, "Sentinex",
                "La vecchia password è sbagliata.", MsgIcon::Exclamation, kAbc, true},
        Confirm{"changeEmptyNew", Mode::Change, "abc", "", After::Stay, "Sentinex",
                "Bisogna inserire la nuova password.", MsgIcon::Exclamation, kAbc, true},
        // The old password is checked before the new one is looked at.
        Confirm{"changeWrongOldEmptyNew", Mode::Change, "", "", After::Close, "Sentinex",
                "La vecchia password è sbagliata.", MsgIcon::Exclamation, kAbc, true},
        Confirm{"noMode", Mode::None, "wrong", "xyz", After::Close, "", "", MsgIcon::None, kAbc, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordManagementTest, AChangeCountsForTheNextStep) {
    write(kAbc);
    ASSERT_EQ(management.open(), Layout::ChangeOrRemove);
    ASSERT_EQ(management.confirm(Mode::Change, "abc", "xyz"), After::Close);
    // Still on the same management: the old password is now the new one.
    op.clear();
    EXPECT_EQ(management.confirm(Mode::Remove, "abc", ""), After::Close);
    expectOneMessage("Sentinex", "Password sbagliata.", MsgIcon::Exclamation);
    op.clear();
    EXPECT_EQ(management.confirm(Mode::Remove, "xyz", ""), After::Close);
    EXPECT_EQ(bytes(), kNone);
}

} // namespace
} // namespace sentinex
