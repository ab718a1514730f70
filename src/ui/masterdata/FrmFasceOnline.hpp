#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class FrmFasceOnline;
}

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace sentinex {

class BandStore;
class Database;
class Operator;
class Session;
struct BandRecord;

/// The band form "Sentinex - giorni e fasce orarie on line": browses, creates, modifies and deletes the
/// named online bands of `Fasce`; every save and delete also brings the users' copies in step
/// (BandStore). Opened by the additional functions form; closing it (with "Esci" or its close box, which
/// in new or modify mode first cancels) emits `closed`.
class FrmFasceOnline : public QWidget {
    Q_OBJECT
public:
    explicit FrmFasceOnline(Session& session, QWidget* parent = nullptr);
    /// The form over `db`; loads the bands at once. Throws DatabaseError when `Fasce` cannot be read.
    FrmFasceOnline(std::shared_ptr<Database> db, Operator& op, QWidget* parent = nullptr);
    ~FrmFasceOnline() override;

    /// View mode, for the users form's "Fasce orarie": shows `record` (the user's band) with only "Esci"
    /// enabled, every box locked, the counter frame captioned "N.Carta" with the user's `cardNumber`, and
    /// each day frame's caption green when the day is enabled, red when not.
    void showForUser(const BandRecord& record, const std::string& cardNumber);

    /// True in new or modify mode.
    bool editing() const { return m_mode != Mode::Browse; }

signals:
    /// The form has closed; whoever opened it shows itself again.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Mode { Browse, New, Modify };

    void load();
    void fill(const BandRecord& record);
    BandRecord fromControls() const;
    void showAt(std::int64_t position);
    void showCounter();
    void clearBoxes();
    void prepareNew();
    void setTimeBoxesEnabled(bool enabled);
    void setBrowseButtons(bool enabled);
    void moveTo(std::int64_t position);
    void onNewOrCancel();
    void onModifyOrSave();
    void cancel();
    void save();
    void deleteBand();

    std::unique_ptr<Ui::FrmFasceOnline> m_ui;
    std::shared_ptr<Database> m_db;
    Operator& m_op;
    std::unique_ptr<BandStore> m_store;
    std::array<QCheckBox*, 7> m_days{};
    std::array<QLineEdit*, 28> m_times{}; // day * 4 + slot, as BandTimes
    std::array<QGroupBox*, 7> m_dayFrames{};

    Mode m_mode = Mode::Browse;
    std::int64_t m_current = 0;
    std::int64_t m_count = 0;
    std::int64_t m_savedPosition = 0;
    std::optional<std::int64_t> m_key;
};

} // namespace sentinex
