#include "admin/SettingsValidation.hpp"

#include "core/SettingsDialogFields.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;
using V = SettingsValidation;

/// A dialog that passes every rule: 10 users, 2 shifts, 2 persons drawn per shift.
SettingsDialogFields validFields() {
    SettingsDialogFields f;
    f.Polling = "5";
    f.Indirizzo485 = "001H";
    f.MassimoNumeroIngressi = "0";
    f.Ritardo = "3";
    f.Imparziale = true;
    f.NumeroImparziale = "2";
    f.AttivaOutput = "1";
    f.OrarioIniziale = {"08:00", "14:00", "##:##"};
    f.OrarioFinale = {"12:00", "18:00", "##:##"};
    f.ScattareAdOrario = true;
    f.OraImparziale = "07:30";
    f.FileVireo = "CARTE";
    return f;
}

V::PopulationSource population(std::int64_t users, std::int64_t shifts) {
    return [=] { return V::Population{users, shifts}; };
}

struct Case {
    const char* what;
    std::function<void(SettingsDialogFields&)> change;
    int rule;
    const char* control;
    std::vector<std::string> messages;
};

TEST(SettingsValidationTest, EachRuleRefusesWithItsMessages) {
    const std::string polling = V::PollingText, address = V::AddressText, delay = V::DelayText;
    const std::string count = V::DrawCountText, output = V::OutputText;
    const std::string format = "Formato dell'orario HH:MM", badTime = "Errore nell'orario.";
    const Case cases[] = {
        {"polling 0", [](auto& f) { f.Polling = "0"; }, 1, "Text2", {polling}},
        {"polling empty", [](auto& f) { f.Polling = ""; }, 1, "Text2", {polling}},
        {"polling fraction", [](auto& f) { f.Polling = "1.5"; }, 1, "Text2", {polling}},
        {"polling negative", [](auto& f) { f.Polling = "-5"; }, 1, "Text2", {polling}},
        {"polling with a blank", [](auto& f) { f.Polling = " 5"; }, 1, "Text2", {polling}},
        {"polling of ten digits", [](auto& f) { f.Polling = "1000000000"; }, 1, "Text2", {polling}},
        {"address 1H as shown for 1", [](auto& f) { f.Indirizzo485 = "1H"; }, 2, "Text1", {address}},
        {"address of five characters", [](auto& f) { f.Indirizzo485 = "0001H"; }, 2, "Text1", {address}},
        {"address without H", [](auto& f) { f.Indirizzo485 = "0012"; }, 2, "Text1", {V::AddressHexText}},
        {"address with lower-case h",
         [](auto& f) { f.Indirizzo485 = "001h"; },
         2,
         "Text1",
         {V::AddressHexText}},
        {"address with a hex letter", [](auto& f) { f.Indirizzo485 = "01AH"; }, 2, "Text1", {address}},
        {"address with a sign", [](auto& f) { f.Indirizzo485 = "-01H"; }, 2, "Text1", {address}},
        {"entries not a number",
         [](auto& f) { f.MassimoNumeroIngressi = "dieci"; },
         3,
         "Text3",
         {V::EntriesText}},
        {"entries negative", [](auto& f) { f.MassimoNumeroIngressi = "-1"; }, 3, "Text3", {V::EntriesText}},
        {"delay empty", [](auto& f) { f.Ritardo = ""; }, 4, "Text4", {delay}},
        {"delay 100", [](auto& f) { f.Ritardo = "100"; }, 4, "Text4", {delay}},
        {"delay 0", [](auto& f) { f.Ritardo = "0"; }, 4, "Text4", {V::DelayZeroText}},
        {"delay negative", [](auto& f) { f.Ritardo = "-2"; }, 4, "Text4", {V::DelayZeroText}},
        {"draw count letters", [](auto& f) { f.NumeroImparziale = "x"; }, 5, "Text7", {count}},
        {"draw count beyond 16 bits", [](auto& f) { f.NumeroImparziale = "32768"; }, 5, "Text7", {count}},
        {"draw count negative",
         [](auto& f) { f.NumeroImparziale = "-1"; },
         5,
         "Text7",
         {V::DrawCountNegativeText}},
        {"3 per shift x 2 shifts > 5 users",
         [](auto& f) { f.NumeroImparziale = "3"; },
         6,
         "Text7",
         {V::DrawTooLargeText}},
        {"output 3", [](auto& f) { f.AttivaOutput = "3"; }, 7, "Text10", {output}},
        {"output empty", [](auto& f) { f.AttivaOutput = ""; }, 7, "Text10", {output}},
        {"start 2 without digits",
         [](auto& f) { f.OrarioIniziale[1] = " 7:30"; },
         8,
         "Text5_1",
         {format, "Errore nella fascia 2."}},
        {"end 3 out of range",
         [](auto& f) { f.OrarioFinale[2] = "24:00"; },
         8,
         "Text6_2",
         {badTime, "Errore nella fascia 3."}},
        {"empty end 1 (absent key)",
         [](auto& f) { f.OrarioFinale[0] = ""; },
         8,
         "Text6_0",
         {format, "Errore nella fascia 1."}},
        {"band 1 start equal to end",
         [](auto& f) { f.OrarioFinale[0] = "08:00"; },
         9,
         "Text5_0",
         {badTime, "Errore nella fascia 1."}},
        {"band 2 across midnight",
         [](auto& f) { f.OrarioFinale[1] = "02:00"; },
         9,
         "Text5_1",
         {badTime, "Errore nella fascia 2."}},
        {"band 3 with one end unset",
         [](auto& f) { f.OrarioIniziale[2] = "09:00"; },
         9,
         "Text5_2",
         {badTime, "Errore nella fascia 3."}},
        {"draw time badly formed",
         [](auto& f) { f.OraImparziale = "7.30"; },
         10,
         "Text9",
         {format, V::DrawTimeText}},
        {"draw time out of range",
         [](auto& f) { f.OraImparziale = "07:60"; },
         10,
         "Text9",
         {badTime, V::DrawTimeText}},
        {"scheduled draw without a time",
         [](auto& f) { f.OraImparziale = "##:##"; },
         11,
         "Text9",
         {V::DrawTimeUnsetText}},
        {"file name of nine characters",
         [](auto& f) { f.FileVireo = "CARTE1234"; },
         12,
         "Text8",
         {"Il nome del file deve essere al massimo di 8 caratteri."}},
        {"file name with a dot",
         [](auto& f) { f.FileVireo = "CARTE.TX"; },
         12,
         "Text8",
         {"Il nome del file non deve contenere il carattere punto."}},
        {"backup time out of range",
         [](auto& f) { f.OraBackup = "24:00"; },
         13,
         "Text12",
         {badTime, V::BackupTimeText}},
        {"backup time without a colon",
         [](auto& f) { f.OraBackup = "0230"; },
         13,
         "Text12",
         {format, V::BackupTimeText}},
        {"no backup copies kept", [](auto& f) { f.CopieBackup = "0"; }, 14, "Text13", {V::BackupCopiesText}},
        {"backup copies not a number",
         [](auto& f) { f.CopieBackup = "sette"; },
         14,
         "Text13",
         {V::BackupCopiesText}},
    };
    for (const Case& c : cases) {
        SettingsDialogFields f = validFields();
        c.change(f);
        const auto failure = V::firstFailure(f, population(5, 2));
        ASSERT_TRUE(failure.has_value()) << c.what;
        EXPECT_EQ(failure->rule, c.rule) << c.what;
        EXPECT_EQ(failure->control, c.control) << c.what;
        EXPECT_EQ(failure->messages, c.messages) << c.what;

        // Shown as "Attenzione" with the exclamation icon, in order.
        ScriptedOperator op;
        std::string control;
        EXPECT_FALSE(V::check(f, population(5, 2), op, &control)) << c.what;
        EXPECT_EQ(op.texts(), c.messages) << c.what;
        for (const auto& shown : op.shown) {
            EXPECT_EQ(shown.title, "Attenzione") << c.what;
            EXPECT_EQ(shown.icon, MsgIcon::Exclamation) << c.what;
        }
        EXPECT_EQ(control, c.control) << c.what;
    }
}

