// Online access control end to end: a card presented at a simulated reader travels through the real
// serial link (and the simulated L-485 board), the polling step, the decision and the records of the
// main window; the outcome is read back from the window, the database, the settings file,
// "Storico.txt" and what the reader received.

#include "E2eRig.hpp"

#include <QImage>
#include <QPixmap>

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace sentinex::e2e {
namespace {

constexpr int Grant = -1;
constexpr int Red = 255;
constexpr int Green = 65280;

/// Five readers; with the board, the first three share address 1 on loops 1, 3 and 8 so only the loop
/// selection tells them apart. Reader 4 is a Vireo reader, reader 5 neither entrance nor exit.
std::vector<Rig::Reader> layout(bool board) {
    return {
        {1, 1, "Ingresso", "In"},           {3, board ? 1 : 2, "Uscita", "Out"},
        {8, board ? 1 : 3, "#Atrio", "In"}, {1, 4, "Vireo", "In", "TERA TR-X"},
        {3, 5, "Atrio", "Varco"},
    };
}

const char* const DayNames[] = {"Domenica", "Lunedì", "Martedì", "Mercoledì", "Giovedì", "Venerdì", "Sabato"};
const char* const DayFlags[] = {"Domenica", "Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato"};
const char* const DayPrefixes[] = {"Dom", "Lun", "Mar", "Mer", "Gio", "Ven", "Sab"};

using User = TestInstall::User;

void bandsEveryDay(User& u, bool dayOn, const char* from, const char* to) {
    u.extra["Flag_fasce"] = true;
    for (int d = 0; d < 7; ++d) {
        u.extra[DayFlags[d]] = dayOn;
        u.extra[std::string(DayPrefixes[d]) + "_1_da"] = from;
        u.extra[std::string(DayPrefixes[d]) + "_1_a"] = to;
    }
}

const std::string Card = "0042000123"; // card 0042, site code 000123, four-digit positions 0-3
const std::string Refusal = "K000000000";
const std::string Granted = "Carta 0042 - Accesso consentito - Bianchi Anna";

/// Input 1 on and input 2 off, both required.
void requireInputs10(User& u) {
    u.extra.insert({{"ControllaInput", true}, {"MetodoInput", true}, {"Input1", true}, {"Input2", false}});
}

struct Case {
    const char* name;
    int reader;                                       // 1-based, as in `layout`
    std::string card = Card;                          // card data the reader reports
    int code = Grant;                                 // reason code, or Grant
    std::string message = Granted;                    // Label3 up to the date (the whole text for codes 5, 9)
    std::string command = Refusal;                    // what follows the prefix in the reader's K command
    std::vector<std::string> insideBefore = {};       // `presenti`; "Utenti" is set to its size
    std::vector<std::string> insideAfter = {};        // `presenti` afterwards
    int utentiAfter = 0;                              // "Utenti" afterwards
    std::function<void(User&)> user = nullptr;        // changes to user 0042 Bianchi Anna (outputs 1 and 0)
    std::map<std::string, std::string> settings = {}; // changes to settingsText()
    char in1 = '0', in2 = '0';                        // input states the reader reports
    bool board = false;                               // through the L-485 board
    bool paced = false;                               // the simulator sends at 4800 baud pace
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
// A drawn user: the only one eligible in shift "Turno A" (in `Fasce` for every case), drawn by the
// start-up run of the random inspection with one user per shift.
void drawnAtStartUp(User& u) {
    u.extra["NomeFascia"] = std::string("Turno A");
}
const std::map<std::string, std::string> inspectionOn = {{"Imparziale", "Si"}, {"NumeroImparziale", "1"}};

const Case Cases[] = {
    {.name = "entrance granted", .reader = 1, .command = "K110001000", .insideAfter = {"0042"}, .utentiAfter = 1},
    {.name = "exit granted on loop 3", .reader = 2, .command = "K100001001", .insideBefore = {"0007", "0042"},
     .insideAfter = {"0007"}, .utentiAfter = 1, .user = [](User& u) { u.extra = {{"Output1", false}, {"Output2", true}}; }},
    {.name = "passage at a reader neither in nor out leaves the presence alone", .reader = 5, .command = "K110001001",
     .insideBefore = {"0007"}, .insideAfter = {"0007"}, .utentiAfter = 1,
     .user = [](User& u) { u.extra["Output2"] = true; }},
    {.name = "card registered by its raw data passes whatever its site code", .reader = 1, .card = "0042999999",
     .command = "K110001000", .insideAfter = {"0042"}, .utentiAfter = 1,
     .user = [](User& u) { u.extra["Stringa"] = "0042999999"; }},
    {.name = "Vireo card found in the card file", .reader = 4, .card = "ABCDEF", .command = "K110001000",
     .insideAfter = {"0042"}, .utentiAfter = 1},
    {.name = "drawn user passes at a reader without #", .reader = 1, .command = "K110001000", .insideAfter = {"0042"},
     .utentiAfter = 1, .user = drawnAtStartUp, .settings = inspectionOn},
    {.name = "inputs in the required state", .reader = 1, .command = "K110001000", .insideAfter = {"0042"},
     .utentiAfter = 1, .user = requireInputs10, .in1 = '1', .in2 = '0'},

    {.name = "code 0: Vireo card not in the card file", .reader = 4, .card = "ZZZZZZ", .code = 0,
     .message = "Carta non riconosciuta "},
    {.name = "code 1: unknown card", .reader = 1, .card = "9999000123", .code = 1,
     .message = "Carta non presente nel database "},
    {.name = "code 2: site code of another installation", .reader = 1, .card = "0042999999", .code = 2,
     .message = "Codice impianto differente "},
    {.name = "code 3: day not enabled", .reader = 1, .code = 3,
     .message = "Carta 0042 - Accesso negato - Giorno non abilitato (%DAY%)",
     .user = [](User& u) { bandsEveryDay(u, false, "00:00", "23:59"); }},
    {.name = "code 3: outside the bands (22:00-06:00 holds no moment)", .reader = 1, .code = 3,
     .message = "Carta 0042 - Accesso negato - Fuori fascia oraria (%DAY%)",
     .user = [](User& u) { bandsEveryDay(u, true, "22:00", "06:00"); }},
    {.name = "code 3 at an exit: the exit is booked before the bands refuse", .reader = 2, .code = 3,
     .message = "Carta 0042 - Accesso negato - Giorno non abilitato (%DAY%)", .insideBefore = {"0042", "0007"},
     .insideAfter = {"0007"}, .utentiAfter = 1, .user = [](User& u) { bandsEveryDay(u, false, "00:00", "23:59"); }},
    {.name = "code 4: card not enabled", .reader = 1, .code = 4, .message = "Carta 0042 non abilitata  ",
     .user = [](User& u) { u.AbilitaCarta = false; }},
    {.name = "code 5: not enabled on reader 2", .reader = 2, .code = 5,
     .message = "Carta 0042 non abilitata sul lettore 2 situato presso Uscita", .insideBefore = {"0042"},
     .insideAfter = {"0042"}, .utentiAfter = 1, .user = [](User& u) { u.Lettore = "10" + std::string(62, '1'); }},
    {.name = "code 6: drawn user at a # reader", .reader = 3, .code = 6,
     .message = "Carta 0042 accesso negato (imparziale attivo) ",
     .user = drawnAtStartUp, .settings = inspectionOn},
    {.name = "code 7: second entrance", .reader = 1, .code = 7,
     .message = "Carta 0042 - Accesso negato (antipass-back on) ", .insideBefore = {"0042"},
     .insideAfter = {"0042"}, .utentiAfter = 1},
    {.name = "code 7: exit without entrance", .reader = 2, .code = 7,
     .message = "Carta 0042 - Accesso negato (antipass-back on) ", .insideBefore = {"0007"},
     .insideAfter = {"0007"}, .utentiAfter = 1},
    {.name = "code 8: not enabled online", .reader = 1, .code = 8, .message = "Carta 0042 non abilitata all'On-Line ",
     .user = [](User& u) { u.Flag_online = false; }},
    {.name = "code 9: entry limit reached", .reader = 1, .code = 9,
     .message = "Carta 0042 - Accesso negato - Limite ingressi raggiunto", .insideBefore = {"0007", "0008"},
     .insideAfter = {"0007", "0008"}, .utentiAfter = 2,
     .settings = {{"FlagMassimoNumeroIngressi", "Si"}, {"MassimoNumeroIngressi", "2"}}},
    {.name = "code 10: inputs not in the required state", .reader = 1, .code = 10,
     .message = "Carta 0042 - Input non validi - Accesso negato", .user = requireInputs10},

    // Through the board: three readers at address 1 on loops 1, 3 and 8.
    {.name = "board: entrance granted on loop 1", .reader = 1, .command = "K110001000", .insideAfter = {"0042"},
     .utentiAfter = 1, .board = true},
    {.name = "board: exit granted on loop 3", .reader = 2, .command = "K100001001", .insideBefore = {"0042"},
     .user = [](User& u) { u.extra = {{"Output1", false}, {"Output2", true}}; }, .board = true},
    {.name = "board: entrance granted on loop 8", .reader = 3, .command = "K110001000", .insideAfter = {"0042"},
     .utentiAfter = 1, .board = true},
    {.name = "board: code 6 on loop 8", .reader = 3, .code = 6, .message = "Carta 0042 accesso negato (imparziale attivo) ",
     .user = drawnAtStartUp, .settings = inspectionOn, .board = true},
    {.name = "board: code 7 on loop 3", .reader = 2, .code = 7,
     .message = "Carta 0042 - Accesso negato (antipass-back on) ", .board = true},
    {.name = "board: Vireo grant on loop 1", .reader = 4, .card = "ABCDEF", .command = "K110001000",
     .insideAfter = {"0042"}, .utentiAfter = 1, .board = true},

    // At the pace of a real line.
    {.name = "paced: entrance granted", .reader = 1, .command = "K110001000", .insideAfter = {"0042"},
     .utentiAfter = 1, .paced = true},
    {.name = "paced board: exit granted on loop 3", .reader = 2, .command = "K110001000", .insideBefore = {"0042"},
     .board = true, .paced = true},
    {.name = "paced board: code 1 on loop 8", .reader = 3, .card = "9999000123", .code = 1,
     .message = "Carta non presente nel database ", .board = true, .paced = true},
};
// clang-format on

std::string replaceDay(std::string text, const DateTime& now) {
    const auto at = text.find("%DAY%");
    if (at != std::string::npos) {
        text.replace(at, 5, DayNames[now.weekday()]);
    }
    return text;
}

/// `nota` of a refusal by reason code.
const char* const Notes[] = {"Carta irregolare",
                             "Badge non presente in archivio",
                             "Codice impianto non valido",
                             "Fuori fascia",
                             "",
                             "Non abilitato sul lettore",
                             "Blocco da imparziale",
                             "Blocco per anti pass back",
                             "Non abilitato all' online",
                             "Bloco per numero massimo",
                             "Blocco per input non valido"};

bool undated(int code) {
    return code == 5 || code == 9;
}

std::vector<std::string> presenti(Rig& rig) {
    std::vector<std::string> out;
    for (const auto& row : rig.install.db()->query("SELECT NumeroBadge FROM presenti ORDER BY NumeroBadge")) {
        out.push_back(row.at(0).toString());
    }
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

/// When SENTINEX_E2E_SHOTS names a folder, the window is saved there as <name>.png.
void screenshot(Rig& rig, const std::string& name) {
    const char* dir = std::getenv("SENTINEX_E2E_SHOTS");
    if (!dir || !*dir) {
        return;
    }
    rig.frm->show();
    QCoreApplication::processEvents();
    const QPixmap shot = rig.frm->grab();
    EXPECT_TRUE(shot.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"))) << name;
}

class OnlineAccessTest : public ::testing::TestWithParam<Case> {};

TEST_P(OnlineAccessTest, CardPresentedAtAReader) {
    const Case& c = GetParam();
    std::map<std::string, std::string> settings = c.settings;
    settings["Utenti"] = std::to_string(c.insideBefore.size());
    Rig rig(layout(c.board), c.board, settingsText(settings));
    ASSERT_TRUE(rig.sim->running());
    rig.install.temp().write("vireo.txt", "\"001QWERTY\"\r\n\"042ABCDEF\"\r\n");
    User u;
    u.NumeroCarta = "0042";
    u.Cognome = "Bianchi";
    u.Nome = "Anna";
    u.extra["Output1"] = true;
    u.extra["Output2"] = false;
    if (c.user) {
        c.user(u);
    }
    rig.install.addUser(u);
    User other; // another user, so a lookup that ignored the card number would be seen
    other.NumeroCarta = "0007";
    other.Cognome = "Verdi";
    rig.install.addUser(other);
    for (const std::string& badge : c.insideBefore) {
        rig.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {badge});
    }
    rig.install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('Turno A')");
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.label("Label4"), std::to_string(c.insideBefore.size()));

    const DateTime before = rig.clock.now();
    rig.present(c.reader, c.card, c.in1, c.in2);
    rig.click("Command4");
    const bool logged = pumpUntil([&] { return rig.count("SELECT COUNT(*) FROM transiti") > 0; });
    const DateTime after = rig.clock.now();
    screenshot(rig, c.code == Grant ? "granted" : "refused");
    rig.stopPolling();
    ASSERT_TRUE(logged) << "nothing recorded; Label3: " << rig.label("Label3");

    // What the reader was told, and that no other reader (same address on other loops) heard it.
    const std::string prefix = rig.prefix(c.reader);
    EXPECT_EQ(rig.kRequests(c.reader), std::vector<std::string>{prefix + c.command});
    for (int k = 1; k <= 5; ++k) {
        if (k != c.reader) {
            EXPECT_TRUE(rig.kRequests(k).empty()) << "reader " << k;
        }
    }
    if (c.code == Grant) {
        const auto dump = rig.sim->dump(rig.reader(c.reader).loop, rig.reader(c.reader).address);
        EXPECT_EQ(dump.at("out1"), c.command.substr(2, 1));
        EXPECT_EQ(dump.at("out2"), c.command.substr(9, 1));
    }

    // The window.
    const std::string label3 = rig.label("Label3");
    std::string expected = replaceDay(c.message, after);
    if (undated(c.code)) {
        EXPECT_EQ(label3, expected);
    } else {
        EXPECT_EQ(label3.substr(0, label3.find('\n')), expected);
        const std::string stamp = label3.substr(label3.find('\n') + 1);
        EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)"))) << label3;
    }
    EXPECT_EQ(rig.label("Label8").rfind("Stringa ricevuta : " + c.card + "  ", 0), 0u) << rig.label("Label8");
    EXPECT_EQ(rig.lamp("Shape1"), c.code == Grant ? Green : Red);
    EXPECT_EQ(rig.lamp("Shape2"), c.code == Grant ? Green : Red);
    EXPECT_TRUE(rig.op.messages().empty()) << rig.op.messages().front().text;

    // The record.
    const auto rows = rig.install.db()->query("SELECT NumeroBadge, Cognome, Nome, PosizioneLettore, Data, "
                                              "Ora, Passaggio, verso, nota FROM transiti");
    ASSERT_EQ(rows.size(), 1u);
    const auto& r = rows[0];
    const bool anonymous = c.code == 0 || c.code == 1 || c.code == 2;
    // A card nobody holds is stored with the number as it was read, so the history tells which one tried.
    const bool readNumber = c.code == 1 || c.code == 2;
    EXPECT_EQ(r[0].toString(), readNumber ? c.card.substr(0, 4) : anonymous ? "" : "0042");
    EXPECT_EQ(r[1].toString(), anonymous ? "" : "Bianchi");
    EXPECT_EQ(r[2].toString(), anonymous ? "" : "Anna");
    std::string where = rig.reader(c.reader).location;
    where.resize(8, ' '); // as stored in Lettori
    EXPECT_EQ(r[3].toString(), where);
    EXPECT_TRUE(r[4].toString() == before.dateText() || r[4].toString() == after.dateText())
        << r[4].toString();
    EXPECT_TRUE(r[5].toString() == before.timeText() || r[5].toString() == after.timeText())
        << r[5].toString();
    EXPECT_EQ(r[6].toBool(), c.code == Grant);
    EXPECT_EQ(r[7].toString(), rig.reader(c.reader).state);
    EXPECT_EQ(r[8].toString(), c.code == Grant ? std::string("Passaggio") : std::string(Notes[c.code]));

    // Presence table, counter in the settings file and on the window.
    EXPECT_EQ(presenti(rig), sorted(c.insideAfter));
    EXPECT_EQ(rig.utentiInFile(), std::to_string(c.utentiAfter));
    // The counter on the window follows confirmed passages only.
    EXPECT_EQ(rig.label("Label4"), std::to_string(c.code == Grant ? c.utentiAfter : c.insideBefore.size()));
    EXPECT_FALSE(std::filesystem::exists(rig.install.temp().file("Storico.txt")));
}

INSTANTIATE_TEST_SUITE_P(Cases, OnlineAccessTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p) {
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return n;
                         });

TEST(OnlineAccessTextHistoryTest, GrantGoesToStoricoTxtAndRefusalsStayInTheTable) {
    Rig rig(layout(false), false, settingsText({{"StoricoEsterno", "Si"}}));
    ASSERT_TRUE(rig.sim->running());
    User u;
    u.NumeroCarta = "0042";
    u.Cognome = "Bianchi";
    u.Nome = "Anna";
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    const std::string storico = rig.install.temp().file("Storico.txt");

    const DateTime before = rig.clock.now();
    rig.present(5, Card);
    rig.present(1, "9999000123"); // unknown card: a refusal, recorded in the table all the same
    rig.click("Command4");
    const bool done = pumpUntil(
        [&] { return std::filesystem::exists(storico) && rig.count("SELECT COUNT(*) FROM transiti") > 0; });
    const DateTime after = rig.clock.now();
    rig.stopPolling();
    ASSERT_TRUE(done) << rig.label("Label3");

    auto line = [](const DateTime& t) {
        return "\"0042           Anna        Bianchi   05    Atrio " + t.dateText() + " " + t.timeText() +
               " Passaggio Varco\"\r\n";
    };
    const std::string text = sentinex::testing::TempDir::read(storico);
    EXPECT_TRUE(text == line(before) || text == line(after)) << text;
    EXPECT_EQ(rig.kRequests(5), std::vector<std::string>{rig.prefix(5) + "K110001001"});
    EXPECT_EQ(rig.kRequests(1), std::vector<std::string>{rig.prefix(1) + Refusal});
    const auto rows = rig.install.db()->query("SELECT Passaggio, nota, PosizioneLettore FROM transiti");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0][0].toBool());
    EXPECT_EQ(rows[0][1].toString(), "Badge non presente in archivio");
    EXPECT_EQ(rows[0][2].toString(), "Ingresso");
}

} // namespace
} // namespace sentinex::e2e
