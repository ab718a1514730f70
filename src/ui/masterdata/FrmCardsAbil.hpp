#pragma once

#include <QWidget>

#include <array>
#include <memory>

namespace Ui {
class FrmCardsAbil;
}

class QAbstractButton;

namespace sentinex {

class AppState;
class Database;
class EventPump;
class Operator;
class ReaderBus;
class Session;
class UserFormPresenter;
struct Settings;

/// The users form "Sentinex - abilitazione carte": browses, creates, modifies and deletes the users of
/// `Carte`, programs the shown card into the readers and releases a user held by the inspection. The
/// rules, the store calls and the messages are UserFormPresenter's; the window forwards each control's
/// event to it and renders its view. The child windows (association, band viewers, search) return
/// their values by signal.
class FrmCardsAbil : public QWidget {
    Q_OBJECT
public:
    /// The form over the session's database, operator, settings, reader list, switches and bus.
    explicit FrmCardsAbil(Session& session, QWidget* parent = nullptr);
    /// The form over the narrow services it uses; all must outlive it. Loads the users at once and
    /// stands on the first; a store error is shown and the form opens empty (it never throws for it).
    FrmCardsAbil(std::shared_ptr<Database> db, Operator& op, Settings& settings, AppState& state,
                 ReaderBus& bus, QWidget* parent = nullptr);
    ~FrmCardsAbil() override;

    /// True in edit mode (new or modified user not yet saved or cancelled).
    bool editing() const;
    /// True while the external card registration waits for a card.
    bool registering() const;
    /// The window opened in this form's place (association, band viewer, search), while it is open.
    QWidget* openedWindow() const { return m_child.get(); }
    /// The per-reader enable flags of the shown user (position 1 first).
    const std::array<int, 64>& readerFlags() const;

signals:
    /// A deleted user was inside: `removed` presence records went with the user.
    void presenceRemoved(int removed);
    /// The form has closed through "Ritorna alla pagina principale" or its close box: the main window
    /// shows itself again.
    void returnedToMain();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void connectControls();
    /// Connects `signal` of `sender` to `action`, through the slot guard.
    template <typename Sender, typename Signal, typename F>
    void guard(Sender* sender, Signal signal, F action);
    /// Connects an option's being chosen (toggled on) to `action`, through the slot guard.
    template <typename F> void onChosen(QAbstractButton* option, F action);
    void render();
    void associateReaders();
    void showBands();
    void openSearch();
    /// Disables this form and shows `window` in its place until `childClosed`.
    void openChild(std::unique_ptr<QWidget> window);
    void childClosed();
    /// Connects a child window's `closed` signal to `childClosed`, through the slot guard.
    template <typename Window, typename Signal> void connectClosed(Window* window, Signal closed);

    std::unique_ptr<Ui::FrmCardsAbil> m_ui;
    std::shared_ptr<Database> m_db;
    Operator& m_op;
    const Settings& m_settings;
    std::unique_ptr<EventPump> m_pump;
    std::unique_ptr<UserFormPresenter> m_presenter;
    std::unique_ptr<QWidget> m_child;
    bool m_rendering = false; // render() sets the controls: their change signals are not the operator's
};

} // namespace sentinex
