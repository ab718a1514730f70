#pragma once

#include "BandRecord.hpp"
#include "CardSearch.hpp"
#include "UserFormView.hpp"
#include "UserRecord.hpp"
#include "core/BrowseCursor.hpp"
#include "store/Database.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class AppState;
class Database;
class EventPump;
class Operator;
class ReaderBus;
class UserStore;
struct Settings;

/// The rules of the users form `FrmCardsAbil`, apart from its widgets: browse, new, modify, save,
/// cancel, delete, the navigation, the per-reader enable flags and the held flag of the user shown,
/// the card search, the band viewer's choice, the one-card upload, the release and the foreign-card
/// registration. It owns every store call and its catch: a store error is shown as "Errore" with the
/// engine's text and the form stays usable. Every message goes through the Operator. The window
/// forwards each control's event to the matching call and renders `view()`.
class UserFormPresenter {
public:
    enum class Text { Surname, FirstName, Address, CardNumber, Notes, BandName };
    enum class Flag {
        CardEnabled,
        Online,
        Output1,
        Output2,
        CheckInputs,
        InputsAnd,
        Input1On,
        Input2On,
        BandsApply
    };

    static constexpr const char* StoreErrorPrefix = DatabaseError::ShownPrefix;

    /// All must outlive the presenter. `pump` runs the window's events while a run waits (the wait form
    /// paints, its stop button is seen).
    UserFormPresenter(std::shared_ptr<Database> db, Operator& op, Settings& settings, AppState& state,
                      ReaderBus& bus, EventPump& pump);
    ~UserFormPresenter();
    UserFormPresenter(const UserFormPresenter&) = delete;
    UserFormPresenter& operator=(const UserFormPresenter&) = delete;

    /// Called whenever the view changes in the middle of an action, before anything can process events
    /// (a save disables its command before the wait form paints), so the window renders at once.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    /// Called after a delete took `removed` presence records with the user (the user was inside): the
    /// presence counter is kept by the session, which follows.
    void setOnPresenceRemoved(std::function<void(int removed)> onRemoved) {
        m_onPresenceRemoved = std::move(onRemoved);
    }

    /// Loading the form: the band names, the count, the first user. A store error is shown; the form is
    /// then empty and the next navigation loads again.
    void open();
    void first();
    void previous();
    void next();
    void last();
    /// "Nuovo utente" / "Annulla".
    void newOrCancel();
    /// "Modifica utente" / "Salva dati".
    void modifyOrSave();
    /// "Elimina utente": asks, then deletes the user and its presence inside, and says how many presence
    /// records went (see setOnPresenceRemoved).
    void remove();

    /// What the operator typed or ticked; taken in edit mode only (browse mode shows, it does not edit).
    void setText(Text field, const std::string& text);
    void setFlag(Flag flag, bool on);
    /// 0 "Attivo 24 ore", 1..3 "Fascia 1".."Fascia 3".
    void chooseStandAloneBand(int band);

    /// "Associa lettori": the readers' locations for the association form, or nothing (message shown).
    std::optional<std::vector<std::string>> readerAssociation();
    /// "Ok" of the association form: the new per-reader enable flags (kept only in edit mode; saved with
    /// the user).
    void setReaderFlags(const std::array<int, UserRecord::ReaderPositions>& flags);

    /// "Fasce orarie": which band viewer to open.
    struct BandViewer {
        enum class Kind { None, StandAlone, Online };
        Kind kind = Kind::None;
        int chosen = -1; // StandAlone: the option chosen (0..3), -1 none
        BandRecord band; // Online: the user's band
        std::string cardNumber;
    };
    BandViewer bandViewer();

    /// "Ok" of the card search: positions the form on the first match, or says none was found.
    void search(CardSearch::Field field, const std::string& typed);
    /// "UpLoad carta": the checks, then the card into every reader with the wait form shown.
    void upload();
    /// "Imparziale": releases the shown user from the random inspection.
    void release();
    /// "Registra carta esterna": the checks, then the wait for a card at any reader with the wait form
    /// shown (its "Annulla" ends the wait); pressed again while waiting, ends the wait.
    void registerCard();

    bool editing() const { return m_cursor.editing(); }
    bool registering() const { return m_registering; }
    bool busy() const { return m_busy; }
    const std::array<int, UserRecord::ReaderPositions>& readerFlags() const { return m_record.readerFlags; }
    UserFormView view() const;

private:
    template <typename F> void guarded(F&& action);
    void changed();
    void load();
    void moveTo(std::int64_t position);
    void showAt(std::int64_t position);
    void showUser(std::int64_t position, std::int64_t key, const UserRecord& user);
    void showEmpty();
    void save();
    void cancel();

    std::shared_ptr<Database> m_db;
    Operator& m_op;
    Settings& m_settings;
    AppState& m_state;
    ReaderBus& m_bus;
    EventPump& m_pump;
    std::unique_ptr<UserStore> m_store;
    std::function<void()> m_onChange;
    std::function<void(int)> m_onPresenceRemoved;

    BrowseCursor m_cursor;
    UserRecord m_record;
    int m_standAloneChoice = 0;
    std::vector<std::string> m_bandNames;
    bool m_loaded = false;
    bool m_busy = false;
    bool m_registering = false;
    bool m_stopRequested = false;
};

} // namespace sentinex
