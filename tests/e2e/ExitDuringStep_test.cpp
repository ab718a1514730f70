// Buttons pressed while a polling step is between the reader's answer and the record: the real window,
// link and clock, with the click arriving through the events that the step itself lets run (the
// refusal beep, the wait for the grant's confirmation), as an operator's click would.

#include "E2eRig.hpp"

namespace sentinex::e2e {
namespace {

/// Calls `action` from the event loop as soon as `ready` holds: a click that arrives inside whatever
/// wait is running at that moment.
class ClickWhen {
public:
    ClickWhen(std::function<bool()> ready, std::function<void()> action)
        : m_ready(std::move(ready)), m_action(std::move(action)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_done && m_ready()) {
                m_done = true;
                m_action();
            }
            if (m_after) {
                m_after();
            }
        });
        m_timer.start(2);
    }
    bool done() const { return m_done; }
    /// Runs at every later tick too (to watch the window while the step goes on).
    void alsoEachTick(std::function<void()> f) { m_after = std::move(f); }

private:
    QTimer m_timer;
    std::function<bool()> m_ready;
    std::function<void()> m_action;
    std::function<void()> m_after;
    bool m_done = false;
};

std::vector<Rig::Reader> twoReaders() {
    return {{1, 1, "Ingresso", "In"}, {1, 2, "Vireo", "In", "TERA TR-X"}};
}

TEST(ExitDuringStepTest, ExitDuringTheRefusalBeepEndsAfterTheRefusalIsStored) {
    Rig rig(twoReaders(), false, settingsText({{"Beep", "Si"}}));
    ASSERT_TRUE(rig.sim->running());
    ASSERT_TRUE(rig.start());
    rig.frm->show();
    std::optional<long long> rowsAtQuit;
    rig.onQuit = [&] { rowsAtQuit = rig.count("SELECT COUNT(*) FROM transiti"); };

    rig.present(1, "9999000123");    // not in Carte: refused, recorded, then a one-second beep
    rig.op.queueAnswer(Answer::Yes); // polling is on: leaving is confirmed
    long long rowsAtClick = -1;
    bool quitAtClick = true;
    std::size_t askedAtClick = 0;
    ClickWhen exit([&] { return rig.op.beeps > 0; },
                   [&] {
                       rowsAtClick = rig.count("SELECT COUNT(*) FROM transiti");
                       rig.click("Command5");
                       quitAtClick = rig.quitCode.has_value();
                       askedAtClick = rig.op.shown.size();
                   });
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] { return rig.quitCode.has_value(); }));

    ASSERT_TRUE(exit.done());
    EXPECT_EQ(rowsAtClick, 1) << "the refusal is stored before its beep";
    EXPECT_FALSE(quitAtClick) << "the program ended before the step did";
    EXPECT_EQ(askedAtClick, 0u) << "the question waits for the step, which a box would hold";
    ASSERT_EQ(rig.op.shown.size(), 1u);
    EXPECT_EQ(rig.op.shown[0].text, "Il polling è attivo: le porte non saranno più controllate. Uscire?");
    EXPECT_EQ(rig.quitCode, 0);
    EXPECT_EQ(rowsAtQuit, 1);
    EXPECT_GT(rig.op.beeps, 0);
    const auto rows = rig.install.db()->query("SELECT Passaggio, nota FROM transiti");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1].toString(), "Badge non presente in archivio");
    // Nothing reaches the readers once the program has ended.
    const int polls = rig.polls(1) + rig.polls(2);
    pumpFor(150);
    EXPECT_EQ(rig.polls(1) + rig.polls(2), polls);
}

