#include "readers/programming/ReaderForm.hpp"
#include "readers/programming/ReaderValidation.hpp"
#include "support/ScriptedOperator.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using V = ReaderValidation;

ReaderForm validForm() {
    ReaderForm f = ReaderForm::cleared(true, true);
    f.type = "NANO NN-K";
    f.location = "Ingresso";
    f.siteCode = "123";
    f.opening = "3";
    f.state = "InOut";
    f.loop = "2";
    f.address = "7";
    return f;
}

struct Case {
    const char* what;
    std::function<void(ReaderForm&)> change;
    std::optional<std::string> message; // nothing: valid
};

TEST(ReaderValidation, EachCheckInItsOrderWithItsMessage) {
    const std::vector<Case> cases = {
        {"valid form", [](ReaderForm&) {}, std::nullopt},
        {"each type is accepted", [](ReaderForm& f) { f.type = "TERA TR-X"; }, std::nullopt},
        {"TERA TR-Y1", [](ReaderForm& f) { f.type = "TERA TR-Y1"; }, std::nullopt},
        {"unknown type", [](ReaderForm& f) { f.type = "TERA TR-Z"; }, V::TypeText},
        {"type is case-sensitive", [](ReaderForm& f) { f.type = "nano nn-k"; }, V::TypeText},
        {"empty type", [](ReaderForm& f) { f.type = ""; }, V::TypeText},
        {"site code of seven digits", [](ReaderForm& f) { f.siteCode = "1234567"; }, V::SiteCodeText},
        {"seven characters even with leading zeros", [](ReaderForm& f) { f.siteCode = "0000042"; },
         V::SiteCodeText},
        {"site code six digits", [](ReaderForm& f) { f.siteCode = "999999"; }, std::nullopt},
        {"signed site code", [](ReaderForm& f) { f.siteCode = "-42"; }, V::SiteCodeText},
        {"site code with a point", [](ReaderForm& f) { f.siteCode = "4.2"; }, V::SiteCodeText},
        {"empty site code", [](ReaderForm& f) { f.siteCode = ""; }, V::SiteCodeText},
        {"opening 49 s", [](ReaderForm& f) { f.opening = "49"; }, std::nullopt},
        {"opening 0 s", [](ReaderForm& f) { f.opening = "0"; }, std::nullopt},
        {"opening 50 s does not fit two digits", [](ReaderForm& f) { f.opening = "50"; }, V::OpeningText},
        {"opening with a fraction", [](ReaderForm& f) { f.opening = "1.5"; }, V::OpeningText},
        {"negative opening", [](ReaderForm& f) { f.opening = "-1"; }, V::OpeningText},
        {"empty opening", [](ReaderForm& f) { f.opening = ""; }, V::OpeningText},
        {"state In", [](ReaderForm& f) { f.state = "In"; }, std::nullopt},
        {"state Out", [](ReaderForm& f) { f.state = "Out"; }, std::nullopt},
        {"state in lower case", [](ReaderForm& f) { f.state = "in"; }, V::StateText},
        {"card position 99", [](ReaderForm& f) { f.cardPos[3] = "99"; }, std::nullopt},
        {"card position 100", [](ReaderForm& f) { f.cardPos[3] = "100"; }, V::CardPosText},
        {"card position not a number", [](ReaderForm& f) { f.cardPos[0] = "a"; }, V::CardPosText},
        {"card position negative", [](ReaderForm& f) { f.cardPos[1] = "-1"; }, V::CardPosText},
        {"code position 100", [](ReaderForm& f) { f.codePos[5] = "100"; }, V::CodePosText},
        {"code position empty", [](ReaderForm& f) { f.codePos[0] = ""; }, V::CodePosText},
        {"loop 0", [](ReaderForm& f) { f.loop = "0"; }, V::LoopText},
        {"loop 9", [](ReaderForm& f) { f.loop = "9"; }, V::LoopText},
        {"loop 8", [](ReaderForm& f) { f.loop = "8"; }, std::nullopt},
        {"loop not a number", [](ReaderForm& f) { f.loop = "x"; }, V::LoopText},
        {"address 32", [](ReaderForm& f) { f.address = "32"; }, V::AddressText},
        {"address 31", [](ReaderForm& f) { f.address = "31"; }, std::nullopt},
        {"address 0", [](ReaderForm& f) { f.address = "0"; }, std::nullopt},
        {"address negative", [](ReaderForm& f) { f.address = "-1"; }, V::AddressText},
        {"surrounding blanks are ignored", [](ReaderForm& f) { f.address = " 5 "; }, std::nullopt},
        {"blank inside a number", [](ReaderForm& f) { f.address = "1 5"; }, V::AddressText},
        // Order: the first failing check speaks.
        {"type before site code",
         [](ReaderForm& f) {
             f.type = "x";
             f.siteCode = "x";
         },
         V::TypeText},
        {"card positions before code positions",
         [](ReaderForm& f) {
             f.codePos[0] = "100";
             f.cardPos[0] = "100";
         },
         V::CardPosText},
        {"non-numeric address before loop out of range",
         [](ReaderForm& f) {
             f.loop = "9";
             f.address = "x";
         },
         V::AddressText},
        {"non-numeric loop before address out of range",
         [](ReaderForm& f) {
             f.loop = "x";
             f.address = "99";
         },
         V::LoopText},
        {"state before positions",
         [](ReaderForm& f) {
             f.state = "";
             f.cardPos[0] = "100";
         },
         V::StateText},
    };
    for (const Case& c : cases) {
        ReaderForm f = validForm();
        c.change(f);
        EXPECT_EQ(V::firstFailure(f, {}, std::nullopt), c.message) << c.what;
    }
}

