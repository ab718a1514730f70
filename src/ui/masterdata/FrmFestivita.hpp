#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmFestivita;
}

namespace sentinex {

class Database;
class HolidayEditor;
class Operator;
class Session;
class SettingsFile;
struct HolidayRecord;
struct Settings;

/// The holidays form "Sentinex - festività": the calendar of `Festivita` as a list and as the record
/// fields of the shown holiday, with new, modify, delete and navigation as the band form has them, and
/// the two switches "Festivita" (the online bands follow the calendar) and "Pasquetta". The rules live
/// in HolidayEditor; this window forwards its controls' events and renders the editor's view. Closing it
/// ("Esci" or the close box, which in new or modify mode first cancels) emits `closed`.
class FrmFestivita : public QWidget {
    Q_OBJECT
public:
    explicit FrmFestivita(Session& session, QWidget* parent = nullptr);
    /// The form over `db` with the running program's `settings` and their `file`; loads the calendar at
    /// once. Throws DatabaseError when `Festivita` cannot be read.
    FrmFestivita(std::shared_ptr<Database> db, Operator& op, Settings& settings, const SettingsFile& file,
                 QWidget* parent = nullptr);
    ~FrmFestivita() override;

signals:
    /// The form has closed; whoever opened it shows itself again.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void render();
    HolidayRecord typed() const;
    /// Connects `signal` of `sender` to `action`, run through the slot guard.
    template <typename Sender, typename Signal, typename Action>
    void guard(Sender* sender, Signal signal, Action action);

    std::unique_ptr<Ui::FrmFestivita> m_ui;
    Operator& m_op;
    std::unique_ptr<HolidayEditor> m_editor;
    bool m_wasEditing = false; // the last rendering was in new or modify mode
};

} // namespace sentinex
