#include "ReaderFormPresenter.hpp"

#include "ReaderProgramming.hpp"
#include "ReaderValidation.hpp"

#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "store/Database.hpp"

#include <optional>

namespace sentinex {

namespace {

constexpr const char* NoReadersText = "Non ci sono lettori nel database.";
constexpr const char* StoreErrorPrefix = "Operazione non eseguita: errore dell'archivio dati.\n";

BrowseTexts readerTexts() {
    return BrowseTexts{"Nuovo lettore", "Annulla", "Modifica dati lettore",   "Salva dati", "Salva dati",
                       "Record ",       " su ",    "Nessun lettore presente", "Nuovo...",   "Modifica..."};
}

} // namespace

ReaderFormPresenter::ReaderFormPresenter(Context context)
    : m_ctx(std::move(context)), m_store(m_ctx.database), m_cursor(readerTexts()) {}

void ReaderFormPresenter::storeError(const std::exception& e) {
    m_ctx.op.message("Errore", std::string(StoreErrorPrefix) + e.what(), MsgIcon::Critical);
}

bool ReaderFormPresenter::reload() {
    try {
        m_records = m_store.all();
        return true;
    } catch (const DatabaseError& e) {
        storeError(e);
        return false;
    }
}

void ReaderFormPresenter::open() {
    if (!reload()) {
        m_records.clear();
    }
    m_cursor.reset(static_cast<std::int64_t>(m_records.size()));
    render();
}

void ReaderFormPresenter::render() {
    const bool board = m_ctx.settings.SchedaL485;
    ReaderFormView v;
    v.browse = m_cursor.view();
    v.running = m_view.running;
    v.fieldsEnabled = m_cursor.editing();
    v.choosers = m_cursor.editing();
    v.loopEnabled = board;
    if (m_cursor.editing()) {
        v.form = m_editing;
    } else if (m_cursor.position() > 0) {
        const ReaderRecord& r = m_records.at(static_cast<std::size_t>(m_cursor.position() - 1));
        v.form = r.toForm();
        v.utilitiesVisible = r.TipoLettore == "TERA TR-X";
    } else {
        v.form = ReaderForm::cleared(false, board);
    }
    const bool any = !m_cursor.editing() && m_cursor.count() > 0;
    v.program = any;
    v.utilities = any;
    if (v.running) {
        // The run owns the form: only its own "Annulla" acts.
        v.browse.navigate = v.browse.first = v.browse.previous = v.browse.next = v.browse.last = false;
        v.browse.newOrCancel = v.browse.modifyOrSave = v.browse.remove = v.browse.exit = false;
        v.program = v.utilities = v.fieldsEnabled = false;
    }
    m_view = v;
    if (m_onChange) {
        m_onChange();
    }
}

void ReaderFormPresenter::next() {
    if (!m_view.running && m_cursor.next()) {
        render();
    }
}

void ReaderFormPresenter::previous() {
    if (!m_view.running && m_cursor.previous()) {
        render();
    }
}

void ReaderFormPresenter::newOrCancel() {
    if (m_view.running) {
        return;
    }
    if (m_cursor.editing()) {
        // "Annulla": back to the record shown before, as the table is now.
        reload();
        m_cursor.cancel(static_cast<std::int64_t>(m_records.size()));
        render();
        return;
    }
    if (static_cast<int>(m_records.size()) >= ReaderStore::Capacity) {
        m_ctx.op.message("Attenzione", ReaderStore::FullText, MsgIcon::Exclamation);
        return;
    }
    m_editing = ReaderForm::cleared(true, m_ctx.settings.SchedaL485);
    m_cursor.beginNew();
    render();
}

void ReaderFormPresenter::modifyOrSave(const ReaderForm& typed) {
    if (m_view.running) {
        return;
    }
    if (!m_cursor.editing()) {
        if (m_cursor.beginModify()) {
            m_editing = m_view.form;
            render();
        }
        return;
    }
    ReaderForm f = typed;
    const bool creating = m_cursor.mode() == BrowseCursor::Mode::New;
    const int position = static_cast<int>(m_cursor.position());
    try {
        const std::optional<int> editing = creating ? std::nullopt : std::optional<int>(position);
        const bool valid = ReaderValidation::validate(f, m_store.loopAddresses(), editing, m_ctx.op);
        m_editing = f; // the site code as validation completed it
        if (!valid) {
            render();
            return;
        }
        const ReaderRecord record = ReaderRecord::fromForm(f);
        if (creating) {
            m_store.add(record);
        } else {
            m_store.update(position, record);
        }
    } catch (const DatabaseError& e) {
        // Not stored (file locked, table full meanwhile): say why and stay in editing.
        m_editing = f;
        storeError(e);
        render();
        return;
    }
    if (!reload()) {
        m_records.clear();
    }
    m_cursor.saved(static_cast<std::int64_t>(m_records.size()));
    render();
}

void ReaderFormPresenter::remove() {
    if (m_view.running || m_cursor.editing()) {
        return;
    }
    if (m_cursor.count() == 0) {
        m_ctx.op.message("Messaggio", NoReadersText, MsgIcon::Information);
        return;
    }
    if (m_ctx.op.question("Domanda", "Sei sicuro di voler eliminare il lettore ?", MsgIcon::Question) !=
        Answer::Yes) {
        return;
    }
    try {
        m_store.remove(static_cast<int>(m_cursor.position()));
    } catch (const DatabaseError& e) {
        // Nothing was deleted: the reader and every user's doors are as they were.
        storeError(e);
        return;
    }
    if (!reload()) {
        m_records.clear();
    }
    m_cursor.removed(static_cast<std::int64_t>(m_records.size()));
    render();
}

void ReaderFormPresenter::program(const ReaderForm& typed) {
    if (m_view.running || m_cursor.editing()) {
        return;
    }
    if (m_cursor.count() == 0) {
        m_ctx.op.message("Messaggio", NoReadersText, MsgIcon::Information);
        return;
    }
    ReaderBus* bus = m_ctx.bus ? m_ctx.bus() : nullptr;
    if (!bus) {
        m_ctx.op.message("Attenzione", "Periferica non connessa.", MsgIcon::Exclamation);
        return;
    }
    m_view.running = true;
    render();
    struct EndRun {
        ReaderFormPresenter& p;
        ~EndRun() {
            p.m_view.running = false;
            p.render();
        }
    } endRun{*this};
    ReaderProgramming programming(*bus, m_ctx.op, m_ctx.clock, m_ctx.pump, m_ctx.settings);
    programming.run(typed);
}

bool ReaderFormPresenter::leave() {
    if (m_view.running || m_cursor.editing()) {
        return false;
    }
    if (m_ctx.reloadReaderList) {
        try {
            m_ctx.reloadReaderList();
        } catch (const DatabaseError& e) {
            // The polling keeps the list it had.
            storeError(e);
        }
    }
    return true;
}

} // namespace sentinex
