#include "ui/main/FrmMain.hpp"

#include "online/PollingStep.hpp"
#include "readers/AppState.hpp"
#include "session/RunStateFile.hpp"
#include "session/Session.hpp"

#include "core/EventPump.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "ui/common/Lamp.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

/// A test installation with `readers` readers at addresses 1, 2, ... (loop 1, site code 123) and the
/// given settings file.
class Install : public TestInstall {
public:
    Install& create(int readers, const std::string& ini = "[Impostazioni]\nPolling=100\nUtenti=7\n") {
        for (int k = 1; k <= readers; ++k) {
            Reader r;
            r.NumeroIndirizzo = k;
            addReader(r);
        }
        // The random inspection is off unless a test says otherwise: its start-up draw has tests of its own.
        writeSettings(ini.find("Imparziale") == std::string::npos ? ini + "Imparziale=No\n" : ini);
        // As many persons inside as the counter says, so start-up finds nothing to mend.
        if (const auto at = ini.find("Utenti="); at != std::string::npos) {
            const int inside = std::atoi(ini.c_str() + at + 7);
            for (int i = 0; i < inside; ++i) {
                db()->execute("INSERT INTO presenti (NumeroBadge) VALUES (?)",
                              {"inside" + std::to_string(i)});
            }
        }
        return *this;
    }
    std::string file(const std::string& name) const { return temp().file(name); }
    void writeFile(const std::string& name, const std::string& content) const { temp().write(name, content); }
    std::string readFile(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    /// Leaves the folder without a database file.
    void removeDatabase() const {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(file(std::string("Sentinex.mdb") + suffix));
        }
    }
};

/// The visible top-level window whose objectName is `name` (a form opened in the main window's place),
/// or null.
QWidget* visibleWindow(const char* name) {
    QWidget* found = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QString::fromLatin1(name) && top->isVisible()) {
            found = top;
        }
    }
    return found;
}

/// What the operator was shown in message boxes.
std::vector<ScriptedOperator::Shown> messagesOf(const ScriptedOperator& op) {
    return op.messages();
}
/// The prompts of the input boxes shown.
std::vector<std::string> promptsOf(const ScriptedOperator& op) {
    std::vector<std::string> prompts;
    for (const auto& s : op.shown) {
        if (s.kind == ScriptedOperator::Kind::Input) {
            prompts.push_back(s.text);
        }
    }
    return prompts;
}

/// A main window on a test installation, with a recording bus and operator and a settable clock.
struct Window {
    explicit Window(const Install& install) {
        session = std::make_unique<Session>(install.dir(), op, clock, pump, &bus);
        frm = std::make_unique<FrmMain>(*session, [this](int code) { quitCode = code; });
    }
    int load() { return frm->load(); }

    template <typename T = QWidget> T* child(const char* name) const {
        T* w = frm->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QTimer* timer(const char* name) const { return child<QTimer>(name); }
    void click(const char* name) const { button(name)->click(); }
    void tick(const char* name) const { QMetaObject::invokeMethod(timer(name), "timeout"); }
    /// A key press arriving at `target` (the window itself by default, or the control that has focus).
    void key(int key, const QString& text = {}, QWidget* target = nullptr) const {
        QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target ? target : frm.get(), &ev);
    }
    QColor indicator(const char* name) const {
        return child<QLabel>(name)->palette().color(QPalette::Window);
    }

    OnlineFakeBus bus;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    std::optional<int> quitCode;
    std::unique_ptr<Session> session;
    std::unique_ptr<FrmMain> frm;
};

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);

TEST(FrmMainTest, ControlsCarryTheirNamesAndCaptions) {
    Install install;
    install.create(2);
    Window w(install);
    ASSERT_EQ(w.load(), 0);

    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {
        {"Command1", "   Abilitazione  carte"},
        {"Command2", "Impostazioni"},
        {"Command3", " Configurazione  lettori"},
        {"Command4", "Polling"},
        {"Command5", "Uscita dal programma"},
        {"Command6", "Output automatico"},
        {"Command7", "Altre opzioni"},
    };
    for (const auto& b : buttons) {
        QPushButton* btn = w.button(b.name);
        ASSERT_NE(btn, nullptr);
        EXPECT_EQ(btn->text().toStdString(), b.caption) << b.name;
        EXPECT_FALSE(btn->accessibleName().isEmpty()) << b.name;
    }
    ASSERT_NE(w.button("Command8"), nullptr);
    EXPECT_EQ(w.child<QLabel>("Label7")->text(), QStringLiteral("Sentinex"));
    EXPECT_EQ(w.child<QGroupBox>("Frame1")->title(), QStringLiteral("On Line"));
    EXPECT_EQ(w.child<QGroupBox>("Frame2")->title(), QStringLiteral("AntiPass-Back"));
    for (const char* name : {"Label3", "Label4", "Label8"}) {
        EXPECT_TRUE(w.child<QLabel>(name)->parentWidget() != nullptr) << name;
    }
    EXPECT_TRUE(w.child<QGroupBox>("Frame1")->isAncestorOf(w.child<QLabel>("Label3")));
    EXPECT_TRUE(w.child<QGroupBox>("Frame2")->isAncestorOf(w.child<QLabel>("Label4")));

    EXPECT_EQ(w.frm->windowTitle().toStdString(), "Sentinex  - Versione " +
                                                      std::to_string(SENTINEX_VERSION_MAJOR) + "." +
                                                      std::to_string(SENTINEX_VERSION_MINOR) + " - SX003");

    // Thirteen different animation frames and two output pictures.
    std::vector<QImage> frames;
    for (int i = 0; i < 13; ++i) {
        auto* pic = w.child<QLabel>(QStringLiteral("Image1(%1)").arg(i).toLatin1().constData());
        ASSERT_NE(pic, nullptr);
        frames.push_back(pic->pixmap().toImage());
        ASSERT_FALSE(frames.back().isNull());
        for (int j = 0; j < i; ++j) {
            EXPECT_NE(frames[static_cast<std::size_t>(j)], frames.back()) << j << " and " << i;
        }
    }
    EXPECT_NE(w.child<QLabel>("Image2(0)")->pixmap().toImage(),
              w.child<QLabel>("Image2(1)")->pixmap().toImage());
}