TEST(ReaderValidation, SiteCodeIsRewrittenToSixDigitsOnceItPasses) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0042", "000042"}, {"42", "000042"}, {"7", "000007"}, {"000000", "000000"}, {" 123456", "123456"}};
    for (const auto& [typed, shown] : cases) {
        ReaderForm f = validForm();
        f.siteCode = typed;
        EXPECT_EQ(V::firstFailure(f, {}, std::nullopt), std::nullopt) << typed;
        EXPECT_EQ(f.siteCode, shown) << typed;
    }
    // Rewritten even when a later check fails; left alone when the type check already failed.
    ReaderForm later = validForm();
    later.siteCode = "42";
    later.loop = "9";
    EXPECT_EQ(V::firstFailure(later, {}, std::nullopt), std::optional<std::string>(V::LoopText));
    EXPECT_EQ(later.siteCode, "000042");
    ReaderForm earlier = validForm();
    earlier.siteCode = "42";
    earlier.type = "";
    V::firstFailure(earlier, {}, std::nullopt);
    EXPECT_EQ(earlier.siteCode, "42");
}

TEST(ReaderValidation, UniquenessWalkSkipsOnlyTheRecordBeingEdited) {
    const std::vector<V::Slot> stored = {{1, 5}, {2, 5}, {1, 6}};
    struct U {
        const char* what;
        std::string loop, address;
        std::optional<int> editing;
        bool clash;
    };
    const std::vector<U> cases = {
        {"new reader on a used loop and address", "1", "5", std::nullopt, true},
        {"new reader, same address on another loop", "3", "5", std::nullopt, false},
        {"editing a reader with its own loop and address", "1", "5", 1, false},
        {"editing another reader onto a used pair", "1", "5", 3, true},
        {"editing the last reader with its own pair", "1", "6", 3, false},
        {"leading zeros compare by value", "01", "05", std::nullopt, true},
    };
    for (const U& c : cases) {
        ReaderForm f = validForm();
        f.loop = c.loop;
        f.address = c.address;
        const auto failure = V::firstFailure(f, stored, c.editing);
        EXPECT_EQ(failure, c.clash ? std::optional<std::string>(V::ClashText) : std::nullopt) << c.what;
    }
}

TEST(ReaderValidation, ValidateShowsOnlyTheFirstFailureAsAWarning) {
    testing::ScriptedOperator op;
    ReaderForm f = validForm();
    f.opening = "99";
    f.loop = "0";
    EXPECT_FALSE(V::validate(f, {}, std::nullopt, op));
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Attenzione");
    EXPECT_EQ(op.shown[0].text, V::OpeningText);
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);

    op.clear();
    ReaderForm ok = validForm();
    EXPECT_TRUE(V::validate(ok, {}, std::nullopt, op));
    EXPECT_TRUE(op.shown.empty());
}

TEST(ReaderForm, ClearedFormForNewAndExistingReaders) {
    const ReaderForm fresh = ReaderForm::cleared(true, false);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(fresh.cardPos[i], std::to_string(i));
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(fresh.codePos[i], std::to_string(i + 4));
    }
    EXPECT_TRUE(fresh.riscriviRam);
    EXPECT_FALSE(fresh.testInput);
    EXPECT_FALSE(fresh.fasceOrarie);
    EXPECT_EQ(fresh.loop, "1") << "without the board every reader is on loop 1";
    EXPECT_EQ(fresh.address, "");

    const ReaderForm empty = ReaderForm::cleared(false, true);
    EXPECT_FALSE(empty.riscriviRam);
    EXPECT_EQ(empty.loop, "") << "with the board the loop is typed";
}

} // namespace
} // namespace sentinex
