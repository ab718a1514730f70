#pragma once

#include "readers/AppState.hpp"
#include "store/Database.hpp"
#include "core/ProgramFolder.hpp"
#include "store/RecordSet.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "online/OnlineView.hpp"
#include "session/InstanceLock.hpp"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;
class QLabel;

namespace Ui {
class FrmMain;
}

namespace sentinex {

class Clock;
class EventPump;
class Operator;
class PollingStep;
class ReaderBus;

/// What the main window works with. Every member left empty gets the real one: the folder of the
/// executable, the serial link opened at start-up, real dialogs, the system clock, the Qt event loop.
/// Tests put their own in place.
struct FrmMainDeps {
    std::string programFolder;
    ReaderBus* bus = nullptr;
    Operator* op = nullptr;
    Clock* clock = nullptr;
    EventPump* pump = nullptr;
    /// Ends the program with an exit code; by default closes every window and leaves the event loop.
    std::function<void(int)> quit;
};

/// The main window: the switches, the three timers, the online display and the manual unlock.
/// It owns the process-wide state (reader list, switches, rotation) and the settings record.
class FrmMain : public QWidget, public OnlineView {
    Q_OBJECT
public:
    /// Exit codes of a start-up that could not complete.
    static constexpr int ExitDatabase = 1;
    static constexpr int ExitAlreadyRunning = 2;

    explicit FrmMain(FrmMainDeps deps = {}, QWidget* parent = nullptr);
    ~FrmMain() override;

    /// The start-up sequence (the window's load). Returns 0 when the window is ready to be shown, or
    /// the exit code to end the program with: another copy runs on this folder, or the database
    /// cannot be opened (the message has been shown). Call once, before show().
    int load();

    // What the online access control writes on the window.
    void showLastEvent(const std::string& text) override;
    void showReceived(const std::string& text) override;
    void setLamps(LampColour colour) override;
    void showPresence(const std::string& text) override;
    void pollingStopped() override;

    /// Sets the output of every reader of the list (1 on, 0 off), once the bus is free.
    void Settaggio_output_lettore(int value);
    /// Unlocks reader entry `index0` (0-based), once the bus is free.
    void unlockReader(int index0);

    AppState& state() { return m_state; }
    const Settings& settings() const { return m_settings; }
    const ProgramFolder& folder() const { return m_folder; }
    /// The bus in use (null before start-up, or when the serial link could not be made).
    ReaderBus* bus() const { return m_bus; }
    /// The online polling step (null before start-up or without a bus).
    PollingStep* pollingStep() const { return m_step.get(); }

    /// Reloads the reader list from `Lettori` and sets the polling interval (also after the readers
    /// have been changed). Errors of the engine are left to the caller.
    void loadReaderList();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onCommand4Clicked();
    void onCommand6Clicked();
    void onCommand5Clicked();
    void onTimer1();
    void onTimer2();
    void onTimer3();

private:
    enum class GuardedForm { CardsAbil, ProgSetup, ConfLettori, FunzAgg };

    void buildPictures();
    void setPolling(bool on);
    void setOutput(bool on);
    void updateToolButtons();
    void setIndicator(QLabel* label, bool on);
    void applyTimer1Interval();
    void manualUnlock();
    void openGuardedForm(GuardedForm form);
    void runPollingStep(int readerIndex);
    void runStartupInspection();
    void resetReportDatabase();
    void openSerialPort();
    void requestExit();
    void quitNow();

    std::unique_ptr<Ui::FrmMain> m_ui;
    FrmMainDeps m_deps;
    ProgramFolder m_folder;
    std::unique_ptr<Operator> m_ownOperator;
    std::unique_ptr<Clock> m_ownClock;
    std::unique_ptr<EventPump> m_ownPump;
    std::unique_ptr<ReaderBus> m_ownBus;
    Operator* m_op = nullptr;
    Clock* m_clock = nullptr;
    EventPump* m_pump = nullptr;
    ReaderBus* m_bus = nullptr;

    InstanceLock m_lock;
    std::shared_ptr<Database> m_db;
    RecordSet m_data1; // presenti
    RecordSet m_data2; // transiti
    RecordSet m_data3; // Carte
    RecordSet m_lettori;
    Settings m_settings;
    std::unique_ptr<SettingsFile> m_settingsFile;
    std::unique_ptr<PollingStep> m_step;
    AppState m_state;
    bool m_warnedTooManyReaders = false;
    bool m_exitPending = false;

    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
    std::vector<QLabel*> m_image1; // Image1(0) .. Image1(12)
    std::vector<QLabel*> m_image2; // Image2(0), Image2(1)
};

} // namespace sentinex
