#include "HolidayEditor.hpp"

#include "HolidayDate.hpp"
#include "core/Operator.hpp"
#include "core/Settings.hpp"
#include "core/SettingsFile.hpp"
#include "core/SettingsKey.hpp"
#include "core/WaitScope.hpp"
#include "store/Database.hpp"

namespace sentinex {

namespace {

// The band form's texts: this form follows its conventions.
BrowseTexts holidayTexts() {
    return {"Nuovo", "Annulla", "Modifica", "Salva nuovo", "Salva modifica",
            "",      " / ",     "0",        "Nuovo",       "Modifica..."};
}

} // namespace

HolidayEditor::HolidayEditor(std::shared_ptr<Database> db, Operator& op, Settings& settings,
                             const SettingsFile& file)
    : m_db(std::move(db)), m_store(*m_db), m_op(op), m_settings(settings), m_file(file),
      m_cursor(holidayTexts()) {}

void HolidayEditor::load() {
    {
        WaitScope wait(m_op);
        m_rows = m_store.all();
    }
    m_cursor.reset(static_cast<std::int64_t>(m_rows.size()));
    render();
}

void HolidayEditor::reload() {
    m_rows = m_store.all();
}

std::int64_t HolidayEditor::positionOf(std::int64_t key) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].key == key) {
            return static_cast<std::int64_t>(i) + 1;
        }
    }
    return m_rows.empty() ? 0 : 1;
}

void HolidayEditor::render() {
    m_view.browse = m_cursor.view();
    m_view.rows.clear();
    for (const auto& r : m_rows) {
        m_view.rows.push_back(r.record);
    }
    const std::int64_t position = m_cursor.position();
    m_view.currentRow = position >= 1 && position <= static_cast<std::int64_t>(m_rows.size())
                            ? static_cast<int>(position - 1)
                            : -1;
    if (m_cursor.mode() == BrowseCursor::Mode::New) {
        m_view.shown = HolidayRecord{};
    } else if (m_view.currentRow >= 0) {
        m_view.shown = m_rows[static_cast<std::size_t>(m_view.currentRow)].record;
        m_cursor.setKey(m_rows[static_cast<std::size_t>(m_view.currentRow)].key);
    } else {
        m_view.shown = HolidayRecord{"", "", ""};
        m_cursor.setKey(std::nullopt);
    }
    m_view.fieldsEnabled = m_cursor.editing();
    m_view.festivita = m_settings.Festivita;
    m_view.pasquetta = m_settings.Pasquetta;
}

void HolidayEditor::moveTo(std::int64_t position) {
    if (m_cursor.moveTo(position)) {
        render();
    }
}

void HolidayEditor::newOrCancel() {
    if (m_cursor.editing()) {
        m_cursor.cancel(static_cast<std::int64_t>(m_rows.size()));
    } else {
        m_cursor.beginNew();
    }
    render();
}

bool HolidayEditor::check(HolidayRecord& typed) {
    const std::optional<std::string> date = HolidayDate::normalize(typed.Data);
    if (!date) {
        m_op.message("Attenzione", BadDateText, MsgIcon::Exclamation);
        return false;
    }
    if (typed.Descrizione.find_first_not_of(' ') == std::string::npos) {
        m_op.message("Attenzione", NoDescriptionText, MsgIcon::Exclamation);
        return false;
    }
    if (typed.Tipo != HolidayRecord::Closed && typed.Tipo != HolidayRecord::Sunday) {
        m_op.message("Attenzione", BadKindText, MsgIcon::Exclamation);
        return false;
    }
    const std::optional<std::int64_t> editing =
        m_cursor.mode() == BrowseCursor::Mode::Modify ? m_cursor.key() : std::nullopt;
    if (m_store.findDate(*date, editing)) {
        m_op.message("Attenzione", DateTakenText, MsgIcon::Exclamation);
        return false;
    }
    typed.Data = *date;
    return true;
}

void HolidayEditor::modifyOrSave(const HolidayRecord& typed) {
    if (!m_cursor.editing()) {
        if (m_cursor.beginModify()) {
            render();
        }
        return;
    }
    HolidayRecord record = typed;
    try {
        if (!check(record)) {
            return;
        }
        std::int64_t key = 0;
        if (m_cursor.mode() == BrowseCursor::Mode::New) {
            key = m_store.add(record);
        } else {
            key = *m_cursor.key();
            m_store.change(key, record);
        }
        reload();
        // The calendar order may put the saved holiday anywhere: show it there.
        m_cursor.saved(static_cast<std::int64_t>(m_rows.size()), positionOf(key));
        m_cursor.moveTo(positionOf(key));
    } catch (const DatabaseError& e) {
        m_op.message("Errore", e.what(), MsgIcon::Critical);
        return;
    }
    render();
}

void HolidayEditor::remove() {
    const std::optional<std::int64_t> key = m_cursor.key();
    if (m_cursor.editing() || !key) {
        return;
    }
    if (m_op.question("Domanda", DeleteQuestion, MsgIcon::Question) != Answer::Yes) {
        return;
    }
    try {
        m_store.remove(*key);
        reload();
    } catch (const DatabaseError& e) {
        m_op.message("Errore", e.what(), MsgIcon::Critical);
        return;
    }
    m_cursor.removed(static_cast<std::int64_t>(m_rows.size()));
    render();
}

void HolidayEditor::writeSetting(const char* key) {
    const SettingsKey* k = SettingsFile::findKey(key);
    if (!m_file.writeKey(key, k->write(m_settings))) {
        m_op.message("Errore", SettingNotSavedText, MsgIcon::Critical);
    }
    render();
}

void HolidayEditor::setFestivita(bool on) {
    if (m_settings.Festivita == on) {
        return;
    }
    m_settings.Festivita = on;
    writeSetting("Festivita");
}

void HolidayEditor::setPasquetta(bool on) {
    if (m_settings.Pasquetta == on) {
        return;
    }
    m_settings.Pasquetta = on;
    writeSetting("Pasquetta");
}

} // namespace sentinex