TEST(FrmMainTest, StartUpLeavesSwitchesOffAndShowsThePresenceCounter) {
    Install install;
    install.create(2, "[Impostazioni]\nPolling=100\nUtenti=  42\n");
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    EXPECT_FALSE(w.session->state().pollingOn);
    EXPECT_FALSE(w.session->state().outputOn);
    EXPECT_EQ(w.session->state().currentReader, 1);
    EXPECT_EQ(w.child<QLabel>("Label4")->text(), QStringLiteral("42"));
    EXPECT_EQ(w.indicator("Label1"), Red);
    EXPECT_EQ(w.indicator("Label2"), Red);
    EXPECT_TRUE(w.button("Command2")->isEnabled());
    EXPECT_TRUE(w.button("Command3")->isEnabled());
    EXPECT_TRUE(messagesOf(w.op).empty());
}

TEST(FrmMainTest, TimerIntervalsFollowReadersAndPollingSetting) {
    const struct {
        int readers;
        const char* polling;
        int interval;
    } cases[] = {{0, "100", 1000}, {4, "100", 250}, {3, "100", 333},
                 {1, "100", 1000}, {3, "0", 0},     {2, "5", 25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.readers << " readers, Polling " << c.polling);
        Install install;
        install.create(c.readers, std::string("[Impostazioni]\nPolling=") + c.polling + "\n");
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        EXPECT_EQ(w.session->state().readers.count(), c.readers);
        EXPECT_EQ(w.timer("Timer1")->interval(), c.interval);
        EXPECT_EQ(w.timer("Timer2")->interval(), 10000);
        EXPECT_EQ(w.timer("Timer3")->interval(), 60000);
        EXPECT_FALSE(w.timer("Timer1")->isActive());
        EXPECT_FALSE(w.timer("Timer2")->isActive());
        EXPECT_TRUE(w.timer("Timer3")->isActive());
        w.click("Command4");
        // An interval of 0 never ticks.
        EXPECT_EQ(w.timer("Timer1")->isActive(), c.interval > 0);
    }
}

TEST(FrmMainTest, PollingSwitchedOnEitherPollsOrSaysWhyNot) {
    const struct {
        const char* polling;
        bool ticks;
        const char* note; // the start of the status line; empty: nothing to say
    } cases[] = {{"0", false, "Polling fermo: "},
                 {"-1", false, "Polling fermo: "},
                 {"abc", false, "Polling fermo: "},
                 {"1", true, ""},
                 {"1000000000000", true, "Polling molto lento "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.polling);
        Install install;
        install.create(2, std::string("[Impostazioni]\nPolling=") + c.polling + "\nUtenti=0\n");
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        auto* status = w.child<QLabel>("LabelStato");
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->text().toStdString(), "");
        w.click("Command4");
        EXPECT_EQ(w.timer("Timer1")->isActive(), c.ticks);
        const std::string shown = status->text().toStdString();
        if (*c.note == '\0') {
            EXPECT_EQ(shown, "");
        } else {
            EXPECT_EQ(shown.rfind(c.note, 0), 0u) << shown;
            EXPECT_TRUE(status->isVisibleTo(w.frm.get()));
        }
        w.click("Command4"); // off: nothing is expected to poll, nothing to say
        EXPECT_EQ(status->text().toStdString(), "");
    }
}

