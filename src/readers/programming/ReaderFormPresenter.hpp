#pragma once

#include "ReaderForm.hpp"
#include "ReaderRecord.hpp"
#include "ReaderStore.hpp"

#include "core/BrowseCursor.hpp"

#include <functional>
#include <memory>
#include <vector>

namespace sentinex {

class Clock;
class Database;
class EventPump;
class Operator;
class ReaderBus;
struct Settings;

/// What the reader configuration form renders: the cursor's counter, captions and commands, the record
/// (or the cleared form) in its fields, and which parts of the form act.
struct ReaderFormView {
    BrowseView browse;
    ReaderForm form;
    bool fieldsEnabled = false;    // the record's fields take typing (new or modify)
    bool loopEnabled = false;      // the loop is typed only with the L-485 board
    bool choosers = false;         // type and state are chosen from lists instead of shown as text
    bool utilitiesVisible = false; // "Utilities" beside "Programma": only for a TERA TR-X reader
    bool program = false;          // "Programma"
    bool utilities = false;        // "Utilities"
    bool running = false;          // a programming run owns the form
};

/// The rules of the reader configuration form "Sentinex - gestione lettori" over `Lettori`: browsing,
/// new (at most 64), modify, validation, save, cancel, delete, programming of the shown reader and
/// leaving. Every store call and its DatabaseError are caught here and shown as "Errore"; the form stays
/// usable with what it showed before.
class ReaderFormPresenter {
public:
    struct Context {
        std::shared_ptr<Database> database;
        Operator& op;
        Clock& clock;
        EventPump& pump;
        const Settings& settings;
        std::function<ReaderBus*()> bus;        // null when no interface is connected
        std::function<void()> reloadReaderList; // the polling's list, reloaded on leaving
    };

    explicit ReaderFormPresenter(Context context);

    /// Reads `Lettori` and shows the first reader. A store error is shown; the form opens empty.
    void open();
    const ReaderFormView& view() const { return m_view; }

    void next();
    void previous();
    /// "Nuovo lettore" in browse mode, "Annulla" while editing.
    void newOrCancel();
    /// "Modifica dati lettore" in browse mode, "Salva dati" (with the typed form) while editing.
    void modifyOrSave(const ReaderForm& typed);
    void remove();
    /// Programs the reader with the values typed in the form (saved or not). The run owns the screen;
    /// the wait form's stop button ends it before its next command.
    void program(const ReaderForm& typed);
    bool running() const { return m_view.running; }
    /// Leaving the form: refused (false) while editing or during a run; otherwise the polling's reader
    /// list is reloaded (a store error is shown and the old list stays in use).
    bool leave();

    /// Called whenever the view changed.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

private:
    bool reload();
    void storeError(const std::exception& e);
    void render();

    Context m_ctx;
    ReaderStore m_store;
    BrowseCursor m_cursor;
    std::vector<ReaderRecord> m_records;
    ReaderForm m_editing; // the fields while a record is typed
    ReaderFormView m_view;
    std::function<void()> m_onChange;
};

} // namespace sentinex
