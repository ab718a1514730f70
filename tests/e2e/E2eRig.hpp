#pragma once

// The whole program on a test installation: the real main window (offscreen) with its real serial link
// to sentinex-readersim, the system clock and the Qt event loop; only the operator is scripted so no
// message box waits for a click.

#include "core/Clock.hpp"
#include "core/ProfileFile.hpp"
#include "readers/AppState.hpp"
#include "session/Session.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/SimProcess.hpp"
#include "support/TestInstall.hpp"
#include "ui/common/Lamp.hpp"
#include "ui/common/QtEventPump.hpp"
#include "ui/main/FrmMain.hpp"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sentinex::e2e {

using testing::ScriptedOperator;
using testing::SimProcess;
using testing::TestInstall;

/// The visible top-level window of kind T, or null.
template <typename T> T* shownWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* typed = qobject_cast<T*>(w); typed && typed->isVisible()) {
            return typed;
        }
    }
    return nullptr;
}

/// Runs the Qt event loop until `done` holds or `seconds` have passed; true when it held. Outcomes are
/// awaited this way, never by sleeping a fixed time.
inline bool pumpUntil(const std::function<bool()>& done, double seconds = 10.0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

/// Runs the Qt event loop for `ms` milliseconds (to give something unwanted the chance to happen).
inline void pumpFor(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

/// "aa" + "ssssss": the prefix of every payload to the reader at `address` with site code `site`.
inline std::string prefixOf(int address, int site) {
    std::string a = "00" + std::to_string(address);
    std::string s = "000000" + std::to_string(site);
    return a.substr(a.size() - 2) + s.substr(s.size() - 6);
}

/// The system clock, whose date and time of day a test may move to a chosen moment; from there it runs
/// on with the real time. Pauses and the monotonic clock stay the system's.
class MovableClock final : public Clock {
public:
    DateTime now() const override {
        if (!m_start) {
            return m_system.now();
        }
        const DateTime& s = *m_start;
        const long long seconds =
            daysFromCivil(s.year, static_cast<unsigned>(s.month), static_cast<unsigned>(s.day)) * 86400LL +
            s.hour * 3600LL + s.minute * 60LL + s.second +
            static_cast<long long>(m_system.monotonicSeconds() - m_since);
        DateTime t;
        civilFromDays(seconds / 86400, t.year, t.month, t.day);
        t.hour = static_cast<int>(seconds % 86400 / 3600);
        t.minute = static_cast<int>(seconds % 3600 / 60);
        t.second = static_cast<int>(seconds % 60);
        return t;
    }
    double monotonicSeconds() const override { return m_system.monotonicSeconds(); }
    void pause(int ms, EventPump& pump) override { m_system.pause(ms, pump); }
    /// From now on the clock reads `start`, then runs on.
    void moveTo(const DateTime& start) {
        m_start = start;
        m_since = m_system.monotonicSeconds();
    }

private:
    SystemClock m_system;
    std::optional<DateTime> m_start;
    double m_since = 0;
};

/// Settings every e2e installation starts from: a short polling pass, no beeps, no inspection, the
/// history in the database, four-digit cards; `changes` replace or add keys. As "Key=Value" lines.
inline std::string settingsText(const std::map<std::string, std::string>& changes = {}) {
    std::map<std::string, std::string> keys{
        {"Polling", "5"},
        {"Beep", "No"},
        {"Imparziale", "No"},
        {"StoricoEsterno", "No"},
        {"QuattroCifre", "Si"},
        {"FlagMassimoNumeroIngressi", "No"},
        {"MassimoNumeroIngressi", "0"},
        {"Utenti", "0"},
        {"FileVireo", "vireo"},
    };
    for (const auto& [k, v] : changes) {
        keys[k] = v;
    }
    std::string text;
    for (const auto& [k, v] : keys) {
        text += k + "=" + v + "\r\n";
    }
    return text;
}

/// A test installation, a simulator for its readers and the main window on both.
class Rig {
public:
    struct Reader {
        int loop;
        int address;
        std::string location;
        std::string state;
        std::string type = "NANO NN-K";
        int site = 123;
    };

    /// Readers go into `Lettori` in this order (reader index 1, 2, ...) and onto the simulator.
    /// `board`: the simulated L-485 board serves the loops; otherwise one line for all.
    Rig(std::vector<Reader> readers, bool board, const std::string& settings = settingsText(),
        bool baudPacing = false)
        : m_readers(std::move(readers)), m_board(board) {
        SimProcess::Options opt;
        opt.board = board;
        opt.baudPacing = baudPacing;
        for (const Reader& r : m_readers) {
            opt.readers.push_back({r.loop, r.address, r.site, r.type});
            TestInstall::Reader row;
            row.TipoLettore = r.type;
            row.NumeroLoop = r.loop;
            row.NumeroIndirizzo = r.address;
            row.SituatoPresso = r.location;
            row.CodiceImpianto = std::to_string(r.site);
            row.Stato = r.state;
            row.PosCarta[0] = 0;
            row.PosCarta[1] = 1;
            row.PosCarta[2] = 2;
            row.PosCarta[3] = 3;
            install.addReader(row);
        }
        sim = std::make_unique<SimProcess>(opt);
        sim->writeSettings(install.dir(), board, "300H", settings);
    }

    ~Rig() {
        // The window and its session go before the simulator and the installation they work on.
        frm.reset();
        session.reset();
    }

    /// Builds and loads the main window; false (test failed) when start-up did not complete.
    bool start() {
        session = std::make_unique<Session>(install.dir(), op, clock, pump);
        frm = std::make_unique<FrmMain>(*session, [this](int code) {
            quitCode = code;
            if (onQuit) {
                onQuit();
            }
        });
        const int code = frm->load();
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(op.messages().empty()) << "start-up showed: " << op.messages().front().text;
        return code == 0 && op.messages().empty();
    }

    const Reader& reader(int index) const { return m_readers.at(static_cast<std::size_t>(index - 1)); }
    std::string prefix(int index) const { return prefixOf(reader(index).address, reader(index).site); }
    /// Presents card `data` at reader `index` (1-based) with the given input states.
    void present(int index, const std::string& data, char in1 = '0', char in2 = '0') {
        sim->presentCard(reader(index).loop, reader(index).address, data, in1, in2);
    }
    /// The K commands (grant, refusal, unlock) reader `index` received, oldest first.
    std::vector<std::string> kRequests(int index) {
        std::vector<std::string> out;
        for (const std::string& p : sim->requests(reader(index).loop, reader(index).address)) {
            if (p.size() > 8 && p[8] == 'K') {
                out.push_back(p);
            }
        }
        return out;
    }
    /// Polls ("...D") reader `index` received.
    int polls(int index) {
        int n = 0;
        for (const std::string& p : sim->requests(reader(index).loop, reader(index).address)) {
            n += p.size() == 9 && p[8] == 'D' ? 1 : 0;
        }
        return n;
    }

    template <typename T = QWidget> T* child(const char* name) const {
        T* w = frm->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) const { child<QPushButton>(name)->click(); }
    std::string label(const char* name) const { return child<QLabel>(name)->text().toStdString(); }
    int lamp(const char* name) const { return child<Lamp>(name)->backColour(); }

    long long count(const std::string& sql) { return install.db()->query(sql).at(0).at(0).toInt(); }
    /// The presence counter as the settings file holds it now.
    std::string utentiInFile() const {
        return ProfileFile(install.folder().settings()).find("Impostazioni", "Utenti").value_or("");
    }

    /// Switches polling off and lets a step still running finish.
    void stopPolling() {
        if (session->state().pollingOn) {
            click("Command4");
        }
        EXPECT_TRUE(pumpUntil([this] { return !session->state().stepInProgress; }));
    }

    TestInstall install;
    std::unique_ptr<SimProcess> sim;
    ScriptedOperator op;
    MovableClock clock;
    QtEventPump pump;
    std::unique_ptr<Session> session;
    std::unique_ptr<FrmMain> frm;
    std::optional<int> quitCode;
    std::function<void()> onQuit;

private:
    std::vector<Reader> m_readers;
    bool m_board;
};

} // namespace sentinex::e2e