TEST(ExitDuringStepTest, ExitWhileTheGrantConfirmationIsOnItsWayRecordsThePassage) {
    Rig rig(twoReaders(), false);
    ASSERT_TRUE(rig.sim->running());
    rig.install.temp().write("vireo.txt", "\"042ABCDEF\"\r\n");
    TestInstall::User u;
    u.NumeroCarta = "0042";
    rig.install.addUser(u);
    ASSERT_TRUE(rig.start());
    std::optional<long long> grantsAtQuit;
    std::string utentiAtQuit;
    rig.onQuit = [&] {
        grantsAtQuit =
            rig.count("SELECT COUNT(*) FROM transiti WHERE Passaggio = 1 AND NumeroBadge = '0042'");
        utentiAtQuit = rig.utentiInFile();
    };

    // The Vireo reader answers both the poll and the grant 300 ms late (within their timeouts), so the
    // grant is on the reader while its confirmation is still under way.
    rig.sim->setFault(1, 2, "late 300 count=2");
    rig.present(2, "ABCDEF");
    rig.op.queueAnswer(Answer::Yes); // polling is on: leaving is confirmed
    long long rowsAtClick = -1;
    bool quitAtClick = true;
    ClickWhen exit(
        [&] {
            const auto k = rig.kRequests(2);
            return !k.empty() && k.back().substr(8, 2) == "K1";
        },
        [&] {
            rowsAtClick = rig.count("SELECT COUNT(*) FROM transiti");
            rig.click("Command5");
            quitAtClick = rig.quitCode.has_value();
        });
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] { return rig.quitCode.has_value(); }));

    ASSERT_TRUE(exit.done());
    EXPECT_EQ(rowsAtClick, 0);
    EXPECT_FALSE(quitAtClick) << "the program ended with the door opened and not recorded";
    EXPECT_EQ(grantsAtQuit, 1);
    EXPECT_EQ(utentiAtQuit, "1") << "the entrance is counted before the program ends";
    EXPECT_EQ(rig.install.db()->query("SELECT NumeroBadge FROM presenti").size(), 1u);
}

TEST(ExitDuringStepTest, PollingOffDuringTheRefusalBeepEnablesTheToolsOnlyAfterTheStep) {
    Rig rig(twoReaders(), false, settingsText({{"Beep", "Si"}}));
    ASSERT_TRUE(rig.sim->running());
    ASSERT_TRUE(rig.start());
    QPushButton* settings = rig.child<QPushButton>("Command2");
    QPushButton* readers = rig.child<QPushButton>("Command3");
    ASSERT_EQ(settings->text(), QStringLiteral("Impostazioni"));
    ASSERT_EQ(readers->text(), QStringLiteral(" Configurazione  lettori"));

    rig.present(1, "9999000123");
    long long rowsAtClick = -1;
    bool enabledWhileStepRan = false;
    int ticksWhileStepRan = 0;
    ClickWhen off([&] { return rig.op.beeps > 0; },
                  [&] {
                      rowsAtClick = rig.count("SELECT COUNT(*) FROM transiti");
                      rig.click("Command4");
                  });
    off.alsoEachTick([&] {
        if (off.done() && rig.session->state().stepInProgress) {
            ++ticksWhileStepRan;
            enabledWhileStepRan = enabledWhileStepRan || settings->isEnabled() || readers->isEnabled();
        }
    });
    rig.click("Command4");
    ASSERT_TRUE(pumpUntil([&] {
        return off.done() && !rig.session->state().stepInProgress &&
               rig.count("SELECT COUNT(*) FROM transiti") > 0;
    }));

    EXPECT_EQ(rowsAtClick, 1) << "the refusal is stored before its beep";
    EXPECT_GT(ticksWhileStepRan, 0) << "the step was not seen running after the click";
    EXPECT_FALSE(enabledWhileStepRan);
    EXPECT_FALSE(rig.session->state().pollingOn);
    EXPECT_EQ(rig.child<QLabel>("Label1")->property("backColour").toInt(), 255);
    EXPECT_TRUE(settings->isEnabled());
    EXPECT_TRUE(readers->isEnabled());
    EXPECT_EQ(rig.count("SELECT COUNT(*) FROM transiti WHERE nota = 'Badge non presente in archivio'"), 1);
    // Switched off: no further polls.
    const int polls = rig.polls(1) + rig.polls(2);
    pumpFor(150);
    EXPECT_EQ(rig.polls(1) + rig.polls(2), polls);
}

} // namespace
} // namespace sentinex::e2e
