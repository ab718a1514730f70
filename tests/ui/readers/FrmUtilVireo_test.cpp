#include "ui/readers/FrmUtilVireo.hpp"

#include "core/EventPump.hpp"
#include "readers/cardfile/CardFileRuns.hpp"
#include "session/Session.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/OnlineRecordingView.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"
#include "ui/readers/FrmConfLettori.hpp"
#include "ui/support/FormDriver.hpp"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::FormDriver;
using testing::ScriptedOperator;
using testing::TestInstall;

/// Records the text each input box opened with.
struct ProposingOperator : ScriptedOperator {
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& initial) override {
        initials.push_back(initial);
        return ScriptedOperator::inputBox(prompt, title, initial);
    }
    std::vector<std::string> initials;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// True when the label, as painted, holds pixels of pure green (65280).
bool paintedGreen(QLabel& label) {
    const QImage image = label.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == QColor(0, 255, 0)) {
                return true;
            }
        }
    }
    return false;
}

class FrmUtilVireoTest : public ::testing::Test {
protected:
    /// A session with one "TERA TR-X" reader (loop 3, address 7, site code 555) shown by the reader
    /// form; "Utilities" opens the card-file utility on it.
    void SetUp() override {
        install.writeSettings("[Impostazioni]\r\nPolling=100\r\nSchedaL-485=Si\r\nQuattroCifre=Si\r\n"
                              "Imparziale=No\r\nBeep=No\r\nFileVireo=vireo\r\n");
        TestInstall::Reader r;
        r.TipoLettore = "TERA TR-X";
        r.NumeroLoop = 3;
        r.NumeroIndirizzo = 7;
        r.CodiceImpianto = "000555";
        install.addReader(r);
        session = std::make_unique<Session>(install.dir(), op, clock, pump, &bus);
        ASSERT_EQ(session->start(view), Session::Start::Ready);
        conf = std::make_unique<FrmConfLettori>(*session);
        conf->setOnReturn([this] { ++confReturned; });
        confDriver = std::make_unique<FormDriver>(*conf, &op);
        conf->show();
        confDriver->click("Command8");
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == "FrmUtilVireo" && top->isVisible()) {
                utility = qobject_cast<FrmUtilVireo*>(top);
            }
        }
        ASSERT_NE(utility, nullptr) << "Utilities opened no card-file utility";
        driver = std::make_unique<FormDriver>(*utility, &op);
    }
    void TearDown() override {
        driver.reset();
        confDriver.reset();
        conf.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    bool visible(const char* name) { return driver->control(name).isVisibleTo(utility); }
    bool enabled(const char* name) { return driver->control(name).isEnabled(); }
    /// Only the stop button can be used: the other three are hidden, the stop button shown and enabled.
    bool onlyStopActs() {
        return !visible("Command1") && !visible("Command2") && !visible("Command3") && visible("Command4") &&
               enabled("Command4");
    }
    /// Back to rest: the three buttons shown, the stop button, the labels and the bar hidden.
    void expectIdle(const char* context) {
        EXPECT_TRUE(visible("Command1") && visible("Command2") && visible("Command3")) << context;
        EXPECT_FALSE(visible("Command4")) << context;
        EXPECT_FALSE(visible("Label1")) << context;
        EXPECT_FALSE(visible("Label2")) << context;
        EXPECT_FALSE(visible("ProgressBar1")) << context;
    }
    /// The utility was left: hidden, the reader form enabled again.
    void expectGivenBack(const char* context) {
        EXPECT_FALSE(utility->isVisible()) << context;
        EXPECT_TRUE(conf->isEnabled()) << context;
    }
    std::string path(const std::string& name) { return install.dir() + "/" + name + ".txt"; }
    void writeFile(const std::string& name, int records) {
        std::ofstream out(path(name), std::ios::binary);
        for (int i = 1; i <= records; ++i) {
            out << "\"00" << i << "CODE0" << i << "\"\r\n";
        }
    }

    TestInstall install;
    ProposingOperator op;
    FakeClock clock;
    NullEventPump pump;
    OnlineFakeBus bus;
    OnlineRecordingView view;
    std::unique_ptr<Session> session;
    std::unique_ptr<FrmConfLettori> conf;
    std::unique_ptr<FormDriver> confDriver;
    FrmUtilVireo* utility = nullptr;
    std::unique_ptr<FormDriver> driver;
    int confReturned = 0;
};

