#pragma once

#include "readers/programming/ReaderForm.hpp"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class FrmConfLettori;
}

namespace sentinex {

class FrmUtilVireo;
class ReaderFormPresenter;
class Session;

/// The reader configuration form "Sentinex - gestione lettori". Its rules, store calls and messages are
/// ReaderFormPresenter's; the window forwards its commands and renders the presenter's view. Leaving it
/// ("Ritorna alla pagina principale" or the close box) reloads the session's reader list, so the polling
/// sees the new list. "Utilities" opens the card-file utility on the shown reader with this form disabled
/// until the utility is left.
class FrmConfLettori : public QWidget {
    Q_OBJECT
public:
    /// Opens on the first reader of the session's database; a store error is shown and the form opens
    /// empty.
    explicit FrmConfLettori(Session& session, QWidget* parent = nullptr);
    ~FrmConfLettori() override;

    /// Called after the form has been left and the reader list reloaded (the main window shows itself).
    void setOnReturn(std::function<void()> onReturn) { m_onReturn = std::move(onReturn); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void compactNumberBoxes();
    void render();
    void showForm(const ReaderForm& form);
    ReaderForm readForm() const;
    void leave();
    void openUtilities();

    Session& m_session;
    std::unique_ptr<Ui::FrmConfLettori> m_ui;
    std::unique_ptr<ReaderFormPresenter> m_presenter;
    bool m_wasEditing = false;
    std::function<void()> m_onReturn;
    std::unique_ptr<FrmUtilVireo> m_utility; // the card-file utility while it is open
};

} // namespace sentinex
