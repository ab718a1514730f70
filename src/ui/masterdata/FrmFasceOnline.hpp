#pragma once

#include <QWidget>

#include <array>
#include <memory>
#include <string>

namespace Ui {
class FrmFasceOnline;
}

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace sentinex {

class BandFormPresenter;
class Database;
class Operator;
class Session;
struct BandRecord;

/// The band form "Sentinex - giorni e fasce orarie on line" over BandFormPresenter, which owns its rules,
/// store calls and messages: this window forwards clicks and keys with what is typed and renders the
/// presenter's view. Opened by the additional functions form; closing it (with "Esci" or its close box,
/// which in new or modify mode first cancels) emits `closed`.
class FrmFasceOnline : public QWidget {
    Q_OBJECT
public:
    explicit FrmFasceOnline(Session& session, QWidget* parent = nullptr);
    /// The form over `db`; loads the bands at once. A store error is shown ("Errore") and the form opens
    /// empty.
    FrmFasceOnline(std::shared_ptr<Database> db, Operator& op, QWidget* parent = nullptr);
    ~FrmFasceOnline() override;

    /// View mode, for the users form's "Fasce orarie": shows `record` (the user's band) with only "Esci"
    /// enabled, every box locked, the counter frame captioned "N.Carta" with the user's `cardNumber`, and
    /// each day frame's caption green when the day is enabled, red when not.
    void showForUser(const BandRecord& record, const std::string& cardNumber);

    /// True in new or modify mode.
    bool editing() const;

signals:
    /// The form has closed; whoever opened it shows itself again.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <typename F> void act(F&& action);
    void render();
    void fill(const BandRecord& record);
    BandRecord fromControls() const;
    void setBoxesLocked(bool locked);

    std::unique_ptr<Ui::FrmFasceOnline> m_ui;
    Operator& m_op;
    std::unique_ptr<BandFormPresenter> m_presenter;
    std::array<QCheckBox*, 7> m_days{};
    std::array<QLineEdit*, 28> m_times{}; // day * 4 + slot, as BandTimes
    std::array<QGroupBox*, 7> m_dayFrames{};
};

} // namespace sentinex