TEST_F(FrmUtilVireoTest, CaptureOnTheShownReaderWithOnlyTheStopButtonActive) {
    EXPECT_FALSE(conf->isEnabled()) << "the reader form waits for the utility";
    EXPECT_EQ(utility->windowTitle().toStdString(), "Sentinex - utilities vireo");
    expectIdle("opened");
    EXPECT_FALSE(conf->close()) << "the reader form cannot be left while the utility is open";
    EXPECT_EQ(confReturned, 0);

    // Two cards, the first presented again, then the stop button.
    const std::vector<std::string> presented = {"", "AAAAAA", "", "BBBBBB", "AAAAAA"};
    std::vector<bool> onlyStop;
    std::vector<std::string> prompts;
    bus.respond([&, n = std::size_t(0)](const std::string&, Timing) mutable {
        onlyStop.push_back(onlyStopActs());
        prompts.push_back(driver->text("Label1"));
        if (n == presented.size()) {
            driver->click("Command4");
            EXPECT_FALSE(enabled("Command4")) << "pressed once, the stop waits for the run to end";
        }
        const std::string card = n < presented.size() ? presented[n++] : std::string();
        return card.empty() ? OnlineFakeBus::codeReply('S') : OnlineFakeBus::cardReply(card);
    });
    // The result of a card shows during the second that follows it.
    std::vector<std::pair<std::string, bool>> results;
    std::string lastSeen;
    clock.onPause = [&](int) {
        auto& label = driver->control<QLabel>("Label2");
        const std::string text = label.text().toStdString();
        if (text != lastSeen) {
            lastSeen = text;
            if (!text.empty()) {
                results.emplace_back(text, paintedGreen(label));
            }
        }
    };
    op.queueInput("vireo");
    driver->click("Command1");

    EXPECT_EQ(op.initials.at(0), "vireo") << "the input box offers the card file of the settings";
    EXPECT_EQ(fileText(path("vireo")), "\"001AAAAAA\"\r\n\"002BBBBBB\"\r\n");
    ASSERT_EQ(bus.sent().size(), presented.size() + 1);
    for (const auto& s : bus.sent()) {
        EXPECT_EQ(s.payload, "07000555D");
        EXPECT_EQ(s.loop, 3);
        EXPECT_EQ(s.timing, Timing::Medium);
    }
    EXPECT_EQ(onlyStop, std::vector<bool>(presented.size() + 1, true));
    EXPECT_EQ(prompts, (std::vector<std::string>{"Passare la carta numero 1", "Passare la carta numero 1",
                                                 "Passare la carta numero 2", "Passare la carta numero 2",
                                                 "Passare la carta numero 3", "Passare la carta numero 3"}));
    EXPECT_EQ(results, (std::vector<std::pair<std::string, bool>>{{"Scrittura nel file Ok.", true},
                                                                  {"Scrittura nel file Ok.", true},
                                                                  {"La carta è già in archivio.", false}}));
    EXPECT_EQ(driver->read("Label1").name, "Passare la carta numero 3");
    EXPECT_TRUE(op.messages().empty());
    expectIdle("after the stop");

    // A second capture into the same file goes on from card 3.
    bus.clear();
    bus.respond([&](const std::string&, Timing) {
        driver->click("Command4");
        return OnlineFakeBus::cardReply("CCCCCC");
    });
    op.queueInput("vireo");
    driver->click("Command1");
    EXPECT_EQ(op.messages().at(0).text, "Il file già esiste. I dati verranno messi in coda.");
    EXPECT_EQ(fileText(path("vireo")), "\"001AAAAAA\"\r\n\"002BBBBBB\"\r\n\"003CCCCCC\"\r\n")
        << "the card on the wire when stop was pressed is still stored";

    driver->click("Command3");
    expectGivenBack("Ritorna alla pagina Gestione Lettori");
    EXPECT_TRUE(conf->close());
    EXPECT_EQ(confReturned, 1);
}

TEST_F(FrmUtilVireoTest, LoadShowsItsProgressAndTheStopButtonEndsItAfterTheRecordOnTheWire) {
    writeFile("carte", 5);
    struct Case {
        std::optional<std::size_t> stopDuring; // stop pressed during this record (1-based)
        std::size_t sent;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 5, {"Programmazione effettuata."}},
        {3, 3, {}},
        {1, 1, {}},
    };
    for (const Case& c : cases) {
        const std::string context =
            c.stopDuring ? "stop during " + std::to_string(*c.stopDuring) : "whole file";
        bus.clear();
        op.clear();
        std::vector<int> shownValues;
        std::vector<bool> onlyStop;
        bus.respond([&](const std::string&, Timing) {
            const auto& bar = driver->control<QProgressBar>("ProgressBar1");
            EXPECT_TRUE(visible("ProgressBar1")) << context;
            EXPECT_EQ(bar.maximum(), 5) << context;
            shownValues.push_back(bar.value());
            onlyStop.push_back(onlyStopActs());
            if (c.stopDuring && bus.sent().size() == *c.stopDuring) {
                driver->click("Command4");
            }
            return OnlineFakeBus::codeReply('S');
        });
        op.queueInput("carte");
        driver->click("Command2");
        ASSERT_EQ(bus.sent().size(), c.sent) << context;
        EXPECT_EQ(bus.sent().back().payload,
                  "07000555L00" + std::to_string(c.sent) + "CODE0" + std::to_string(c.sent))
            << context;
        std::vector<int> expectedValues;
        for (std::size_t i = 0; i < c.sent; ++i) {
            expectedValues.push_back(static_cast<int>(i));
        }
        EXPECT_EQ(shownValues, expectedValues) << context << ": one step a record the reader stored";
        EXPECT_EQ(onlyStop, std::vector<bool>(c.sent, true)) << context;
        EXPECT_EQ(op.texts().size(), 1 + c.messages.size()) << context; // the input box, then messages
        std::vector<std::string> messages;
        for (const auto& m : op.messages()) {
            messages.push_back(m.text);
        }
        EXPECT_EQ(messages, c.messages) << context;
        expectIdle(context.c_str());
        EXPECT_TRUE(utility->isVisible()) << context << ": stopping leaves the utility open";
    }
}

