#pragma once

#include "online/OnlineView.hpp"
#include "ui/common/OwnedWindows.hpp"

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

class Session;

/// The main window: the switches, the three timers, the online display and the manual unlock. What it
/// works on (reader list, switches, settings, bus, polling step) belongs to the session it is given.
class FrmMain : public QWidget, public OnlineView {
    Q_OBJECT
public:
    /// Interval of the backup timer ("TimerBackup"), in milliseconds.
    static constexpr int BackupTickMs = 50;
    /// The window on `session`, which must outlive it. `quit` ends the program with an exit code; by
    /// default it closes every window and leaves the event loop.
    explicit FrmMain(Session& session, std::function<void(int)> quit = {}, QWidget* parent = nullptr);
    ~FrmMain() override;

    /// The start-up sequence (the window's load): the session's start-up, then the window's switches,
    /// pictures and timers. Returns 0 when the window is ready to be shown, or the exit code to end the
    /// program with (another copy runs on this folder, or the database cannot be opened; the message has
    /// been shown). Call once, before show().
    int load();

    // What the online access control writes on the window.
    void showLastEvent(const std::string& text) override;
    void showReceived(const std::string& text) override;
    void setLamps(LampColour colour) override;
    void showPresence(const std::string& text) override;
    void pollingStopped() override;
    void showStatus(const std::string& text) override;

    /// Reloads the reader list from `Lettori` and sets the polling interval (after the readers have
    /// been changed). Errors of the engine are left to the caller.
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
    /// "Uscita dal programma" and the close box: the session's confirmation (asked once the running
    /// polling step has finished), then the exit.
    void leaveOnPurpose();
    /// Ends the program with `code` once a card the reader has reported is recorded.
    void requestExit(int code = 0);
    void quitNow();

    std::unique_ptr<Ui::FrmMain> m_ui;
    Session& m_session;
    std::function<void(int)> m_quit;
    bool m_exitPending = false;
    bool m_exitAsked = false; // the exit question waits for the running step, or is on screen
    int m_exitCode = 0;

    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
    QTimer* m_timerBackup = nullptr; // the daily backup: its time, then one slice per tick
    std::vector<QLabel*> m_image1;   // Image1(0) .. Image1(12)
    std::vector<QLabel*> m_image2;   // Image2(0), Image2(1)
    // Last, so a form still open goes first, while everything it may reach is still here.
    OwnedWindows m_opened{this};
};

} // namespace sentinex