TEST(FrmMainTest, ToolButtonsAreEnabledExactlyWhenBothSwitchesAreOff) {
    Install install;
    install.create(2);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    const struct {
        const char* click;
        bool polling;
        bool output;
    } steps[] = {
        {"Command4", true, false},  {"Command6", true, true},  {"Command4", false, true},
        {"Command6", false, false}, {"Command6", false, true}, {"Command6", false, false},
    };
    for (const auto& s : steps) {
        w.click(s.click);
        SCOPED_TRACE(::testing::Message()
                     << "after " << s.click << ": polling " << s.polling << " output " << s.output);
        EXPECT_EQ(w.session->state().pollingOn, s.polling);
        EXPECT_EQ(w.session->state().outputOn, s.output);
        EXPECT_EQ(w.indicator("Label1"), s.polling ? Green : Red);
        EXPECT_EQ(w.indicator("Label2"), s.output ? Green : Red);
        EXPECT_EQ(w.timer("Timer1")->isActive(), s.polling);
        EXPECT_EQ(w.timer("Timer2")->isActive(), s.output);
        const bool enabled = !s.polling && !s.output;
        EXPECT_EQ(w.button("Command2")->isEnabled(), enabled);
        EXPECT_EQ(w.button("Command3")->isEnabled(), enabled);
        EXPECT_TRUE(w.button("Command1")->isEnabled());
        EXPECT_TRUE(w.button("Command7")->isEnabled());
    }
}

TEST(FrmMainTest, PollingSwitchedOffDuringAStepEnablesToolsOnlyAfterTheStep) {
    Install install;
    install.create(2);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.click("Command4");
    std::optional<bool> enabledDuringStep;
    w.bus.duringExchange([&] {
        if (!enabledDuringStep) {
            w.click("Command4"); // the operator switches polling off while the reader is asked
            enabledDuringStep = w.button("Command2")->isEnabled();
        }
    });
    w.tick("Timer1");
    ASSERT_TRUE(enabledDuringStep.has_value());
    EXPECT_FALSE(*enabledDuringStep);
    EXPECT_FALSE(w.session->state().pollingOn);
    EXPECT_TRUE(w.button("Command2")->isEnabled());
    EXPECT_TRUE(w.button("Command3")->isEnabled());
}

TEST(FrmMainTest, PollingTickAnimatesAndServesReadersInRotation) {
    Install install;
    install.create(3);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    // Switched off: only the animation moves.
    w.tick("Timer1");
    EXPECT_EQ(w.session->state().animationFrame, 1);
    EXPECT_TRUE(w.bus.sent().empty());

    w.click("Command4");
    for (int i = 0; i < 4; ++i) {
        w.tick("Timer1");
    }
    EXPECT_EQ(w.bus.payloads(),
              (std::vector<std::string>{"01000123D", "02000123D", "03000123D", "01000123D"}));
    EXPECT_EQ(w.session->state().currentReader, 2);
    for (int i = 0; i < 13 - 5; ++i) {
        w.tick("Timer1");
    }
    EXPECT_EQ(w.session->state().animationFrame, 0); // 13 frames, then round again
    EXPECT_EQ(w.button("Command4")->icon().pixmap(40).toImage(),
              QIcon(w.child<QLabel>("Image1(0)")->pixmap()).pixmap(40).toImage());
}

TEST(FrmMainTest, OnlineViewWritesTheLabelsAndLamps) {
    Install install;
    install.create(1);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    OnlineView& view = *w.frm;
    view.showLastEvent("Carta non presente nel database \r\n02/03/2026 10:00:00");
    view.showReceived("Stringa ricevuta : 1234  02/03/2026 10:00:00");
    view.showPresence("5");
    EXPECT_EQ(w.child<QLabel>("Label3")->text(),
              QStringLiteral("Carta non presente nel database \n02/03/2026 10:00:00"));
    EXPECT_EQ(w.child<QLabel>("Label8")->text(),
              QStringLiteral("Stringa ricevuta : 1234  02/03/2026 10:00:00"));
    EXPECT_EQ(w.child<QLabel>("Label4")->text(), QStringLiteral("5"));
    for (LampColour c : {LampColour::Green, LampColour::Red}) {
        view.setLamps(c);
        for (const char* shape : {"Shape1", "Shape2"}) {
            auto* lamp = w.child<Lamp>(shape);
            EXPECT_EQ(lamp->backColour(), static_cast<int>(c));
            EXPECT_EQ(backColourToQColor(lamp->backColour()), c == LampColour::Green ? Green : Red);
        }
    }
    w.click("Command4");
    view.pollingStopped();
    EXPECT_FALSE(w.session->state().pollingOn);
    EXPECT_FALSE(w.timer("Timer1")->isActive());
    EXPECT_EQ(w.indicator("Label1"), Red);
    EXPECT_TRUE(w.button("Command2")->isEnabled());
}

