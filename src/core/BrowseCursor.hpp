#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sentinex {

/// The texts one record form shows on its counter and on its two paired commands.
struct BrowseTexts {
    std::string newCaption;        // "Nuovo", "Nuovo utente", "Nuovo lettore"
    std::string cancelCaption;     // "Annulla"
    std::string modifyCaption;     // "Modifica", "Modifica utente", ...
    std::string saveNewCaption;    // "Salva nuovo", "Salva dati", ...
    std::string saveModifyCaption; // "Salva modifica", "Salva dati", ...
    std::string counterPrefix;     // before the position: "" or "Record "
    std::string counterJoin;       // between position and count: " / " or " su "
    std::string emptyCounter;      // no record at all: "0", "Nessun lettore presente"
    std::string newCounter;        // while a new record is typed: "Nuovo", "Nuovo..."
    std::string modifyCounter;     // while a record is modified: "Modifica..."
};

/// What a record form renders from its cursor: the counter, the captions of the New/Annulla and
/// Modifica/Salva pairs and which commands act.
struct BrowseView {
    std::string counter;
    std::string newOrCancelCaption;
    std::string modifyOrSaveCaption;
    bool editing = false;
    bool navigate = false; // browse mode: the four navigation commands are enabled (they act as below)
    bool first = false;    // first and previous: a record before the shown one
    bool previous = false;
    bool next = false; // next and last: a record after the shown one
    bool last = false;
    bool newOrCancel = true;
    bool modifyOrSave = false;
    bool remove = false;
    bool exit = true;

    bool operator==(const BrowseView&) const = default;
};

/// The position of a record form over its table (1-based, 0 when the table is empty), the record count,
/// the key of the shown record and the browse/new/modify mode. Plain state: the presenter that owns it
/// reads the record at `position()` and tells the cursor what the store did.
class BrowseCursor {
public:
    enum class Mode { Browse, New, Modify };

    explicit BrowseCursor(BrowseTexts texts);

    /// Browse mode over `count` records, at the first one (0 when there is none). The key is forgotten.
    void reset(std::int64_t count);
    /// In browse mode only, moves to `position` when it is a record other than the shown one; false
    /// (nothing changes) otherwise.
    bool moveTo(std::int64_t position);
    bool first() { return moveTo(1); }
    bool previous() { return moveTo(m_position - 1); }
    bool next() { return moveTo(m_position + 1); }
    bool last() { return moveTo(m_count); }

    /// Enters new mode from browse mode; false when already editing.
    bool beginNew();
    /// Enters modify mode on the shown record; false when editing or there is no record.
    bool beginModify();
    /// Back to browse mode over `count` records at the position shown before editing, within the records
    /// that are left (the last one when it went, 0 when none).
    void cancel(std::int64_t count);
    /// A save was stored: browse mode over `count` records; a new record is shown at `newPosition` (the
    /// last one when not given), a modified one where it was.
    void saved(std::int64_t count, std::optional<std::int64_t> newPosition = std::nullopt);
    /// The shown record was deleted: browse mode over `count` records at the first one (0 when none).
    void removed(std::int64_t count);

    void setKey(std::optional<std::int64_t> key) { m_key = key; }
    std::optional<std::int64_t> key() const { return m_key; }
    Mode mode() const { return m_mode; }
    bool editing() const { return m_mode != Mode::Browse; }
    std::int64_t position() const { return m_position; }
    std::int64_t count() const { return m_count; }

    /// Counter text, captions and enabled commands for the state now.
    BrowseView view() const;

private:
    BrowseTexts m_texts;
    Mode m_mode = Mode::Browse;
    std::int64_t m_position = 0;
    std::int64_t m_count = 0;
    std::int64_t m_savedPosition = 0;
    std::optional<std::int64_t> m_key;
};

} // namespace sentinex