TEST_F(FrmUtilVireoTest, CloseBoxDuringARunStopsItAfterTheRecordOnTheWireAndGivesTheReaderFormBack) {
    writeFile("carte", 4);
    struct Case {
        const char* name;
        const char* button;
        std::vector<std::string> replies; // empty text: an 'S' reply
        std::size_t closeDuring;          // 1-based exchange
        std::string fileAfter;
    };
    const std::vector<Case> cases = {
        {"capture", "Command1", {"", "ABCDEF"}, 2, "\"001ABCDEF\"\r\n"},
        {"load", "Command2", {"", "", "", ""}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.button == std::string("Command1")) {
            std::filesystem::remove(path("nuovo"));
        }
        // Reopen the utility for each case.
        if (!utility->isVisible()) {
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            confDriver->click("Command8");
            utility = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == "FrmUtilVireo" && top->isVisible()) {
                    utility = qobject_cast<FrmUtilVireo*>(top);
                }
            }
            ASSERT_NE(utility, nullptr);
            driver = std::make_unique<FormDriver>(*utility, &op);
        }
        bus.clear();
        op.clear();
        bus.respond([&, n = std::size_t(0)](const std::string&, Timing) mutable {
            if (n + 1 == c.closeDuring) {
                EXPECT_FALSE(utility->close()) << "the window waits for the run to end";
                EXPECT_TRUE(utility->isVisible());
            }
            const std::string r = n < c.replies.size() ? c.replies[n] : std::string();
            ++n;
            return r.empty() ? OnlineFakeBus::codeReply('S') : OnlineFakeBus::cardReply(r);
        });
        op.queueInput(c.button == std::string("Command1") ? "nuovo" : "carte");
        driver->click(c.button);
        EXPECT_EQ(bus.sent().size(), c.closeDuring);
        if (!c.fileAfter.empty()) {
            EXPECT_EQ(fileText(path("nuovo")), c.fileAfter);
        }
        EXPECT_TRUE(op.messages().empty());
        expectGivenBack(c.name);
    }
}

TEST_F(FrmUtilVireoTest, ACaptureThatCannotGoOnSaysWhyAndComesBackToRest) {
    std::ofstream(path("PIENO"), std::ios::binary) << "\"998AAAAAA\"\r\n";
    std::filesystem::create_directory(path("CARTELLA")); // opens for reading, never for writing
    struct Case {
        const char* name;
        std::string fileAfter;
        std::string title;
        std::string messageStart;
    };
    const std::vector<Case> cases = {
        {"PIENO", "\"998AAAAAA\"\r\n\"999BBBBBB\"\r\n", "Attenzione", CardFileRuns::FullText},
        {"CARTELLA", "", "Errore", "Impossibile scrivere nel file CARTELLA.txt"},
    };
    for (const Case& c : cases) {
        bus.clear();
        op.clear();
        bus.respond([cards = std::vector<std::string>{"BBBBBB", "CCCCCC"}, n = 0](const std::string&,
                                                                                  Timing) mutable {
            return OnlineFakeBus::cardReply(cards[static_cast<std::size_t>(n++) % cards.size()]);
        });
        op.queueInput(c.name);
        driver->click("Command1");
        ASSERT_FALSE(op.messages().empty()) << c.name;
        EXPECT_EQ(op.last().title, c.title) << c.name;
        EXPECT_EQ(op.last().text.rfind(c.messageStart, 0), 0u) << c.name << ": " << op.last().text;
        if (!c.fileAfter.empty()) {
            EXPECT_EQ(fileText(path(c.name)), c.fileAfter) << c.name;
        }
        expectIdle(c.name);
        EXPECT_TRUE(utility->isVisible()) << c.name;
    }
}

} // namespace
} // namespace sentinex