TEST(SettingsValidationTest, ValuesAtTheEdgesPass) {
    const std::vector<std::pair<const char*, std::function<void(SettingsDialogFields&)>>> cases = {
        {"nothing changed", [](auto&) {}},
        {"polling 1", [](auto& f) { f.Polling = "1"; }},
        {"polling of nine digits", [](auto& f) { f.Polling = "999999999"; }},
        {"address 999H", [](auto& f) { f.Indirizzo485 = "999H"; }},
        {"address 000H", [](auto& f) { f.Indirizzo485 = "000H"; }},
        {"delay 1", [](auto& f) { f.Ritardo = "1"; }},
        {"delay 99", [](auto& f) { f.Ritardo = "99"; }},
        {"delay with a leading zero", [](auto& f) { f.Ritardo = "01"; }},
        {"draw count 0", [](auto& f) { f.NumeroImparziale = "0"; }},
        {"draw count exactly fills the users", [](auto& f) { f.NumeroImparziale = "5"; }},
        {"inspection off with too many per shift",
         [](auto& f) {
             f.Imparziale = false;
             f.NumeroImparziale = "30";
         }},
        {"output 0", [](auto& f) { f.AttivaOutput = "0"; }},
        {"output 2", [](auto& f) { f.AttivaOutput = "2"; }},
        {"every band unset",
         [](auto& f) {
             f.OrarioIniziale = {"##:##", "##:##", "##:##"};
             f.OrarioFinale = {"##:##", "##:##", "##:##"};
         }},
        {"band up to 23:59", [](auto& f) { f.OrarioFinale[1] = "23:59"; }},
        {"no scheduled draw and no time",
         [](auto& f) {
             f.ScattareAdOrario = false;
             f.OraImparziale = "##:##";
         }},
        {"file name of eight characters", [](auto& f) { f.FileVireo = "CARTE123"; }},
        {"no file name", [](auto& f) { f.FileVireo = ""; }},
        {"daily backup at 23:59 keeping one copy",
         [](auto& f) {
             f.OraBackup = "23:59";
             f.CopieBackup = "1";
         }},
        {"no daily backup, usual copies",
         [](auto& f) {
             f.OraBackup = "";
             f.CopieBackup = "";
         }},
    };
    for (const auto& [what, change] : cases) {
        SettingsDialogFields f = validFields();
        change(f);
        const auto failure = V::firstFailure(f, population(10, 2));
        EXPECT_FALSE(failure.has_value()) << what << ": rule " << (failure ? failure->rule : 0);
        ScriptedOperator op;
        EXPECT_TRUE(V::check(f, population(10, 2), op)) << what;
        EXPECT_TRUE(op.shown.empty()) << what;
    }
}

