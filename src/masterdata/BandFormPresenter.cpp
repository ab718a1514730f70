#include "BandFormPresenter.hpp"

#include "core/Operator.hpp"
#include "core/WaitScope.hpp"
#include "store/Database.hpp"

#include <utility>

namespace sentinex {

namespace {

constexpr const char* ReadFailedText = "Impossibile leggere le fasce orarie: ";
constexpr const char* SaveFailedText = "Impossibile salvare la fascia oraria: ";
constexpr const char* DeleteFailedText = "Impossibile cancellare la fascia oraria: ";

/// What a clear leaves in the boxes: nothing at all.
BandRecord cleared() {
    BandRecord record;
    record.band.times.fill("");
    return record;
}

} // namespace

BandFormPresenter::BandFormPresenter(std::shared_ptr<Database> db, Operator& op)
    : m_db(std::move(db)), m_op(op), m_store(m_db), m_cursor(texts()) {
    m_view.record = cleared();
    refresh();
}

BrowseTexts BandFormPresenter::texts() {
    BrowseTexts t;
    t.newCaption = "Nuovo";
    t.cancelCaption = "Annulla";
    t.modifyCaption = "Modifica";
    t.saveNewCaption = "Salva nuovo";
    t.saveModifyCaption = "Salva modifica";
    t.counterPrefix = "";
    t.counterJoin = " / ";
    t.emptyCounter = "0";
    t.newCounter = "Nuovo";
    t.modifyCounter = "Modifica...";
    return t;
}

std::string BandFormPresenter::deleteQuestion(std::int64_t users) {
    if (users <= 0) {
        return DeleteQuestion;
    }
    const std::string who = users == 1
                                ? "1 utente usa questa fascia oraria: perderà i suoi orari e non potrà "
                                  "passare finché non gli sarà assegnata un'altra fascia."
                                : std::to_string(users) +
                                      " utenti usano questa fascia oraria: perderanno i loro orari e non "
                                      "potranno passare finché non sarà assegnata loro un'altra fascia.";
    return who + "\n" + DeleteQuestion;
}

void BandFormPresenter::open() {
    m_reported = false;
    std::int64_t count = 0;
    try {
        WaitScope wait(m_op);
        count = m_store.count();
    } catch (const DatabaseError& error) {
        storeError(ReadFailedText, error);
        count = 0;
    }
    m_cursor.reset(count);
    if (count == 0 || !showCurrent()) {
        // No band that can be shown: nothing to modify or delete until one is saved.
        m_cursor.reset(0);
        showEmpty(false);
    }
    refresh();
}

void BandFormPresenter::first() {
    move(1);
}

void BandFormPresenter::previous() {
    move(m_cursor.position() - 1);
}

void BandFormPresenter::next() {
    move(m_cursor.position() + 1);
}

void BandFormPresenter::last() {
    move(m_cursor.count());
}

void BandFormPresenter::move(std::int64_t position) {
    m_reported = false;
    const std::int64_t from = m_cursor.position();
    if (m_view.busy || !m_cursor.moveTo(position)) {
        return;
    }
    // A band that cannot be read is not moved to: the counter keeps naming the band on screen.
    if (!showCurrent()) {
        m_cursor.moveTo(from);
    }
    refresh();
}

void BandFormPresenter::newOrCancel() {
    if (m_view.busy) {
        return;
    }
    if (editing()) {
        cancel();
        return;
    }
    if (m_cursor.beginNew()) {
        m_view.record = BandRecord{};
        m_view.framesEnabled = true;
    }
    refresh();
}

void BandFormPresenter::modifyOrSave(const BandRecord& typed) {
    if (m_view.busy) {
        return;
    }
    if (editing()) {
        save(typed);
        return;
    }
    if (m_cursor.beginModify()) {
        m_view.framesEnabled = true;
    }
    refresh();
}

void BandFormPresenter::cancel() {
    if (m_view.busy || !editing()) {
        return;
    }
    m_reported = false;
    std::int64_t count = 0;
    bool readable = true;
    try {
        count = m_store.count();
    } catch (const DatabaseError& error) {
        storeError(ReadFailedText, error);
        readable = false;
    }
    m_cursor.cancel(readable ? count : 0);
    // What was typed is forgotten: the band as stored comes back. A table that cannot be read leaves the
    // form as an open that failed does: empty, "Nuovo" and "Esci" at hand.
    if (!readable || count == 0 || !showCurrent()) {
        m_cursor.cancel(0);
        showEmpty(false);
    }
    refresh();
}

void BandFormPresenter::save(const BandRecord& typed) {
    m_reported = false;
    const bool isNew = m_cursor.mode() == BrowseCursor::Mode::New;
    const std::optional<std::int64_t> key = isNew ? std::nullopt : m_cursor.key();
    if (!isNew && !key) {
        return;
    }
    m_view.record = typed; // a refused save keeps everything typed on screen
    // Busy before anything can process events (a message box, the wait form, the yield): a second click
    // on "Salva ..." that arrives meanwhile finds nothing to do.
    m_view.busy = true;
    refresh();
    try {
        if (!m_store.validate(typed, key, m_op)) {
            m_view.busy = false;
            refresh();
            return;
        }
        WaitScope wait(m_op);
        yieldOnce();
        m_store.save(typed, key);
    } catch (const DatabaseError& error) {
        // The form stays in its mode with everything typed; neither the band nor a user changed.
        m_view.busy = false;
        storeError(SaveFailedText, error);
        refresh();
        return;
    }
    std::int64_t count = m_cursor.count() + (isNew ? 1 : 0);
    try {
        count = m_store.count();
    } catch (const DatabaseError& error) {
        storeError(ReadFailedText, error);
    }
    m_view.busy = false;
    m_cursor.saved(count);
    m_view.record = typed;
    showCurrent();
    refresh();
}

void BandFormPresenter::remove() {
    m_reported = false;
    const std::optional<std::int64_t> key = m_cursor.key();
    if (m_view.busy || editing() || !key || m_cursor.count() == 0) {
        return;
    }
    m_view.busy = true;
    refresh();
    std::int64_t users = 0;
    try {
        users = m_store.usersOf(*key);
    } catch (const DatabaseError& error) {
        m_view.busy = false;
        storeError(ReadFailedText, error);
        refresh();
        return;
    }
    if (m_op.question("Domanda", deleteQuestion(users), MsgIcon::Question) != Answer::Yes) {
        m_view.busy = false;
        refresh();
        return;
    }
    try {
        WaitScope wait(m_op);
        yieldOnce();
        m_store.remove(*key);
    } catch (const DatabaseError& error) {
        m_view.busy = false;
        storeError(DeleteFailedText, error);
        refresh();
        return;
    }
    std::int64_t count = m_cursor.count() - 1;
    try {
        count = m_store.count();
    } catch (const DatabaseError& error) {
        storeError(ReadFailedText, error);
    }
    m_view.busy = false;
    m_cursor.removed(count);
    // After the last band its values stay on screen until the next new band.
    if (count == 0 || !showCurrent()) {
        showEmpty(true);
    }
    refresh();
}

bool BandFormPresenter::showCurrent() {
    try {
        const auto stored = m_store.atPosition(m_cursor.position());
        if (!stored) {
            return false;
        }
        m_cursor.setKey(stored->key);
        m_view.record = stored->record;
        m_view.framesEnabled = true;
        return true;
    } catch (const DatabaseError& error) {
        storeError(ReadFailedText, error);
        return false;
    }
}

void BandFormPresenter::showEmpty(bool keepRecord) {
    m_cursor.setKey(std::nullopt);
    if (!keepRecord) {
        m_view.record = cleared();
        m_view.framesEnabled = false;
    }
}

void BandFormPresenter::refresh() {
    m_view.browse = m_cursor.view();
    m_view.editable = m_cursor.editing();
    if (m_view.busy) {
        BrowseView& b = m_view.browse;
        b.navigate = b.first = b.previous = b.next = b.last = false;
        b.newOrCancel = b.modifyOrSave = b.remove = b.exit = false;
    }
}

void BandFormPresenter::storeError(const char* what, const DatabaseError& error) {
    // One box per command: a read that follows a failed one would only repeat it.
    if (m_reported) {
        return;
    }
    m_reported = true;
    m_op.message("Errore", std::string(what) + error.what(), MsgIcon::Critical);
}

void BandFormPresenter::yieldOnce() {
    if (m_yield) {
        m_yield();
    }
}

} // namespace sentinex
