#pragma once

#include "readers/programming/ReaderForm.hpp"
#include "readers/programming/ReaderRecord.hpp"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class FrmConfLettori;
}

namespace sentinex {

class FrmUtilVireo;
class ReaderStore;
class Session;

/// The reader configuration form "Sentinex - gestione lettori": browses the `Lettori` records one at a
/// time, creates (at most 64), edits, deletes, validates before saving and programs the shown reader.
/// Validation, storage and programming are the rules of src/readers/programming; the window shows
/// their outcome. Leaving it ("Ritorna alla pagina principale" or the close box) reloads the session's
/// reader list, so the polling sees the new list. "Utilities" opens the card-file utility on the shown
/// reader with this form disabled until the utility is left.
class FrmConfLettori : public QWidget {
    Q_OBJECT
public:
    /// Opens on the first reader of the session's database. Throws DatabaseError when `Lettori` cannot
    /// be read.
    explicit FrmConfLettori(Session& session, QWidget* parent = nullptr);
    ~FrmConfLettori() override;

    /// Called after the form has been left and the reader list reloaded (the main window shows itself).
    void setOnReturn(std::function<void()> onReturn) { m_onReturn = std::move(onReturn); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Mode { Browse, Creating, Editing };

    void open();
    void readableWhenDisabled();
    void compactNumberBoxes();
    void reload();
    void showRecord();
    void showForm(const ReaderForm& form);
    ReaderForm readForm() const;
    void setFieldsEnabled(bool on);
    void showCounter();
    void browseButtons();
    void enterEditing(Mode mode);
    void next();
    void previous();
    void onCommand3();
    void onCommand4();
    void save();
    void remove();
    void program();
    void leave();
    void setUtilitiesFor(const std::string& type);
    void setRunning(bool running);
    void openUtilities();

    Session& m_session;
    std::unique_ptr<Ui::FrmConfLettori> m_ui;
    std::unique_ptr<ReaderStore> m_store;
    std::vector<ReaderRecord> m_records;
    int m_current = 0;
    int m_count = 0;
    int m_saved = 0;
    Mode m_mode = Mode::Browse;
    bool m_running = false;
    bool m_cancelWait = false;
    bool m_left = false;
    std::function<void()> m_onReturn;
    std::unique_ptr<FrmUtilVireo> m_utility; // the card-file utility while it is open
};

} // namespace sentinex
