#include "UserFormPresenter.hpp"

#include "CardUpload.hpp"
#include "ExternalCardRegistration.hpp"
#include "UserRelease.hpp"
#include "UserStore.hpp"
#include "core/EventPump.hpp"
#include "core/Numbers.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/WaitScope.hpp"
#include "link/ReaderCommands.hpp"
#include "readers/AppState.hpp"
#include "store/Database.hpp"

#include <algorithm>

namespace sentinex {

namespace {

BrowseTexts usersTexts() {
    BrowseTexts t;
    t.newCaption = "Nuovo utente";
    t.cancelCaption = "Annulla";
    t.modifyCaption = "Modifica utente";
    t.saveNewCaption = "Salva dati";
    t.saveModifyCaption = "Salva dati";
    t.counterJoin = " / ";
    t.emptyCounter = "0 Utenti";
    t.newCounter = "Nuovo...";
    t.modifyCounter = "Modifica...";
    return t;
}

/// Sets `flag` for as long as it lives.
class Busy {
public:
    explicit Busy(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Busy() { m_flag = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    bool& m_flag;
};

} // namespace

UserFormPresenter::UserFormPresenter(std::shared_ptr<Database> db, Operator& op, Settings& settings,
                                     AppState& state, ReaderBus& bus, EventPump& pump)
    : m_db(std::move(db)), m_op(op), m_settings(settings), m_state(state), m_bus(bus), m_pump(pump),
      m_store(std::make_unique<UserStore>(m_db)), m_cursor(usersTexts()) {}

UserFormPresenter::~UserFormPresenter() = default;

template <typename F> void UserFormPresenter::guarded(F&& action) {
    try {
        std::forward<F>(action)();
    } catch (const DatabaseError& error) {
        m_op.message("Errore", std::string(StoreErrorPrefix) + error.what(), MsgIcon::Critical);
    }
}

void UserFormPresenter::changed() {
    if (m_onChange) {
        m_onChange();
    }
}

void UserFormPresenter::open() {
    guarded([this] { load(); });
}

void UserFormPresenter::load() {
    m_loaded = false;
    m_cursor.reset(0);
    showEmpty();
    m_bandNames = m_store->bandNames();
    m_cursor.reset(m_store->count());
    if (m_cursor.count() > 0) {
        showAt(1);
    }
    m_loaded = true;
}

void UserFormPresenter::showEmpty() {
    m_cursor.reset(0);
    m_record = UserRecord{};
    m_standAloneChoice = -1;
}

void UserFormPresenter::showUser(std::int64_t position, std::int64_t key, const UserRecord& user) {
    m_cursor.reset(m_cursor.count());
    m_cursor.moveTo(position);
    m_cursor.setKey(key);
    m_record = user;
    // A stored choice outside 0..3 leaves the options as they were.
    if (user.standAloneBand >= 0 && user.standAloneBand <= 3) {
        m_standAloneChoice = user.standAloneBand;
    }
}

void UserFormPresenter::showAt(std::int64_t position) {
    // Steps from the shown user and the two ends are one indexed read each; only an arbitrary
    // position needs the set walked to it.
    const std::optional<std::int64_t> key = m_cursor.key();
    const std::int64_t current = m_cursor.position();
    std::optional<UserStore::Stored> stored;
    if (key && position == current) {
        stored = m_store->byKey(*key);
    } else if (key && position == current + 1) {
        stored = m_store->beside(*key, UserStore::Step::Next);
    } else if (key && position == current - 1) {
        stored = m_store->beside(*key, UserStore::Step::Previous);
    } else if (position == m_cursor.count() && position > 1) {
        stored = m_store->last();
    }
    if (!stored) {
        stored = m_store->atPosition(position);
    }
    if (!stored) {
        // The table shrank behind the form's back: stand on what is there now.
        const std::int64_t count = m_store->count();
        if (count == 0) {
            showEmpty();
            return;
        }
        m_cursor.reset(count);
        stored = m_store->atPosition(std::min(position, count));
        if (!stored) {
            showEmpty();
            return;
        }
        position = std::min(position, count);
    }
    showUser(position, stored->key, stored->user);
}

void UserFormPresenter::moveTo(std::int64_t position) {
    if (m_busy || m_cursor.editing()) {
        return;
    }
    guarded([&] {
        if (!m_loaded) {
            load(); // the form could not be read when it opened: try again
            return;
        }
        if (m_cursor.count() == 0 || position < 1 || position > m_cursor.count() ||
            position == m_cursor.position()) {
            return;
        }
        showAt(position);
    });
}

void UserFormPresenter::first() {
    moveTo(1);
}

void UserFormPresenter::previous() {
    moveTo(m_cursor.position() - 1);
}

void UserFormPresenter::next() {
    moveTo(m_cursor.position() + 1);
}

void UserFormPresenter::last() {
    moveTo(m_cursor.count());
}

void UserFormPresenter::newOrCancel() {
    if (m_busy) {
        return;
    }
    if (m_cursor.editing()) {
        cancel();
        return;
    }
    // The cursor keeps the user shown before, for "Annulla".
    m_cursor.beginNew();
    m_record = UserRecord::newUser();
    m_standAloneChoice = m_record.standAloneBand;
}

void UserFormPresenter::cancel() {
    const std::optional<std::int64_t> key = m_cursor.key();
    guarded([&] {
        const std::int64_t count = m_loaded ? m_store->count() : 0;
        m_cursor.cancel(count);
        if (!m_loaded) {
            load();
            return;
        }
        if (m_cursor.count() == 0) {
            showEmpty();
            return;
        }
        // The user shown before editing, read again (what was typed is forgotten).
        const std::int64_t position = m_cursor.position();
        std::optional<UserStore::Stored> stored = key ? m_store->byKey(*key) : std::nullopt;
        if (stored) {
            if (const auto at = m_store->positionOf(stored->key)) {
                m_cursor.moveTo(*at);
            }
            showUser(m_cursor.position(), stored->key, stored->user);
        } else {
            m_cursor.setKey(std::nullopt);
            showAt(position);
        }
    });
    if (m_cursor.editing()) {
        // The store could not be read: browse mode over nothing; the next move reads the table again.
        showEmpty();
        m_loaded = false;
    }
}

void UserFormPresenter::modifyOrSave() {
    if (m_busy) {
        return;
    }
    if (m_cursor.editing()) {
        save();
        return;
    }
    m_cursor.beginModify();
}

void UserFormPresenter::save() {
    const bool isNew = m_cursor.mode() == BrowseCursor::Mode::New;
    const std::optional<std::int64_t> editingKey = isNew ? std::nullopt : m_cursor.key();
    UserRecord user = m_record;
    // "Attivo 24 ore" or no option chosen stores 0.
    user.standAloneBand = m_standAloneChoice >= 1 && m_standAloneChoice <= 3 ? m_standAloneChoice : 0;
    guarded([&] {
        const UserStore::Validation check = m_store->validate(user, editingKey);
        if (check.normalisedCard) {
            m_record.cardNumber = *check.normalisedCard;
            user.cardNumber = *check.normalisedCard;
        }
        if (!check.ok()) {
            m_op.message("Attenzione", check.problem, MsgIcon::Exclamation);
            return;
        }
        std::int64_t key = 0;
        {
            // The command is off before the wait form lets any event through: a second click that
            // waits in the queue finds nothing to press.
            Busy busy(m_busy);
            changed();
            WaitScope wait(m_op);
            m_pump.processEvents(); // the wait form paints
            try {
                key = m_store->save(user, editingKey);
            } catch (const UserStore::CardTaken&) {
                wait.close();
                m_op.message("Attenzione", UserStore::CardTakenText, MsgIcon::Exclamation);
                return;
            }
        }
        const std::int64_t count = m_store->count();
        m_cursor.saved(count, m_store->positionOf(key));
        m_cursor.setKey(std::nullopt);
        const auto stored = m_store->byKey(key);
        if (stored) {
            showUser(m_cursor.position(), key, stored->user);
        } else {
            showAt(m_cursor.position());
        }
    });
}

void UserFormPresenter::remove() {
    if (m_busy || m_cursor.editing()) {
        return;
    }
    const std::optional<std::int64_t> key = m_cursor.key();
    if (m_cursor.count() == 0 || !key) {
        m_op.message("Messaggio", "Non ci sono utenti nel database.", MsgIcon::Information);
        return;
    }
    if (m_op.question("Domanda", "Sei sicuro di voler eliminare l'utente ?", MsgIcon::Question) !=
        Answer::Yes) {
        return;
    }
    Busy busy(m_busy);
    changed();
    guarded([&] {
        const int inside = m_store->remove(*key);
        if (inside > 0 && m_onPresenceRemoved) {
            m_onPresenceRemoved(inside); // the counter follows where the presence is kept
        }
        m_cursor.removed(m_store->count());
        if (m_cursor.count() == 0) {
            showEmpty();
        } else {
            showAt(1);
        }
    });
}

void UserFormPresenter::setText(Text field, const std::string& text) {
    if (!m_cursor.editing() || m_busy) {
        return;
    }
    switch (field) {
    case Text::Surname:
        m_record.surname = text;
        break;
    case Text::FirstName:
        m_record.firstName = text;
        break;
    case Text::Address:
        m_record.address = text;
        break;
    case Text::CardNumber:
        m_record.cardNumber = text;
        break;
    case Text::Notes:
        m_record.notes = text;
        break;
    case Text::BandName:
        m_record.bandName = text;
        break;
    }
}

void UserFormPresenter::setFlag(Flag flag, bool on) {
    if (!m_cursor.editing() || m_busy) {
        return;
    }
    bool UserRecord::*field = nullptr;
    switch (flag) {
    case Flag::CardEnabled:
        field = &UserRecord::cardEnabled;
        break;
    case Flag::Online:
        field = &UserRecord::online;
        break;
    case Flag::Output1:
        field = &UserRecord::output1;
        break;
    case Flag::Output2:
        field = &UserRecord::output2;
        break;
    case Flag::CheckInputs:
        field = &UserRecord::checkInputs;
        break;
    case Flag::InputsAnd:
        field = &UserRecord::inputsAnd;
        break;
    case Flag::Input1On:
        field = &UserRecord::input1On;
        break;
    case Flag::Input2On:
        field = &UserRecord::input2On;
        break;
    case Flag::BandsApply:
        field = &UserRecord::bandsApply;
        break;
    }
    m_record.*field = on;
}

void UserFormPresenter::chooseStandAloneBand(int band) {
    if (!m_cursor.editing() || m_busy || band < 0 || band > 3) {
        return;
    }
    if (band >= 1 && !view().standAloneAvailable[static_cast<std::size_t>(band - 1)]) {
        return; // a band that is not defined cannot be chosen
    }
    m_standAloneChoice = band;
    m_record.standAloneBand = band;
}

std::optional<std::vector<std::string>> UserFormPresenter::readerAssociation() {
    std::optional<std::vector<std::string>> locations;
    guarded([&] {
        auto found = m_store->readerLocations();
        if (found.empty()) {
            m_op.message("Attenzione", "Non ci sono lettori memorizzati nel database.", MsgIcon::Exclamation);
            return;
        }
        locations = std::move(found);
    });
    return locations;
}

void UserFormPresenter::setReaderFlags(const std::array<int, UserRecord::ReaderPositions>& flags) {
    // Outside edit mode the association form only shows.
    if (m_cursor.editing() && !m_busy) {
        m_record.readerFlags = flags;
    }
}

UserFormPresenter::BandViewer UserFormPresenter::bandViewer() {
    BandViewer viewer;
    if (!m_record.online) {
        viewer.kind = BandViewer::Kind::StandAlone;
        viewer.chosen = m_standAloneChoice;
        return viewer;
    }
    const std::string name = trim(m_record.bandName);
    if (name.empty()) {
        m_op.message("Attenzione", "Non è stato inserito nessun turno.", MsgIcon::Exclamation);
        return viewer;
    }
    guarded([&] {
        std::optional<BandTimes> band;
        {
            WaitScope wait(m_op);
            band = m_store->bandNamed(name);
        }
        if (!band) {
            m_op.message("Attenzione", "Il turno definito nelle fasce orarie non esiste.",
                         MsgIcon::Exclamation);
            return;
        }
        viewer.kind = BandViewer::Kind::Online;
        viewer.band = BandRecord{name, *band};
        viewer.cardNumber = m_record.cardNumber;
    });
    return viewer;
}

void UserFormPresenter::search(CardSearch::Field field, const std::string& typed) {
    if (m_busy || m_cursor.editing()) {
        return;
    }
    guarded([&] {
        const std::int64_t before = m_cursor.position();
        const auto found = CardSearch::find(*m_db, *m_store, field, typed);
        const auto user = found ? m_store->byKey(found->key) : std::nullopt;
        if (!found) {
            m_op.message("Messaggio", CardSearch::NotFoundText, MsgIcon::Information);
        }
        m_cursor.reset(m_store->count());
        m_loaded = true;
        if (user) {
            showUser(found->position, user->key, user->user);
        } else if (m_cursor.count() == 0) {
            showEmpty();
        } else {
            // Not found: the user shown before, read again.
            showAt(std::clamp<std::int64_t>(before, 1, m_cursor.count()));
        }
    });
}

void UserFormPresenter::upload() {
    if (m_busy || m_cursor.editing()) {
        return;
    }
    if (!CardUpload::mayStart(m_record.online, m_state.readers.count(), m_state.pollingOn, m_state.outputOn,
                              m_op)) {
        return;
    }
    guarded([&] {
        const std::optional<std::int64_t> key = m_cursor.key();
        const auto stored = key ? m_store->byKey(*key) : std::nullopt;
        if (!stored) {
            m_op.message("Messaggio", "Non ci sono utenti nel database.", MsgIcon::Information);
            return;
        }
        // The options as the form shows them; the readers, "On Line" and "Carta abilitata" as stored.
        CardUpload::Request request;
        request.cardNumber = m_record.cardNumber;
        request.options = ReaderCommands::cardOptions(
            m_record.inputsAnd, m_record.checkInputs, m_record.input2On, m_record.input1On,
            m_standAloneChoice >= 1 && m_standAloneChoice <= 3 ? m_standAloneChoice : 0, m_record.output1,
            m_record.output2);
        request.storedReaders = stored->user.readerText();
        request.storedOnline = stored->user.online;
        request.storedEnabled = stored->user.cardEnabled;
        Busy busy(m_busy);
        changed();
        CardUpload::run(m_state.readers, m_bus, m_op, m_settings.QuattroCifre, request);
    });
}

void UserFormPresenter::release() {
    if (m_busy || m_cursor.editing()) {
        return;
    }
    guarded([&] {
        if (UserRelease::release(*m_db, m_op, m_settings.Imparziale,
                                 {m_record.online, m_record.held, m_record.cardNumber})) {
            m_record.held = false;
        }
    });
}

void UserFormPresenter::registerCard() {
    if (m_registering) {
        m_stopRequested = true; // the wait sees it before the next reader
        return;
    }
    if (m_busy || m_cursor.editing()) {
        return;
    }
    guarded([&] {
        const auto key = ExternalCardRegistration::recordToUpdate(*m_db, m_op, m_state.readers,
                                                                  m_state.pollingOn, m_state.outputOn,
                                                                  {m_record.online, m_record.cardNumber});
        if (!key) {
            return;
        }
        Busy busy(m_busy);
        m_registering = true;
        m_stopRequested = false;
        changed();
        // The wait form comes up once the invitation has been read, and owns the screen until a card
        // is captured or its "Annulla" ends the wait.
        std::optional<WaitScope> wait;
        try {
            ExternalCardRegistration::waitAndStore(*m_db, m_op, m_state.readers, m_bus, *key, [&] {
                if (!wait) {
                    wait.emplace(m_op);
                    m_op.offerWaitCancel(true);
                }
                m_pump.processEvents();
                return !m_stopRequested && !m_op.waitCancelRequested();
            });
        } catch (...) {
            wait.reset();
            m_registering = false;
            m_stopRequested = false;
            throw;
        }
        wait.reset();
        m_registering = false;
        m_stopRequested = false;
    });
}

UserFormView UserFormPresenter::view() const {
    UserFormView v;
    v.browse = m_cursor.view();
    v.record = m_record;
    v.standAloneChoice = m_standAloneChoice;
    v.bandNames = m_bandNames;
    const bool editing = m_cursor.editing();
    const bool hasUser = m_cursor.count() > 0;
    v.noUser = !editing && !hasUser;
    v.framesOn = editing;
    v.onlineFrameVisible = m_record.online;
    v.bandChooserEnabled = m_record.bandsApply;
    for (int i = 0; i < 3; ++i) {
        v.standAloneAvailable[static_cast<std::size_t>(i)] =
            m_settings.FasceOrarie && m_settings.bandDefined[static_cast<std::size_t>(i)];
    }
    const bool browsingAUser = !editing && hasUser;
    v.info = v.search = v.upload = v.release = v.registerCard = browsingAUser;
    v.associate = editing || hasUser;
    // "Fasce orarie": an offline user's stand-alone bands, or an online user's band when "Abilita" is
    // ticked.
    v.bands = (editing || hasUser) && (!m_record.online || m_record.bandsApply);
    v.registerCaption =
        m_registering ? ExternalCardRegistration::WaitingCaption : ExternalCardRegistration::IdleCaption;
    v.busy = m_busy;
    if (m_busy) {
        // A run owns the screen: only its own stop acts.
        v.browse.navigate = v.browse.first = v.browse.previous = v.browse.next = v.browse.last = false;
        v.browse.newOrCancel = v.browse.modifyOrSave = v.browse.remove = v.browse.exit = false;
        v.info = v.associate = v.bands = v.search = v.upload = v.release = false;
        v.registerCard = m_registering;
    }
    return v;
}

} // namespace sentinex
