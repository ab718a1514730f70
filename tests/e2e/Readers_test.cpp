// Reader administration end to end: the real main window opens the reader configuration form, which
// programs the shown reader over the real link (and the simulated L-485 board) and opens the card-file
// utility; what the simulated reader holds afterwards is read back from sentinex-readersim, and a card
// captured into the card file is then granted online.

#include "E2eRig.hpp"

#include "core/Numbers.hpp"
#include "ui/readers/FrmConfLettori.hpp"
#include "ui/readers/FrmUtilVireo.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace sentinex::e2e {
namespace {

using testing::FormDriver;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string clockText(const DateTime& t) {
    return padLeftZeros(t.minute, 2) + padLeftZeros(t.hour, 2) + padLeftZeros(t.day, 2) +
           padLeftZeros(t.month, 2) + padLeftZeros(t.year % 100, 2);
}

struct ProgramCase {
    const char* name;
    std::string type;
    int siteInReader;                            // the reader's code before the run (and in `Lettori`)
    std::map<std::string, std::string> settings; // changes to settingsText()
    std::string opening;                         // typed into "Tempo apertura :"
    bool riscriviRam, testInput, fasceOrarie;    // Check1, Check2, Check3
    Answer reset;                                // answer to "Vuoi resettare il lettore ?"
    std::string fault = {};                      // on the reader before the run ("" none)
    std::string message;
    MsgIcon icon;
    std::map<std::string, std::string> state; // what the simulator reports afterwards
    std::size_t requests = 0;                 // reader requests during the run (0: not checked)
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.name;
}

const std::map<std::string, std::string> Bands = {{"Ritardo", "2"},           {"OrarioIniziale1", "07:30"},
                                                  {"OrarioFinale1", "12:00"}, {"OrarioIniziale2", "##:##"},
                                                  {"OrarioFinale2", "##:##"}, {"OrarioIniziale3", "14:00"},
                                                  {"OrarioFinale3", "19:45"}};

std::map<std::string, std::string> with(std::map<std::string, std::string> m, const std::string& key,
                                        const std::string& value) {
    m[key] = value;
    return m;
}

// clang-format off
const ProgramCase ProgramCases[] = {
    {.name = "four-digit run with reset: the reader comes back after 3 s", .type = "TERA TR-Y1",
     .siteInReader = 555, .settings = Bands, .opening = "3", .riscriviRam = true, .testInput = true,
     .fasceOrarie = true, .reset = Answer::Yes, .fault = "reboot 3000",
     .message = "Programmazione effettuata.", .icon = MsgIcon::Information,
     .state = {{"resets", "1"}, {"site", "000042"}, {"opening", "06"}, {"fourdigit", "1"},
               {"options", "020011"}, {"positions", "8C8182838485868788A8"},
               {"bands", "0730-1200,,1400-1945"}}},
    {.name = "three-digit run without reset, longest opening time", .type = "NANO NN-K",
     .siteInReader = 42, .settings = with(Bands, "QuattroCifre", "No"), .opening = "49",
     .riscriviRam = false, .testInput = false, .fasceOrarie = false, .reset = Answer::No,
     .message = "Programmazione effettuata.", .icon = MsgIcon::Information,
     .state = {{"resets", "0"}, {"site", "000042"}, {"opening", "98"}, {"fourdigit", "0"},
               {"options", "021100"}, {"positions", "8C81828485868788A8"}, {"bands", ",,"}},
     .requests = 4},
    {.name = "a reply the program does not know", .type = "TERA TR-Y1", .siteInReader = 42,
     .settings = Bands, .opening = "3", .riscriviRam = true, .testInput = false, .fasceOrarie = true,
     .reset = Answer::No, .fault = "code X", .message = "Risposta sconosciuta.", .icon = MsgIcon::Critical,
     .state = {{"resets", "0"}}, .requests = 1},
};
// clang-format on

class ReaderProgrammingE2e : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ReaderProgrammingE2e, TheShownReaderIsProgrammedThroughTheWindows) {
    const ProgramCase& c = GetParam();
    // Board mode with the reader on loop 2: the run must select it.
    Rig rig({{2, 7, "Cancello", "In", c.type, c.siteInReader}}, /*board*/ true, settingsText(c.settings));
    ASSERT_TRUE(rig.sim->running());
    ASSERT_TRUE(rig.start());
    rig.click("Command3");
    auto* conf = shownWindow<FrmConfLettori>();
    ASSERT_NE(conf, nullptr);
    FormDriver form(*conf, &rig.op);