TEST(SettingsValidationTest, TheFirstFailingRuleIsTheOnlyOneShown) {
    SettingsDialogFields f = validFields();
    f.FileVireo = "A.B";         // 12
    f.OraImparziale = "##:##";   // 11
    f.OrarioFinale[0] = "07:00"; // 9
    f.AttivaOutput = "5";        // 7
    f.Ritardo = "0";             // 4
    f.Indirizzo485 = "12";       // 2
    const std::vector<std::pair<std::function<void()>, int>> fixes = {
        {[&] { f.Indirizzo485 = "012H"; }, 4},    {[&] { f.Ritardo = "5"; }, 7},
        {[&] { f.AttivaOutput = "0"; }, 9},       {[&] { f.OrarioFinale[0] = "12:00"; }, 11},
        {[&] { f.OraImparziale = "06:00"; }, 12},
    };
    EXPECT_EQ(V::firstFailure(f, population(10, 2))->rule, 2);
    for (const auto& [fix, next] : fixes) {
        fix();
        const auto failure = V::firstFailure(f, population(10, 2));
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->rule, next);
    }
}

TEST(SettingsValidationTest, TheTablesAreCountedOnlyWhenTheInspectionNeedsThem) {
    int asked = 0;
    const V::PopulationSource counting = [&] {
        ++asked;
        return V::Population{0, 0};
    };
    SettingsDialogFields f = validFields();
    f.Imparziale = false;
    EXPECT_FALSE(V::firstFailure(f, counting).has_value());
    f.Imparziale = true;
    f.NumeroImparziale = "0";
    EXPECT_FALSE(V::firstFailure(f, counting).has_value());
    f.Polling = "0"; // fails before rule 6
    f.NumeroImparziale = "1";
    EXPECT_EQ(V::firstFailure(f, counting)->rule, 1);
    EXPECT_EQ(asked, 0);

    f.Polling = "5";
    // 1 x 1 shift > 0 users; one user per shift with no shift at all passes.
    EXPECT_EQ(V::firstFailure(f, [&] { return V::Population{0, 1}; })->rule, 6);
    EXPECT_FALSE(V::firstFailure(f, [&] { return V::Population{0, 0}; }).has_value());
    // No product overflow with a large count.
    f.NumeroImparziale = "32767";
    EXPECT_EQ(V::firstFailure(f, [&] { return V::Population{1000000, 1000000000000LL}; })->rule, 6);
}

TEST(SettingsValidationTest, PopulationCountsUsersAndShifts) {
    TestInstall install;
    EXPECT_EQ(V::countPopulation(*install.db()).users, 0);
    EXPECT_EQ(V::countPopulation(*install.db()).shifts, 0);
    for (const char* card : {"0001", "0002", "0003"}) {
        TestInstall::User u;
        u.NumeroCarta = card;
        install.addUser(u);
    }
    install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('Mattina')");
    const auto p = V::countPopulation(*install.db());
    EXPECT_EQ(p.users, 3);
    EXPECT_EQ(p.shifts, 1);
}

} // namespace
} // namespace sentinex
