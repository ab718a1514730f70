// The stand-alone tools of the additional functions form, end to end: the real main window opens
// FrmFunzAgg, whose buttons program every card, download the stored transits (with and without the
// clearing, across the new year, in three-digit mode) and clear every reader, over the real link to
// sentinex-readersim.

#include "E2eRig.hpp"

#include "ui/admin/FrmDownLoad.hpp"
#include "ui/admin/FrmFunzAgg.hpp"

#include <QApplication>
#include <QPointer>

#include <algorithm>

namespace sentinex::e2e {
namespace {

void clickIn(QWidget* form, const char* name) {
    auto* button = form->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

std::vector<Rig::Reader> threeReaders() {
    return {{1, 1, "INGRESSO", "In"}, {2, 2, "UFFICI", "Out"}, {3, 3, "MAGAZZIN", "In"}};
}

/// A user enabled on the readers whose flags begin with `readers` (the rest "0").
TestInstall::User user(const std::string& number, bool online, const std::string& readers) {
    TestInstall::User u;
    u.NumeroCarta = number;
    u.Flag_online = online;
    u.Lettore = readers + std::string(64 - readers.size(), '0');
    return u;
}

/// "Altre opzioni" opened from the main window (no password in the kit), closed again at the end of the
/// test, before the rig goes: the form lives on its own and works on the rig's session.
class FunzAgg {
public:
    explicit FunzAgg(Rig& rig) {
        rig.click("Command7");
        m_form = shownWindow<FrmFunzAgg>();
    }
    ~FunzAgg() {
        if (m_form) {
            m_form->setEnabled(true);
            m_form->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    FunzAgg(const FunzAgg&) = delete;
    FunzAgg& operator=(const FunzAgg&) = delete;
    FrmFunzAgg* get() const { return m_form.data(); }

private:
    QPointer<FrmFunzAgg> m_form;
};

TEST(AdminE2e, ProgramAllCardsStoresAndDeletesInEveryReader) {
    Rig rig(threeReaders(), /*board*/ true);
    // 0001 on readers 1 and 3; 0002 everywhere but online; 0003 on reader 2.
    rig.install.addUser(user("0001", false, "101"));
    rig.install.addUser(user("0002", true, "111"));
    TestInstall::User third = user("0003", false, "010");
    third.extra = {{"SceltaFascia", 2}, {"Output2", false}};
    rig.install.addUser(third);
    ASSERT_TRUE(rig.start());
    FunzAgg opened(rig);
    FrmFunzAgg* funz = opened.get();
    ASSERT_NE(funz, nullptr);

    clickIn(funz, "Command6");
    ASSERT_EQ(rig.op.messages().size(), 1u) << rig.op.last().text;
    EXPECT_EQ(rig.op.last().text, "Programmazione effettuata.");
    const std::vector<std::vector<std::string>> cards = {
        SimProcess::list(rig.sim->dump(1, 1)["cards"]),
        SimProcess::list(rig.sim->dump(2, 2)["cards"]),
        SimProcess::list(rig.sim->dump(3, 3)["cards"]),
    };
    EXPECT_EQ(cards[0], (std::vector<std::string>{"0001:0111011"}));
    EXPECT_EQ(cards[1], (std::vector<std::string>{"0003:0111210"}));
    EXPECT_EQ(cards[2], (std::vector<std::string>{"0001:0111011"}));
    // The box says only that it went well; the counts stay on the main window's status line.
    EXPECT_EQ(rig.label("LabelStato"), "Upload carte completato: " + std::to_string(rig.sim->frames().size()) +
                                           " comandi accettati dai lettori");

    // Taken online, 0001 leaves the readers' memories at the next run.
    rig.install.db()->execute("UPDATE Carte SET Flag_online = 1 WHERE NumeroCarta = '0001'");
    rig.op.clear();
    clickIn(funz, "Command6");
    EXPECT_TRUE(SimProcess::list(rig.sim->dump(1, 1)["cards"]).empty());
    EXPECT_EQ(SimProcess::list(rig.sim->dump(2, 2)["cards"]), (std::vector<std::string>{"0003:0111210"}));
    EXPECT_TRUE(funz->isEnabled());
}

/// Two readers, 10 stored transits each, in three-digit mode; half stamped 31/12 23:5x, half 01/01 00:0x.
class DownloadE2e : public ::testing::TestWithParam<bool> {};

TEST_P(DownloadE2e, TwentyStoredTransitsFromTwoReadersAcrossTheNewYear) {
    const bool clearAfter = GetParam();
    Rig rig({{1, 1, "INGRESSO", "In"}, {1, 2, "UFFICI", "Out"}}, /*board*/ false,
            settingsText({{"QuattroCifre", "No"}, {"CancellaStorico", clearAfter ? "Si" : "No"}}));
    TestInstall::User luca = user("0042", true, "111");
    luca.Cognome = "Verdi";
    luca.Nome = "Luca";
    rig.install.addUser(luca);
    for (int address = 1; address <= 2; ++address) {
        for (int i = 0; i < 10; ++i) {
            const std::string card = i == 0 ? "042" : "1" + std::to_string(address) + std::to_string(i);
            const std::string stamp =
                i < 5 ? "235" + std::to_string(i) + "3112" : "000" + std::to_string(i) + "0101";
            rig.sim->queueTransit(1, address, card + stamp);
        }
    }
    const DateTime now = SystemClock().now();
    // Around midnight of new year's eve the stamps would be on the other side of the present moment.
    ASSERT_FALSE(now.month == 12 && now.day == 31 && now.hour == 23) << "run again after midnight";
    ASSERT_FALSE(now.month == 1 && now.day == 1 && now.hour == 0 && now.minute < 10) << "run again at 00:10";
    ASSERT_TRUE(rig.start());
    FunzAgg opened(rig);
    FrmFunzAgg* funz = opened.get();
    ASSERT_NE(funz, nullptr);
    clickIn(funz, "Command2");
    FrmDownLoad* download = shownWindow<FrmDownLoad>();
    ASSERT_NE(download, nullptr);
    EXPECT_FALSE(funz->isEnabled());

    clickIn(download, "Command1");
    ASSERT_EQ(rig.op.messages().size(), 1u) << rig.op.last().text;
    EXPECT_EQ(rig.op.last().text, "Operazione completata.");
    EXPECT_EQ(rig.label("LabelStato"), "DownLoad storico completato: 20 transiti registrati da 2 lettori");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(shownWindow<FrmDownLoad>(), nullptr);
    EXPECT_TRUE(funz->isEnabled());

    const auto rows = rig.install.db()->query(
        "SELECT NumeroBadge, Cognome, PosizioneLettore, Data, Ora, Passaggio, verso, nota FROM transiti "
        "ORDER BY rowid");
    ASSERT_EQ(rows.size(), 20u);
    const std::string lastYear = std::to_string(now.year - 1);
    const std::string thisYear = std::to_string(now.year);
    for (int address = 1; address <= 2; ++address) {
        for (int i = 0; i < 10; ++i) {
            SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(i));
            const auto& row = rows[static_cast<std::size_t>((address - 1) * 10 + i)];
            const std::string card = i == 0 ? "0042" : "01" + std::to_string(address) + std::to_string(i);
            EXPECT_EQ(row[0].toString(), card);
            EXPECT_EQ(row[1].toString(), i == 0 ? "Verdi" : "");
            EXPECT_EQ(row[2].toString(), address == 1 ? "INGRESSO" : "UFFICI  ");
            EXPECT_EQ(row[3].toString(), i < 5 ? "31/12/" + lastYear : "01/01/" + thisYear);
            EXPECT_EQ(row[4].toString(), i < 5 ? "23:5" + std::to_string(i) : "00:0" + std::to_string(i));
            EXPECT_EQ(row[5].toInt(), 1);
            EXPECT_EQ(row[6].toString(), address == 1 ? "In" : "Out");
            EXPECT_EQ(row[7].toString(), "OffLine");
        }
    }
    for (int address = 1; address <= 2; ++address) {
        const auto requests = rig.sim->requests(1, address);
        const bool cleared =
            std::count(requests.begin(), requests.end(), prefixOf(address, 123) + "E01") == 1;
        EXPECT_EQ(cleared, clearAfter) << address;
        EXPECT_EQ(rig.sim->dump(1, address)["transits"], "");
    }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutClearing, DownloadE2e, ::testing::Bool());

TEST(AdminE2e, ClearingEmptiesTheMemoryOfEveryReader) {
    Rig rig(threeReaders(), /*board*/ true);
    for (int k = 1; k <= 3; ++k) {
        rig.sim->queueTransit(k, k, "004209050301");
    }
    ASSERT_TRUE(rig.start());
    FunzAgg opened(rig);
    FrmFunzAgg* funz = opened.get();
    ASSERT_NE(funz, nullptr);
    rig.op.queueAnswer(Answer::Yes);
    clickIn(funz, "Command7");
    EXPECT_EQ(rig.op.last().text, "Cancellazione effettuata.");
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(rig.sim->dump(k, k)["transits"], "") << k;
        EXPECT_EQ(rig.sim->requests(k, k).back(), prefixOf(k, 123) + "E01");
    }
    EXPECT_EQ(rig.count("SELECT count(*) FROM transiti"), 0);
    EXPECT_TRUE(funz->isEnabled());
}

TEST(AdminE2e, AReaderFallingSilentMidDownloadLosesNothingAlreadyReceived) {
    Rig rig({{1, 1, "INGRESSO", "In"}}, /*board*/ false, settingsText({{"CancellaStorico", "Si"}}));
    for (int i = 0; i < 10; ++i) {
        rig.sim->queueTransit(1, 1, "00420" + std::to_string(i) + "000301");
    }
    ASSERT_TRUE(rig.start());
    FunzAgg opened(rig);
    FrmFunzAgg* funz = opened.get();
    ASSERT_NE(funz, nullptr);
    // After the fourth record is stored, the reader stops answering.
    rig.op.onProgress = [&rig](const std::string& text) {
        if (text.ends_with("transiti scaricati: 4")) {
            rig.sim->setFault(1, 1, "silent");
        }
    };
    clickIn(funz, "Command2");
    FrmDownLoad* download = shownWindow<FrmDownLoad>();
    ASSERT_NE(download, nullptr);
    clickIn(download, "Command1");
    ASSERT_EQ(rig.op.messages().size(), 1u);
    EXPECT_EQ(rig.op.last().title, "Lettore 1 situato presso INGRESSO");
    EXPECT_EQ(rig.op.last().text, "Errore di comunicazione.");
    EXPECT_EQ(rig.count("SELECT count(*) FROM transiti"), 4);
    // Not cleared: the reader keeps what it has not handed over.
    EXPECT_EQ(SimProcess::list(rig.sim->dump(1, 1)["transits"]).size(), 5u);
    EXPECT_TRUE(download->isVisible());

    // Back on line, a second download brings the rest; only the record lost in the air is missing.
    rig.op.onProgress = nullptr;
    rig.sim->setFault(1, 1, "none");
    rig.op.clear();
    clickIn(download, "Command1");
    EXPECT_EQ(rig.op.last().text, "Operazione completata.");
    std::vector<std::string> times;
    for (const auto& row : rig.install.db()->query("SELECT Ora FROM transiti ORDER BY rowid")) {
        times.push_back(row[0].toString());
    }
    EXPECT_EQ(times, (std::vector<std::string>{"00:00", "01:00", "02:00", "03:00", "05:00", "06:00", "07:00",
                                               "08:00", "09:00"}));
}

} // namespace
} // namespace sentinex::e2e
