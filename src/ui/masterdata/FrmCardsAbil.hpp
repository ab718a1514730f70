#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace Ui {
class FrmCardsAbil;
}

class QAbstractButton;

namespace sentinex {

class AppState;
class Database;
class Operator;
class ReaderBus;
class Session;
class UserStore;
struct Settings;
struct UserRecord;

/// The users form "Sentinex - abilitazione carte": browses, creates, modifies and deletes the users of
/// `Carte`, programs the shown card into the readers and releases a user held by the inspection.
/// Browse mode shows one user; edit mode ("Nuovo utente", "Modifica utente") ends with "Salva dati" or
/// "Annulla". The rules are UserStore's, CardUpload's and UserRelease's; the window shows their outcome.
class FrmCardsAbil : public QWidget {
    Q_OBJECT
public:
    /// Reader positions of a user's enable flags.
    static constexpr int ReaderPositions = 64;

    /// The form over the session's database, operator, settings, reader list, switches and bus.
    explicit FrmCardsAbil(Session& session, QWidget* parent = nullptr);
    /// The form over the narrow services it uses; all must outlive it. Loads the users at once and
    /// stands on the first. Throws DatabaseError when the tables cannot be read.
    FrmCardsAbil(std::shared_ptr<Database> db, Operator& op, const Settings& settings, AppState& state,
                 ReaderBus& bus, QWidget* parent = nullptr);
    ~FrmCardsAbil() override;

    /// True in edit mode (new or modified user not yet saved or cancelled).
    bool editing() const { return m_editing; }
    /// True while the external card registration waits for a card.
    bool registering() const { return m_registering; }
    /// The window opened in this form's place (association, band viewer, search), while it is open.
    QWidget* openedWindow() const { return m_child.get(); }
    /// The per-reader enable flags of the shown user (position 1 first), as the association form edits them.
    std::array<int, ReaderPositions>& readerFlags() { return m_flags; }

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
    void load();
    void showAt(std::int64_t position);
    void showStored(std::int64_t position, std::int64_t key, const UserRecord& user);
    void showRecord(const UserRecord& user);
    UserRecord fromControls() const;
    void clearRecord(bool withDefaults);
    void optionRefresh();
    void setFrames(bool on);
    void setEmptyState();
    void showCounter();
    void enableButtons(std::initializer_list<QAbstractButton*> buttons, bool enabled);
    void setOption(QAbstractButton* first, QAbstractButton* second, bool firstChosen);

    void moveTo(std::int64_t position);
    void onNewOrCancel();
    void onModifyOrSave();
    void enterEdit(bool isNew);
    void cancelEdit();
    void save();
    void deleteUser();
    void upload();
    void release();
    void associateReaders();
    void showBands();
    void openSearch();
    void search(int mode, const QString& text);
    void onRegisterClicked();
    void registerExternalCard();
    void lockAllBut(QWidget* keep);
    void unlock();
    /// Disables this form and shows `window` in its place until `childClosed`.
    void openChild(std::unique_ptr<QWidget> window);
    void childClosed();
    void onOnlineToggled(bool ticked);
    void onBandsApplyToggled(bool ticked);

    std::unique_ptr<Ui::FrmCardsAbil> m_ui;
    std::shared_ptr<Database> m_db;
    Operator& m_op;
    const Settings& m_settings;
    AppState& m_state;
    ReaderBus& m_bus;
    std::unique_ptr<UserStore> m_store;

    std::int64_t m_current = 0;
    std::int64_t m_count = 0;
    std::int64_t m_savedPosition = 0;
    std::optional<std::int64_t> m_key; // record of the shown user
    bool m_isNew = false;
    bool m_editing = false;
    bool m_held = false;
    std::array<int, ReaderPositions> m_flags{};
    std::unique_ptr<QWidget> m_child;
    bool m_registering = false;
    bool m_stopRequested = false;
    std::vector<QWidget*> m_locked; // what the registration disabled, enabled again when it ends
};

} // namespace sentinex
