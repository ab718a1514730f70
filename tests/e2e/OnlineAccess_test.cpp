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

struct Case {
    const char* name;
    bool board;
    int reader;                                  // 1-based, as in `layout`
    std::string card;                            // card data the reader reports
    char in1, in2;                               // its input states
    std::function<void(User&)> user;             // changes to user 0042 Bianchi Anna (outputs 1 and 0)
    std::map<std::string, std::string> settings; // changes to settingsText()
    std::vector<std::string> insideBefore;       // `presenti`; "Utenti" is set to its size
    int code;                                    // reason code, or Grant
    std::string message; // Label3 up to the date; the whole text for the undated messages (codes 5, 9)
    std::string command; // what follows the prefix in the reader's K command
    std::vector<std::string> insideAfter;
    int utentiAfter;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const std::string Card = "0042000123"; // card 0042, site code 000123, four-digit positions 0-3
const std::string Refusal = "K000000000";

const Case Cases[] = {
    {"entrance granted",
     false,
     1,
     Card,
     '0',
     '0',
     nullptr,
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
    {"exit granted on loop 3",
     false,
     2,
     Card,
     '0',
     '0',
     [](User& u) {
         u.extra = {{"Output1", false}, {"Output2", true}};
     },
     {},
     {"0007", "0042"},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K100001001",
     {"0007"},
     1},
    {"passage at a reader neither in nor out leaves the presence alone",
     false,
     5,
     Card,
     '0',
     '0',
     [](User& u) {
         u.extra = {{"Output2", true}};
     },
     {},
     {"0007"},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001001",
     {"0007"},
     1},
    {"card registered by its raw data passes whatever its site code",
     false,
     1,
     "0042999999",
     '0',
     '0',
     [](User& u) { u.extra["Stringa"] = "0042999999"; },
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
    {"Vireo card found in the card file",
     false,
     4,
     "ABCDEF",
     '0',
     '0',
     nullptr,
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
    {"drawn user passes at a reader without #",
     false,
     1,
     Card,
     '0',
     '0',
     [](User& u) { u.extra["Imparziale"] = true; },
     {{"Imparziale", "Si"}},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
    {"inputs in the required state",
     false,
     1,
     Card,
     '1',
     '0',
     [](User& u) {
         u.extra.insert(
             {{"ControllaInput", true}, {"MetodoInput", true}, {"Input1", true}, {"Input2", false}});
     },
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},

    {"code 0: Vireo card not in the card file",
     false,
     4,
     "ZZZZZZ",
     '0',
     '0',
     nullptr,
     {},
     {},
     0,
     "Carta non riconosciuta ",
     Refusal,
     {},
     0},
    {"code 1: unknown card",
     false,
     1,
     "9999000123",
     '0',
     '0',
     nullptr,
     {},
     {},
     1,
     "Carta non presente nel database ",
     Refusal,
     {},
     0},
    {"code 2: site code of another installation",
     false,
     1,
     "0042999999",
     '0',
     '0',
     nullptr,
     {},
     {},
     2,
     "Codice impianto differente ",
     Refusal,
     {},
     0},
    {"code 3: day not enabled",
     false,
     1,
     Card,
     '0',
     '0',
     [](User& u) { bandsEveryDay(u, false, "00:00", "23:59"); },
     {},
     {},
     3,
     "Carta 0042 - Accesso negato - Giorno non abilitato (%DAY%)",
     Refusal,
     {},
     0},
    {"code 3: outside the bands (22:00-06:00 holds no moment)",
     false,
     1,
     Card,
     '0',
     '0',
     [](User& u) { bandsEveryDay(u, true, "22:00", "06:00"); },
     {},
     {},
     3,
     "Carta 0042 - Accesso negato - Fuori fascia oraria (%DAY%)",
     Refusal,
     {},
     0},
    {"code 3 at an exit: the exit is booked before the bands refuse",
     false,
     2,
     Card,
     '0',
     '0',
     [](User& u) { bandsEveryDay(u, false, "00:00", "23:59"); },
     {},
     {"0042", "0007"},
     3,
     "Carta 0042 - Accesso negato - Giorno non abilitato (%DAY%)",
     Refusal,
     {"0007"},
     1},
    {"code 4: card not enabled",
     false,
     1,
     Card,
     '0',
     '0',
     [](User& u) { u.AbilitaCarta = false; },
     {},
     {},
     4,
     "Carta 0042 non abilitata  ",
     Refusal,
     {},
     0},
    {"code 5: not enabled on reader 2",
     false,
     2,
     Card,
     '0',
     '0',
     [](User& u) { u.Lettore = "10" + std::string(62, '1'); },
     {},
     {"0042"},
     5,
     "Carta 0042 non abilitata sul lettore 2 situato presso Uscita",
     Refusal,
     {"0042"},
     1},
    {"code 6: drawn user at a # reader",
     false,
     3,
     Card,
     '0',
     '0',
     [](User& u) { u.extra["Imparziale"] = true; },
     {{"Imparziale", "Si"}},
     {},
     6,
     "Carta 0042 accesso negato (imparziale attivo) ",
     Refusal,
     {},
     0},
    {"code 7: second entrance",
     false,
     1,
     Card,
     '0',
     '0',
     nullptr,
     {},
     {"0042"},
     7,
     "Carta 0042 - Accesso negato (antipass-back on) ",
     Refusal,
     {"0042"},
     1},
    {"code 7: exit without entrance",
     false,
     2,
     Card,
     '0',
     '0',
     nullptr,
     {},
     {"0007"},
     7,
     "Carta 0042 - Accesso negato (antipass-back on) ",
     Refusal,
     {"0007"},
     1},
    {"code 8: not enabled online",
     false,
     1,
     Card,
     '0',
     '0',
     [](User& u) { u.Flag_online = false; },
     {},
     {},
     8,
     "Carta 0042 non abilitata all'On-Line ",
     Refusal,
     {},
     0},
    {"code 9: entry limit reached",
     false,
     1,
     Card,
     '0',
     '0',
     nullptr,
     {{"FlagMassimoNumeroIngressi", "Si"}, {"MassimoNumeroIngressi", "2"}},
     {"0007", "0008"},
     9,
     "Carta 0042 - Accesso negato - Limite ingressi raggiunto",
     Refusal,
     {"0007", "0008"},
     2},
    {"code 10: inputs not in the required state",
     false,
     1,
     Card,
     '0',
     '0',
     [](User& u) {
         u.extra.insert(
             {{"ControllaInput", true}, {"MetodoInput", true}, {"Input1", true}, {"Input2", false}});
     },
     {},
     {},
     10,
     "Carta 0042 - Input non validi - Accesso negato",
     Refusal,
     {},
     0},

    // Through the board: three readers at address 1 on loops 1, 3 and 8.
    {"board: entrance granted on loop 1",
     true,
     1,
     Card,
     '0',
     '0',
     nullptr,
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
    {"board: exit granted on loop 3",
     true,
     2,
     Card,
     '0',
     '0',
     [](User& u) {
         u.extra = {{"Output1", false}, {"Output2", true}};
     },
     {},
     {"0042"},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K100001001",
     {},
     0},
    {"board: entrance granted on loop 8",
     true,
     3,
     Card,
     '0',
     '0',
     nullptr,
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
    {"board: code 6 on loop 8",
     true,
     3,
     Card,
     '0',
     '0',
     [](User& u) { u.extra["Imparziale"] = true; },
     {{"Imparziale", "Si"}},
     {},
     6,
     "Carta 0042 accesso negato (imparziale attivo) ",
     Refusal,
     {},
     0},
    {"board: code 7 on loop 3",
     true,
     2,
     Card,
     '0',
     '0',
     nullptr,
     {},
     {},
     7,
     "Carta 0042 - Accesso negato (antipass-back on) ",
     Refusal,
     {},
     0},
    {"board: Vireo grant on loop 1",
     true,
     4,
     "ABCDEF",
     '0',
     '0',
     nullptr,
     {},
     {},
     Grant,
     "Carta 0042 - Accesso consentito - Bianchi Anna",
     "K110001000",
     {"0042"},
     1},
};

std::string replaceDay(std::string text, const DateTime& now) {
    const auto at = text.find("%DAY%");
    if (at != std::string::npos)
        text.replace(at, 5, DayNames[now.weekday()]);
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
    for (const auto& row : rig.install.db()->query("SELECT NumeroBadge FROM presenti ORDER BY NumeroBadge"))
        out.push_back(row.at(0).toString());
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

/// When SENTINEX_E2E_SHOTS names a folder, the window is saved there as <name>.png.
void screenshot(Rig& rig, const std::string& name) {
    const char* dir = std::getenv("SENTINEX_E2E_SHOTS");
    if (!dir || !*dir)
        return;
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
    if (c.user)
        c.user(u);
    rig.install.addUser(u);
    User other; // another user, so a lookup that ignored the card number would be seen
    other.NumeroCarta = "0007";
    other.Cognome = "Verdi";
    rig.install.addUser(other);
    for (const std::string& badge : c.insideBefore)
        rig.install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)", {badge});
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
    EXPECT_EQ(r[0].toString(), anonymous ? "" : "0042");
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
                             for (const char* p = info.param.name; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
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
