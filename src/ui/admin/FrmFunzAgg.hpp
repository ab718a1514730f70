#pragma once

#include "ui/common/OwnedWindows.hpp"

#include <QWidget>

#include <memory>

namespace Ui {
class FrmFunzAgg;
}

namespace sentinex {

class FrmDownLoad;
class JournalDownloadSink;
class Session;

/// The additional functions form "Sentinex - altre opzioni": a panel of buttons that start the less
/// frequent tools (users list, history viewer, anti-passback reset, online bands, password management,
/// random inspection on demand, backup and restore of the archive). A tool window opens in this form's place
/// and brings it back when it closes. "Ritorna alla pagina principale" and the close box both leave it and
/// emit `returnedToMain`. The anti-passback button shows `Image2` while the presence counter is not 0,
/// `Image1` otherwise. The download form, the programming of all cards and the clearing of all readers keep
/// this form disabled for their whole run (its close box is ignored meanwhile).
class FrmFunzAgg : public QWidget {
    Q_OBJECT

public:
    explicit FrmFunzAgg(Session& session, QWidget* parent = nullptr);
    ~FrmFunzAgg() override;

signals:
    /// The form has closed; the main window shows itself again.
    void returnedToMain();
    /// The anti-passback has been reset: the main window shows the counter "0" and empties its last
    /// online event.
    void presenceReset();
    /// A restore has been asked of the next start-up: the program ends and starts again.
    void restartRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showPresencePicture();
    /// The polling and automatic output checks of the tools that talk to readers or change bands;
    /// true when both switches are off (otherwise the message has been shown).
    bool switchesOff();
    /// Shows this form again after `tool` has returned.
    void comeBack(QWidget* tool);

    void printUsersList();
    void download();
    void programAllCards();
    void clearAllReaders();
    void openHistory();
    void resetAntiPassback();
    void openBands();
    void openHolidays();
    /// "Registro operazioni": the operators' record, read only.
    void openAuditLog();
    void openPassword();
    void runInspection();
    void backupNow();
    void openRestore();
    void leave();

    std::unique_ptr<Ui::FrmFunzAgg> m_ui;
    Session& m_session;
    std::unique_ptr<JournalDownloadSink> m_downloadSink; // null without a session journal
    std::unique_ptr<FrmDownLoad> m_download; // while the download form is open; goes with this form
    bool m_left = false;
    // The tools shown in this form's place. Last, so a tool still open goes first, while everything it
    // may reach is still here.
    OwnedWindows m_tools{this};
};

} // namespace sentinex
