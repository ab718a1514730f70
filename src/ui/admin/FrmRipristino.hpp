#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmRipristino;
}

namespace sentinex {

class RestorePresenter;
class Session;

/// The restore window "Sentinex - ripristino archivio": the backups in `List1` (newest first),
/// "Ripristina" (`Command1`) and "Annulla" (`Command2`). Its rules and messages are the
/// `RestorePresenter`'s; once a restore has been asked of the next start-up it emits `restartRequested`,
/// otherwise its close emits `closed`.
class FrmRipristino : public QWidget {
    Q_OBJECT

public:
    explicit FrmRipristino(Session& session, QWidget* parent = nullptr);
    ~FrmRipristino() override;

    /// False, with "Non ci sono backup da ripristinare." shown, when there is no backup to choose.
    bool offerChoice() const;

signals:
    void closed();
    void restartRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void restore();

    std::unique_ptr<Ui::FrmRipristino> m_ui;
    Session& m_session;
    std::unique_ptr<RestorePresenter> m_presenter;
    bool m_restarting = false;
};

} // namespace sentinex