    // The installer edits the reader and saves it, then programs it.
    form.click("Command4");
    form.type("Text4", "42");
    form.type("Text5", QString::fromStdString(c.opening));
    form.type("Text7_0", "12");
    form.type("Text8_5", "40");
    form.control<QCheckBox>("Check1").setChecked(c.riscriviRam);
    form.control<QCheckBox>("Check2").setChecked(c.testInput);
    form.control<QCheckBox>("Check3").setChecked(c.fasceOrarie);
    form.click("Command4");
    ASSERT_TRUE(rig.op.messages().empty()) << rig.op.last().text;
    ASSERT_EQ(form.text("Text4"), "000042");

    if (!c.fault.empty()) {
        rig.sim->setFault(2, 7, c.fault);
    }
    rig.sim->clearRequests(2, 7);
    bool disabledDuringRun = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { disabledDuringRun = disabledDuringRun || !form.control("Command6").isEnabled(); });
    watch.start(20);
    rig.op.queueAnswer(c.reset);
    const DateTime before = rig.clock.now();
    form.click("Command6");
    const DateTime after = rig.clock.now();
    watch.stop();

    ASSERT_FALSE(rig.op.messages().empty());
    EXPECT_EQ(rig.op.last().text, c.message);
    EXPECT_EQ(rig.op.last().icon, c.icon);
    EXPECT_EQ(rig.op.shown.front().text, "Vuoi resettare il lettore ?");
    EXPECT_TRUE(rig.op.shown.front().withCancel);
    EXPECT_TRUE(disabledDuringRun) << "the form is disabled while the run goes on";
    EXPECT_TRUE(form.control("Command6").isEnabled()) << "and enabled again afterwards";

    auto state = rig.sim->dump(2, 7);
    for (const auto& [key, value] : c.state) {
        EXPECT_EQ(state[key], value) << key;
    }
    const auto requests = rig.sim->requests(2, 7);
    if (c.requests > 0) {
        EXPECT_EQ(requests.size(), c.requests);
    }
    if (c.message == "Programmazione effettuata.") {
        EXPECT_TRUE(state["clock"] == clockText(before) || state["clock"] == clockText(after))
            << state["clock"];
    }
    if (c.reset == Answer::Yes) {
        // The reset, then polls under the reset code until the reader answered again, then the
        // configuration still addressed to code 000000.
        ASSERT_GE(requests.size(), 4u);
        EXPECT_EQ(requests[0], "W0700");
        std::size_t comeBackPolls = 0;
        while (1 + comeBackPolls < requests.size() && requests[1 + comeBackPolls] == "07000000D") {
            ++comeBackPolls;
        }
        EXPECT_GE(comeBackPolls, 2u) << "the reader was silent while it started up";
        EXPECT_EQ(requests[1 + comeBackPolls], "07000000A00004200006");
    }

    // Leaving the form gives the polling the saved reader.
    form.click("Command7");
    EXPECT_TRUE(rig.frm->isVisible());
    ASSERT_EQ(rig.session->state().readers.count(), 1);
    EXPECT_EQ(rig.session->state().readers.entry(0).siteCode, 42);
}

INSTANTIATE_TEST_SUITE_P(Runs, ReaderProgrammingE2e, ::testing::ValuesIn(ProgramCases));

