#pragma once

#include "BandRecord.hpp"
#include "BandStore.hpp"
#include "core/BrowseCursor.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sentinex {

class Database;
class DatabaseError;
class Operator;

/// What the band form renders: the cursor's counter, captions and commands, the band in the boxes and
/// whether the boxes take typing.
struct BandFormView {
    BrowseView browse;
    BandRecord record;
    /// The day frames and the name frame are enabled (false after a clear: no band to show).
    bool framesEnabled = false;
    /// The name, the day boxes and the times take typing: new and modify mode only, so a delete or a
    /// save can never act on something typed over the shown band.
    bool editable = false;
    /// A save or delete is under way: every command refuses until it has ended.
    bool busy = false;

    bool operator==(const BandFormView&) const = default;
};

/// The rules of the band form "Sentinex - giorni e fasce orarie on line", apart from its widgets: the
/// browse/new/modify flow over `Fasce`, every store call with its error shown as "Errore" (the form goes
/// on), and every message and question through the Operator. The window forwards its clicks with what is
/// typed and renders `view()`.
class BandFormPresenter {
public:
    static constexpr const char* DeleteQuestion = "Sei sicuro di voler cancellare questa fascia oraria ?";

    BandFormPresenter(std::shared_ptr<Database> db, Operator& op);

    /// The texts of the form's counter and paired commands.
    static BrowseTexts texts();
    /// The delete question for a band that `users` users hold.
    static std::string deleteQuestion(std::int64_t users);

    /// Counts the bands and shows the first one; on a store error shows "Errore" and opens empty.
    void open();

    void first();
    void previous();
    void next();
    void last();

    /// "Nuovo" / "Annulla".
    void newOrCancel();
    /// "Modifica" / "Salva nuovo" / "Salva modifica"; `typed` is what the boxes hold now.
    void modifyOrSave(const BandRecord& typed);
    /// "Elimina": asks, then deletes the shown band (by its key, whatever the boxes hold).
    void remove();
    /// Back to browse mode showing the stored band (the close box in new or modify mode).
    void cancel();

    /// Called once a save or delete has shown the wait form and made every command refuse, before it
    /// writes: the window lets the screen repaint here.
    void setYield(std::function<void()> yield) { m_yield = std::move(yield); }

    bool editing() const { return m_cursor.editing(); }
    const BandFormView& view() const { return m_view; }

private:
    void move(std::int64_t position);
    void save(const BandRecord& typed);
    /// Reads the band at the cursor's position into the view; on a store error shows it and returns false.
    bool showCurrent();
    void showEmpty(bool keepRecord);
    void refresh();
    void storeError(const char* what, const DatabaseError& error);
    void yieldOnce();

    std::shared_ptr<Database> m_db;
    Operator& m_op;
    BandStore m_store;
    BrowseCursor m_cursor;
    BandFormView m_view;
    std::function<void()> m_yield;
    bool m_reported = false; // this command has shown its store error
};

} // namespace sentinex