TEST(FrmMainTest, StartUpFailsCleanlyWithoutAUsableDatabase) {
    const struct {
        const char* what;
        void (*prepare)(const Install&);
    } cases[] = {
        {"missing database", [](const Install& i) { i.removeDatabase(); }},
        {"not a database",
         [](const Install& i) {
             i.removeDatabase();
             i.writeFile("Sentinex.mdb", "this is no database file\n");
         }},
        {"database without the tables",
         [](const Install& i) {
             i.removeDatabase();
             Database::create(i.file("Sentinex.mdb"), "CREATE TABLE other (x INTEGER);");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Install install;
        c.prepare(install);
        Window w(install);
        EXPECT_EQ(w.load(), Session::ExitDatabase);
        ASSERT_EQ(messagesOf(w.op).size(), 1u);
        EXPECT_EQ(messagesOf(w.op)[0].title, "Errore");
        EXPECT_EQ(messagesOf(w.op)[0].icon, MsgIcon::Critical);
        EXPECT_FALSE(messagesOf(w.op)[0].text.empty());
        EXPECT_FALSE(w.timer("Timer3")->isActive());
    }
}

TEST(FrmMainTest, SecondCopyOnTheSameFolderIsRefused) {
    Install install;
    install.create(1);
    auto first = std::make_unique<Window>(install);
    ASSERT_EQ(first->load(), 0);
    {
        Window second(install);
        EXPECT_EQ(second.load(), Session::ExitAlreadyRunning);
        ASSERT_EQ(messagesOf(second.op).size(), 1u);
        EXPECT_EQ(messagesOf(second.op)[0].title, "Attenzione");
        EXPECT_EQ(messagesOf(second.op)[0].text, "Sentinex è già in esecuzione in questa cartella.");
    }
    Install other;
    other.create(1);
    Window elsewhere(other);
    EXPECT_EQ(elsewhere.load(), 0) << "another installation runs beside it";
    first.reset();
    Window after(install);
    EXPECT_EQ(after.load(), 0) << "the lock goes with the first copy";
}

TEST(FrmMainTest, MoreThan64ReadersLoadsTheFirst64AndSaysSoOnce) {
    Install install;
    install.create(66);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    EXPECT_EQ(w.session->state().readers.count(), 64);
    EXPECT_EQ(w.session->state().readers.entry(63).address, 64);
    ASSERT_EQ(messagesOf(w.op).size(), 1u);
    EXPECT_EQ(messagesOf(w.op)[0].title, "Attenzione");
    w.frm->loadReaderList();
    EXPECT_EQ(messagesOf(w.op).size(), 1u);
}

TEST(FrmMainTest, ReportDatabaseIsResetFromItsSchemaCopy) {
    Install install;
    install.create(1);
    install.writeFile("RepSentinex.mdb", "old report data");
    install.writeFile("RepSentinex.mdb.schema", "empty schema copy");
    {
        Window w(install);
        ASSERT_EQ(w.load(), 0);
    }
    EXPECT_EQ(install.readFile("RepSentinex.mdb"), "empty schema copy");

    std::filesystem::remove(install.file("RepSentinex.mdb.schema"));
    install.writeFile("RepSentinex.mdb", "kept");
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    EXPECT_EQ(install.readFile("RepSentinex.mdb"), "kept");
}

/// "Date.txt" line of the every-day kind: start in columns 17-21, end 28-32, active mark 34.
std::string orarioLine(const std::string& from, const std::string& to, char mark) {
    std::string line = "Orario";
    line.resize(16, ' ');
    line += from;
    line.resize(27, ' ');
    line += to;
    line += ' ';
    line += mark;
    return line;
}

TEST(FrmMainTest, OutputScheduleTickSetsEveryReaderOutput) {
    Install install;
    install.create(2);
    install.writeFile("Date.txt", orarioLine("06:00", "07:00", ' ') + "\r\n" +
                                      orarioLine("08:00", "18:00", 'X') + "\r\n");
    Window w(install);
    ASSERT_EQ(w.load(), 0);

    const struct {
        int hour, minute;
        const char* value;
    } cases[] = {{8, 0, "1"}, {18, 0, "1"}, {7, 59, "0"}, {18, 1, "0"}, {6, 30, "0"}};
    w.click("Command6");
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.hour << ":" << c.minute);
        w.bus.clear();
        w.clock.set({2026, 3, 2, c.hour, c.minute, 0});
        w.tick("Timer2");
        EXPECT_EQ(w.bus.payloads(), (std::vector<std::string>{std::string("01000123O0") + c.value,
                                                              std::string("02000123O0") + c.value}));
    }

    // Switched off, a late tick sends nothing; a missing schedule sends nothing and does no harm.
    w.click("Command6");
    w.bus.clear();
    w.tick("Timer2");
    EXPECT_TRUE(w.bus.sent().empty());
    std::filesystem::remove(install.file("Date.txt"));
    w.click("Command6");
    w.tick("Timer2");
    EXPECT_TRUE(w.bus.sent().empty());
    EXPECT_TRUE(messagesOf(w.op).empty());
}

/// A bus that, like the serial link, keeps work asked for during an exchange until the exchange ends.
class DeferringBus final : public ReaderBus {
public:
    std::string exchange(const ReaderAddress&, const std::string& payload, Timing) override {
        if (m_busy) {
            return {}; // a second exchange on the line at once is refused
        }
        payloads.push_back(payload);
        m_busy = true;
        if (during) {
            auto hook = std::move(during);
            hook();
        }
        m_busy = false;
        auto idle = std::move(m_idle);
        for (auto& a : idle) {
            a();
        }
        return {};
    }
    bool busy() const override { return m_busy; }
    void runWhenIdle(std::function<void()> action) override {
        if (m_busy) {
            m_idle.push_back(std::move(action));
        } else {
            action();
        }
    }
    std::vector<std::string> payloads;
    std::function<void()> during;

private:
    bool m_busy = false;
    std::vector<std::function<void()>> m_idle;
};