TEST(CardFileE2e, CapturedCardsLoadIntoAVireoReaderAndOneIsGrantedOnline) {
    Rig rig({{1, 4, "Vireo", "In", "TERA TR-X", 123}}, /*board*/ false);
    ASSERT_TRUE(rig.sim->running());
    TestInstall::User u;
    u.NumeroCarta = "0002";
    u.Cognome = "Bianchi";
    u.extra["Output1"] = true;
    u.extra["Output2"] = false;
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    rig.click("Command3");
    auto* conf = shownWindow<FrmConfLettori>();
    ASSERT_NE(conf, nullptr);
    FormDriver confForm(*conf, &rig.op);
    confForm.click("Command8");
    auto* utility = shownWindow<FrmUtilVireo>();
    ASSERT_NE(utility, nullptr);
    EXPECT_FALSE(conf->isEnabled());
    FormDriver form(*utility, &rig.op);

    // Capture: four cards presented in turn, the third a repeat of the first; stop once three are on
    // file. Each card is presented once the reader has handed over the one before.
    const std::vector<std::string> cards = {"AAAAAA", "BBBBBB", "AAAAAA", "CCCCCC"};
    const std::string file = rig.install.dir() + "/vireo.txt";
    std::size_t presented = 0;
    std::vector<std::string> results; // each result text as it appears
    std::string lastResult;
    const auto started = std::chrono::steady_clock::now();
    QTimer presenter;
    QObject::connect(&presenter, &QTimer::timeout, [&] {
        const std::string result = form.text("Label2");
        if (result != lastResult) {
            lastResult = result;
            if (!result.empty()) {
                results.push_back(result);
            }
        }
        const bool handedOver = rig.sim->dump(1, 4)["pending"].empty();
        const std::string onFile = fileText(file);
        if (presented < cards.size() && handedOver) {
            rig.present(1, cards[presented++]);
        } else if (presented == cards.size() && handedOver &&
                   std::count(onFile.begin(), onFile.end(), '\n') == 3) {
            form.click("Command4");
        } else if (std::chrono::steady_clock::now() - started > std::chrono::seconds(30)) {
            ADD_FAILURE() << "capture did not end";
            form.click("Command4");
        }
    });
    presenter.start(50);
    rig.op.queueInput("vireo");
    form.click("Command1");
    presenter.stop();

    EXPECT_EQ(fileText(file), "\"001AAAAAA\"\r\n\"002BBBBBB\"\r\n\"003CCCCCC\"\r\n");
    EXPECT_EQ(results, (std::vector<std::string>{"Scrittura nel file Ok.", "Scrittura nel file Ok.",
                                                 "La carta è già in archivio.", "Scrittura nel file Ok."}));
    EXPECT_TRUE(rig.op.messages().empty()) << rig.op.last().text;

    // Load the file into the reader.
    rig.sim->clearRequests(1, 4);
    rig.op.queueInput("vireo");
    form.click("Command2");
    EXPECT_EQ(rig.op.last().text, "Programmazione effettuata.");
    EXPECT_EQ(SimProcess::list(rig.sim->dump(1, 4)["cardfile"]),
              (std::vector<std::string>{"001AAAAAA", "002BBBBBB", "003CCCCCC"}));
    EXPECT_EQ(rig.sim->requests(1, 4),
              (std::vector<std::string>{"04000123L001AAAAAA", "04000123L002BBBBBB", "04000123L003CCCCCC"}));

    // Back to the reader form and the main window; card BBBBBB is card 0002 and is granted online.
    form.click("Command3");
    EXPECT_TRUE(conf->isEnabled());
    confForm.click("Command7");
    ASSERT_TRUE(rig.frm->isVisible());
    rig.present(1, "BBBBBB");
    rig.click("Command4");
    const bool logged = pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") > 0; });
    rig.stopPolling();
    ASSERT_TRUE(logged) << "Label3: " << rig.label("Label3");
    EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + "K110001000"});
    const auto rows = rig.install.db()->query("SELECT NumeroBadge, Passaggio FROM transiti");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "0002");
    EXPECT_TRUE(rows[0][1].toBool());
}

} // namespace
} // namespace sentinex::e2e
