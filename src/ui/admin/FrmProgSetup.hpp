#pragma once

#include "online/EntryLimit.hpp"

#include <QWidget>

#include <array>
#include <memory>

namespace Ui {
class FrmProgSetup;
}

class QLineEdit;

namespace sentinex {

class Link;
class Session;
struct SettingsDialogFields;

/// The settings dialog "Sentinex - settaggio del programma". Opening it reads the settings file again
/// (into the session's settings and its controls). "Suoneria", "Imparziale" and "Storico dati On Line su
/// file" take effect as soon as they are clicked; everything else waits for "Ritorna alla pagina
/// principale", which validates, saves every key in order and closes. The close box acts as that button:
/// a failed validation keeps the dialog open with the operator's input.
///
/// While it is open the link reads the board flag from "Scheda L-485", and `entryLimitSource()` gives the
/// unsaved "Controlla numero di ingressi" and "Quanti :"; both go back to the saved settings when it closes.
class FrmProgSetup : public QWidget {
    Q_OBJECT
public:
    /// What a save the settings file refuses shows.
    static const char* const SaveFailedText;
    explicit FrmProgSetup(Session& session, QWidget* parent = nullptr);
    ~FrmProgSetup() override;

    /// The controls as they stand.
    SettingsDialogFields fields() const;
    /// True once a save has passed the validation.
    bool saved() const { return m_saved; }
    /// The polling timer interval for the saved settings and the session's readers (valid once saved).
    int pollingIntervalMs() const { return m_pollingIntervalMs; }
    /// The board flag as "Scheda L-485" shows it.
    bool boardFlag() const;
    /// The entry limit as the dialog's unsaved fields give it, for the access decision while it is open.
    EntryLimitSource entryLimitSource() const;

signals:
    /// The dialog has closed (saved or not); the main window shows itself again.
    void returnedToMain();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void reload();
    void fill(const SettingsDialogFields& f);
    /// Validates and saves; false when the validation failed (nothing written, dialog stays).
    bool save();
    void releaseLink();

    std::unique_ptr<Ui::FrmProgSetup> m_ui;
    Session& m_session;
    Link* m_link = nullptr;
    std::array<QLineEdit*, 3> m_starts{};
    std::array<QLineEdit*, 3> m_ends{};
    bool m_saved = false;
    bool m_closing = false;
    int m_pollingIntervalMs = 0;
};

} // namespace sentinex