TEST(FrmMainTest, OutputAndUnlockAskedDuringAPollGoOutAfterIt) {
    Install install;
    install.create(2);
    install.writeFile("Date.txt", orarioLine("00:00", "23:59", 'X') + "\r\n");
    DeferringBus bus;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    Session session(install.dir(), op, clock, pump, &bus);
    FrmMain frm(session, [](int) {});
    ASSERT_EQ(frm.load(), 0);
    auto* command4 = frm.findChild<QPushButton*>(QStringLiteral("Command4"));
    auto* command6 = frm.findChild<QPushButton*>(QStringLiteral("Command6"));
    command4->click();
    command6->click();
    op.queueInput("2");
    bus.during = [&] {
        // While the first reader is polled, the schedule ticks and the operator presses F1.
        QMetaObject::invokeMethod(frm.findChild<QTimer*>(QStringLiteral("Timer2")), "timeout");
        QKeyEvent ev(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(&frm, &ev);
    };
    QMetaObject::invokeMethod(frm.findChild<QTimer*>(QStringLiteral("Timer1")), "timeout");
    EXPECT_EQ(bus.payloads,
              (std::vector<std::string>{"01000123D", "01000123O01", "02000123O01", "02000123K110000001"}));
}

TEST(FrmMainTest, ManualUnlockByKey) {
    const std::string unlock = "K110000001"; // both keypad outputs on (the default)
    {
        SCOPED_TRACE("one reader: F1 unlocks it without asking");
        Install install;
        install.create(1);
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        w.key(Qt::Key_F1);
        EXPECT_TRUE(promptsOf(w.op).empty());
        EXPECT_EQ(w.bus.payloads(), std::vector<std::string>{"01000123" + unlock});
        // The same key while a button has the focus reaches the window too.
        w.bus.clear();
        w.key(Qt::Key_F1, {}, w.button("Command4"));
        EXPECT_EQ(w.bus.payloads(), std::vector<std::string>{"01000123" + unlock});
    }
    const struct {
        const char* answer;
        std::vector<std::string> sent;
    } cases[] = {
        {"3", {"03000123" + unlock}},
        {"0", {}},
        {"4", {}},
        {"", {}},
        {"abc", {}},
        {"1", {"01000123" + unlock}},
        {"2.5", {"03000123" + unlock}}, // 1.5 to the even neighbour: entry 2
        {"1.5", {"01000123" + unlock}}, // 0.5 to the even neighbour: entry 0
        {"-1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "three readers, answer '" << c.answer << "'");
        Install install;
        install.create(3);
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        w.op.queueInput(c.answer);
        w.key(Qt::Key_A, QStringLiteral("a"));
        EXPECT_EQ(promptsOf(w.op), std::vector<std::string>{"Inserire il numero del lettore da sbloccare"});
        EXPECT_EQ(w.bus.payloads(), c.sent);
        EXPECT_TRUE(messagesOf(w.op).empty());
    }
    {
        SCOPED_TRACE("no readers: nothing is asked or sent; other keys do nothing");
        Install install;
        install.create(0);
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        w.key(Qt::Key_F1);
        w.key(Qt::Key_A, QStringLiteral("A"));
        w.key(Qt::Key_B, QStringLiteral("b"));
        EXPECT_TRUE(promptsOf(w.op).empty());
        EXPECT_TRUE(w.bus.sent().empty());
    }
}

TEST(FrmMainTest, UnlockUsesTheKeypadOutputSettings) {
    Install install;
    install.create(1, "[Impostazioni]\nPolling=100\nTastieraOutput1=Si\nTastieraOutput2=No\n");
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.key(Qt::Key_A, QStringLiteral("A"));
    EXPECT_EQ(w.bus.payloads(), std::vector<std::string>{"01000123K110000000"});
}

TEST(FrmMainTest, AStartUpAfterAnUnexpectedEndShowsTheResumedSwitchesAsIfClicked) {
    Install install;
    install.create(2, "[Impostazioni]\nPolling=100\nUtenti=0\nRiprendiPolling=SI\n");
    install.writeFile(RunStateFile::FileName, RunStateFile::text({true, true}));
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    EXPECT_EQ(w.indicator("Label1"), Green);
    EXPECT_EQ(w.indicator("Label2"), Green);
    EXPECT_TRUE(w.timer("Timer1")->isActive());
    EXPECT_EQ(w.timer("Timer1")->interval(), 500);
    EXPECT_TRUE(w.timer("Timer2")->isActive());
    EXPECT_FALSE(w.button("Command2")->isEnabled());
    EXPECT_FALSE(w.button("Command3")->isEnabled());
    EXPECT_EQ(w.child<QLabel>("LabelStato")->text().toStdString(),
              "Polling ripreso dopo un arresto imprevisto (nessuna registrazione)");
    EXPECT_TRUE(w.op.shown.empty());

    // The operator switches polling off: a kill now would resume the output alone.
    w.click("Command4");
    EXPECT_EQ(RunStateFile(install.file(RunStateFile::FileName)).unfinishedRun(), (Switches{false, true}));
}

TEST(FrmMainTest, ExitWithBothSwitchesOffEndsAtOnce) {
    Install install;
    install.create(1);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.click("Command4");
    w.click("Command4"); // on and off again
    w.click("Command5");
    EXPECT_EQ(w.quitCode, 0);
    EXPECT_TRUE(w.op.shown.empty());
    EXPECT_FALSE(w.timer("Timer3")->isActive());
    EXPECT_FALSE(std::filesystem::exists(install.file(RunStateFile::FileName))) << "a clean end";
}

TEST(FrmMainTest, LeavingWhileTheDoorsAreWorkedAsksFirstAndForThePassword) {
    using K = ScriptedOperator::Kind;
    struct Case {
        const char* what;
        const char* switchOn; // the button that was clicked on
        bool closeBox;        // the close box instead of "Uscita dal programma"
        const char* password; // set (its stored form is written); empty: none
        Answer answer;
        const char* typed;
        bool leaves;
        std::vector<K> shown;
    };
    const Case cases[] = {
        {"polling, no: stays", "Command4", false, "", Answer::No, "", false, {K::Question}},
        {"polling, yes: leaves", "Command4", false, "", Answer::Yes, "", true, {K::Question}},
        {"close box, no: stays", "Command4", true, "", Answer::No, "", false, {K::Question}},
        {"close box, yes: leaves", "Command4", true, "", Answer::Yes, "", true, {K::Question}},
        {"output, yes: leaves", "Command6", false, "", Answer::Yes, "", true, {K::Question}},
        {"password, wrong: stays",
         "Command4",
         false,
         "abc",
         Answer::Yes,
         "abd",
         false,
         {K::Question, K::Input, K::Message}},
        {"password, right: leaves",
         "Command4",
         true,
         "abc",
         Answer::Yes,
         "abc",
         true,
         {K::Question, K::Input}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Install install;
        install.create(1);
        if (*c.password) {
            // The stored form of "abc".
            install.writeFile("pswsentinex.txt", "[Sentinex]\r\nFile=\xB0\xB0\xB0"
                                                 "bdf\xA7\xA7\xA7\r\n");
        }
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        w.frm->show();
        w.click(c.switchOn);
        w.op.queueAnswer(c.answer);
        w.op.queueInput(c.typed);
        if (c.closeBox) {
            w.frm->close();
        } else {
            w.click("Command5");
        }
        std::vector<K> shown;
        for (const auto& s : w.op.shown) {
            shown.push_back(s.kind);
        }
        EXPECT_EQ(shown, c.shown);
        ASSERT_FALSE(w.op.shown.empty());
        EXPECT_EQ(w.op.shown[0].text, "Il polling è attivo: le porte non saranno più controllate. Uscire?");
        EXPECT_EQ(w.quitCode.has_value(), c.leaves);
        EXPECT_EQ(std::filesystem::exists(install.file(RunStateFile::FileName)), !c.leaves);
        if (!c.leaves) {
            // Still running the doors, and asked again at the next try.
            EXPECT_TRUE(w.frm->isVisible());
            EXPECT_TRUE(w.timer("Timer3")->isActive());
            EXPECT_TRUE(w.timer(std::string(c.switchOn) == "Command4" ? "Timer1" : "Timer2")->isActive());
            w.op.clear();
            w.click("Command5");
            EXPECT_EQ(w.op.shown.size(), 1u);
        }
    }
}

TEST(FrmMainTest, ExitWhileACardIsBeingRecordedWaitsForTheRecord) {
    Install install;
    install.create(1);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.click("Command4");
    // The reader reports a card of another site: the step refuses it and records the refusal.
    w.bus.queue(OnlineFakeBus::cardReply("999999123"));
    w.op.queueAnswer(Answer::Yes);
    std::optional<bool> quitDuringStep;
    std::size_t askedDuringStep = 0;
    w.bus.duringExchange([&] {
        const auto payloads = w.bus.payloads();
        if (!quitDuringStep && !payloads.empty() && payloads.back().find("K000000000") != std::string::npos) {
            w.frm->close(); // closing the window: same as "Uscita dal programma"
            quitDuringStep = w.quitCode.has_value();
            askedDuringStep = w.op.shown.size();
        }
    });
    w.tick("Timer1");
    ASSERT_TRUE(quitDuringStep.has_value()) << "the refusal was not sent";
    EXPECT_FALSE(*quitDuringStep);
    // The question waits for the step: a box opened inside it would hold the step, and the doors.
    EXPECT_EQ(askedDuringStep, 0u);
    ASSERT_EQ(w.op.shown.size(), 1u);
    EXPECT_EQ(w.op.shown[0].kind, ScriptedOperator::Kind::Question);
    EXPECT_EQ(w.quitCode, 0);
    EXPECT_EQ(install.db()->query("SELECT COUNT(*) FROM transiti")[0][0].toInt(), 1);
}

TEST(FrmMainTest, EveryGuardedButtonOpensItsFormInTheWindowsPlace) {
    Install install;
    install.create(1, TestInstall::kitFile("Sentinex.ini")); // settings the dialog accepts as they are
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.frm->show();
    const struct {
        const char* button;
        const char* form;
    } cases[] = {{"Command1", "FrmCardsAbil"},
                 {"Command2", "FrmProgSetup"},
                 {"Command3", "FrmConfLettori"},
                 {"Command7", "FrmFunzAgg"}};
    for (const auto& c : cases) {
        w.click(c.button);
        QWidget* opened = visibleWindow(c.form);
        ASSERT_NE(opened, nullptr) << c.form;
        EXPECT_FALSE(w.frm->isVisible()) << c.form;
        opened->close(); // the close box returns to the main window
        EXPECT_TRUE(w.frm->isVisible()) << c.form;
        QApplication::processEvents();
    }
    EXPECT_TRUE(messagesOf(w.op).empty());
    w.click("Command8");
    EXPECT_TRUE(messagesOf(w.op).empty());
}

// A form (or a tool opened from one) still open when the main window goes must go with it: it works for
// the session, which goes next, and a later window of the same name must not meet it.
TEST(FrmMainTest, AFormStillOpenWhenTheMainWindowGoesGoesWithIt) {
    const struct {
        const char* button;
        const char* form;
        const char* toolButton; // a tool opened in the form's place, or null
        const char* tool;
    } cases[] = {{"Command1", "FrmCardsAbil", nullptr, nullptr},
                 {"Command2", "FrmProgSetup", nullptr, nullptr},
                 {"Command3", "FrmConfLettori", nullptr, nullptr},
                 {"Command7", "FrmFunzAgg", nullptr, nullptr},
                 {"Command7", "FrmFunzAgg", "Command3", "FrmViewStoria"},
                 {"Command7", "FrmFunzAgg", "Command14", "FrmRegistro"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.form) + " " + (c.tool ? c.tool : ""));
        Install install;
        install.create(1, TestInstall::kitFile("Sentinex.ini"));
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        w.frm->show();
        w.click(c.button);
        QPointer<QWidget> form = visibleWindow(c.form);
        ASSERT_TRUE(form);
        QPointer<QWidget> tool;
        if (c.tool) {
            form->findChild<QPushButton*>(QString::fromLatin1(c.toolButton))->click();
            tool = visibleWindow(c.tool);
            ASSERT_TRUE(tool);
            ASSERT_FALSE(form->isVisible());
        }
        w.frm.reset();
        EXPECT_TRUE(form.isNull());
        EXPECT_TRUE(tool.isNull());
        // Nothing went back to a window on its way out.
        EXPECT_EQ(visibleWindow(c.form), nullptr);
        EXPECT_TRUE(messagesOf(w.op).empty());
    }
}

TEST(FrmMainTest, TheAntiPassbackResetEmptiesTheLastEventAndZeroesTheCounter) {
    Install install;
    install.create(1); // 7 persons inside
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.frm->show();
    testing::FormDriver main(*w.frm, &w.op);
    OnlineView& view = *w.frm;
    view.showLastEvent("Carta non presente nel database \r\n05/01/2026 10:00:00");
    ASSERT_NE(main.text("Label3"), "");
    w.click("Command7");
    QWidget* funz = visibleWindow("FrmFunzAgg");
    ASSERT_NE(funz, nullptr);
    w.op.queueAnswer(Answer::Yes);
    funz->findChild<QPushButton*>(QStringLiteral("Command5"))->click();
    EXPECT_EQ(main.text("Label4"), "0");
    EXPECT_EQ(main.text("Label3"), "");
    funz->close();
    QApplication::processEvents();
}

TEST(FrmMainTest, AMissingOrGarbledPasswordFileRefusesTheGuardedFormAndTheProgramGoesOn) {
    for (const char* content : {"[Sentinex]\r\nFile=abc\r\n", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(content ? content : "missing");
        Install install;
        install.create(1, "[Impostazioni]\nPolling=100\nUtenti=0\n");
        if (content) {
            install.writeFile("pswsentinex.txt", content);
        } else {
            std::filesystem::remove(install.dir() + "/pswsentinex.txt");
        }
        Window w(install);
        ASSERT_EQ(w.load(), 0);
        w.frm->show();
        w.click("Command4"); // polling on: the doors are being served
        w.click("Command1");
        ASSERT_EQ(messagesOf(w.op).size(), 1u);
        EXPECT_EQ(messagesOf(w.op)[0].title, "Errore");
        EXPECT_EQ(messagesOf(w.op)[0].text,
                  "Errore nel controllo password: il file pswsentinex.txt manca o non è valido. La funzione "
                  "richiesta non è disponibile; il programma continua.");
        EXPECT_EQ(w.quitCode, std::nullopt);
        EXPECT_TRUE(w.frm->isVisible());
        EXPECT_TRUE(w.session->state().pollingOn);
        EXPECT_TRUE(w.timer("Timer1")->isActive());
    }
}

TEST(FrmMainTest, UsersAndCardsReplaceTheWindowUntilTheyReturn) {
    Install install;
    install.create(1);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.frm->show();
    w.click("Command1");
    QWidget* cards = visibleWindow("FrmCardsAbil");
    ASSERT_NE(cards, nullptr);
    EXPECT_FALSE(w.frm->isVisible());
    cards->close(); // the close box acts as "Ritorna alla pagina principale" outside edit mode
    EXPECT_TRUE(w.frm->isVisible());
}

TEST(FrmMainTest, ReaderConfigurationReplacesTheWindowAndReturnsWithTheNewList) {
    Install install;
    install.create(2);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    w.frm->show();
    w.click("Command3");
    QWidget* conf = visibleWindow("FrmConfLettori");
    ASSERT_NE(conf, nullptr);
    EXPECT_FALSE(w.frm->isVisible());
    // A reader added meanwhile (by the form or by hand) is in the list once the form returns.
    TestInstall::Reader third;
    third.NumeroIndirizzo = 3;
    install.addReader(third);
    conf->findChild<QPushButton*>(QStringLiteral("Command7"))->click();
    EXPECT_TRUE(w.frm->isVisible());
    EXPECT_EQ(w.session->state().readers.count(), 3);
    EXPECT_EQ(w.timer("Timer1")->interval(), 333);
}

TEST(FrmMainTest, AssistiveTechnologyReadsTheShownTextsAfterAGrantAndARefusal) {
    Install install;
    install.create(1);
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    testing::FormDriver form(*w.frm, &w.op);
    OnlineView& view = *w.frm;

    // What each label is for, read after its text.
    const struct {
        const char* label;
        const char* role;
    } labels[] = {{"Label3", "Ultimo evento on line"},
                  {"Label4", "Persone presenti"},
                  {"Label8", "Ultima stringa ricevuta"}};
    const char* lamps[] = {"Shape1", "Shape2"};

    // Before the first card the counter reads as loaded from the settings and the lamps are off.
    EXPECT_EQ(form.read("Label4").name, "7");
    for (const char* lamp : lamps) {
        EXPECT_EQ(form.read(lamp).description, "spento") << lamp;
    }

    const struct {
        const char* what;
        const char* received;
        const char* event; // as the online access control writes it, CR LF included
        LampColour lamps;
        const char* presence; // null: the counter is not written
        const char* eventShown;
        const char* presenceShown;
        const char* colour;
    } steps[] = {
        {"grant", "Stringa ricevuta : ;0012300042?  02/03/2026 10:00:00",
         "Carta 0042 - Accesso consentito - Rossi Mario\r\n02/03/2026 10:00:00", LampColour::Green, "8",
         "Carta 0042 - Accesso consentito - Rossi Mario\n02/03/2026 10:00:00", "8", "verde"},
        {"refusal", "Stringa ricevuta : <0012300077>  02/03/2026 10:05:00",
         "Carta 0077 non abilitata  \r\n02/03/2026 10:05:00", LampColour::Red, nullptr,
         "Carta 0077 non abilitata  \n02/03/2026 10:05:00", "8", "rosso"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        view.showReceived(s.received);
        view.showLastEvent(s.event);
        view.setLamps(s.lamps);
        if (s.presence) {
            view.showPresence(s.presence);
        }
        const std::pair<const char*, const char*> shown[] = {
            {"Label3", s.eventShown}, {"Label4", s.presenceShown}, {"Label8", s.received}};
        for (const auto& [label, text] : shown) {
            EXPECT_EQ(form.text(label), text) << label;
            EXPECT_EQ(form.read(label).name, text) << label << " is read as it is shown";
        }
        for (const auto& l : labels) {
            EXPECT_EQ(form.read(l.label).description, l.role) << l.label;
        }
        for (const char* lamp : lamps) {
            const testing::AccessibleReading read = form.read(lamp);
            EXPECT_EQ(read.description, s.colour) << lamp;
            EXPECT_FALSE(read.name.empty()) << lamp;
            for (const char* colour : {"rosso", "verde", "spento"}) {
                EXPECT_EQ(read.name.find(colour), std::string::npos) << lamp << " is named by its colour";
            }
        }
    }
    EXPECT_NE(form.read("Shape1").name, form.read("Shape2").name) << "the two lamps are told apart";
}

TEST(FrmMainTest, TheStatusLineShowsOnlyWhileThereIsSomethingToSayAndIsReadAsShown) {
    Install install;
    install.create(1, "[Impostazioni]\nPolling=100\nUtenti=0\n"); // counter and presenti agree
    Window w(install);
    ASSERT_EQ(w.load(), 0);
    auto* status = w.child<QLabel>("LabelStato");
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(status->isVisibleTo(w.frm.get()));
    OnlineView& view = *w.frm;
    view.showStatus("Lettore 1 INGRESSO non risponde");
    EXPECT_TRUE(status->isVisibleTo(w.frm.get()));
    EXPECT_EQ(status->text().toStdString(), "Lettore 1 INGRESSO non risponde");
    EXPECT_EQ(status->accessibleName().toStdString(), "Lettore 1 INGRESSO non risponde");
    view.showStatus("");
    EXPECT_FALSE(status->isVisibleTo(w.frm.get()));
    EXPECT_TRUE(w.op.shown.empty());
}

} // namespace
} // namespace sentinex
