#pragma once

#include "HolidayRecord.hpp"
#include "HolidayStore.hpp"
#include "core/BrowseCursor.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sentinex {

class Database;
class Operator;
class SettingsFile;
struct Settings;

/// What the holidays form shows.
struct HolidayFormView {
    BrowseView browse;
    std::vector<HolidayRecord> rows; // the list, in calendar order
    int currentRow = -1;             // 0-based row of the shown holiday in `rows`; -1 for none
    HolidayRecord shown;             // what the three fields show
    bool fieldsEnabled = false;      // new or modify mode: the fields take typing
    bool festivita = false;          // the setting "Festivita"
    bool pasquetta = true;           // the setting "Pasquetta"
};

/// The rules of the holidays form `FrmFestivita`, apart from its widgets: browsing the calendar
/// `Festivita` (list and record fields, as the band form browses its bands), new, modify, delete, the
/// checks of a save and the two switches "Festivita" and "Pasquetta" of the settings file. Every
/// message and question goes through the Operator; a store error met by a save, a delete or a switch
/// is shown as "Errore" with the engine's text and leaves the form as it was.
class HolidayEditor {
public:
    static constexpr const char* BadDateText =
        "Data non valida. Scrivere gg/mm per una festività di ogni anno o gg/mm/aaaa per una sola data "
        "(il giorno deve esistere).";
    static constexpr const char* NoDescriptionText = "Bisogna riempire il campo DESCRIZIONE.";
    static constexpr const char* BadKindText = "Scegliere il tipo: Chiuso o Domenica.";
    static constexpr const char* DateTakenText = "Esiste già una festività con questa data.";
    static constexpr const char* DeleteQuestion = "Sei sicuro di voler cancellare questa festività ?";
    static constexpr const char* SettingNotSavedText =
        "Impossibile salvare l'impostazione nel file Sentinex.ini. Vale fino alla chiusura del programma.";

    /// `db`, `op`, `settings` (the running program's, which the online decision reads) and `file` must
    /// outlive the editor.
    HolidayEditor(std::shared_ptr<Database> db, Operator& op, Settings& settings, const SettingsFile& file);

    /// Opening: reads the calendar under the wait form and shows the first holiday (or none). Throws
    /// DatabaseError when `Festivita` cannot be read.
    void load();

    /// Navigation in browse mode: position 1 .. count; a row of the list is position row + 1.
    void moveTo(std::int64_t position);
    void first() { moveTo(1); }
    void previous() { moveTo(m_cursor.position() - 1); }
    void next() { moveTo(m_cursor.position() + 1); }
    void last() { moveTo(m_cursor.count()); }
    void selectRow(int row) { moveTo(row + 1); }

    /// "Nuovo": new mode with empty fields, kind "Chiuso"; "Annulla": back to browse mode, the fields
    /// showing the stored holiday again.
    void newOrCancel();
    /// "Modifica": modify mode on the shown holiday. "Salva nuovo" / "Salva modifica": checks `typed`
    /// (date, description, kind, a date no other row holds; the first failure shown as "Attenzione"
    /// and the form stays in its mode), stores it with its date written in full (two-digit day and
    /// month) and shows it where the calendar order puts it.
    void modifyOrSave(const HolidayRecord& typed);
    /// "Elimina": asks, then deletes the shown holiday and shows the first one left.
    void remove();

    /// The check boxes: set the setting in the running program at once and write it to the settings
    /// file; a failed write is told and the choice holds until the program ends.
    void setFestivita(bool on);
    void setPasquetta(bool on);

    const HolidayFormView& view() const { return m_view; }
    bool editing() const { return m_cursor.editing(); }

private:
    void reload();
    void render();
    bool check(HolidayRecord& typed);
    void writeSetting(const char* key);
    std::int64_t positionOf(std::int64_t key) const;

    std::shared_ptr<Database> m_db; // kept open for as long as the form is
    HolidayStore m_store;
    Operator& m_op;
    Settings& m_settings;
    const SettingsFile& m_file;
    BrowseCursor m_cursor;
    std::vector<HolidayStore::Stored> m_rows;
    HolidayFormView m_view;
};

} // namespace sentinex
