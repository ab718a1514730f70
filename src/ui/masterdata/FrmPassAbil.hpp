#pragma once

#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FrmPassAbil;
}

class QCheckBox;

namespace sentinex {

/// The reader association form "Sentinex - associa lettori": one box per reader position on two tabs
/// of 32, captioned with the readers' locations. "Ok" hands the boxes back with `chosen` (nothing is
/// written to the database: the users form keeps them as its working flags and saves them with the
/// user); the close box hands nothing back. Either way `closed` is emitted and the form goes.
class FrmPassAbil : public QWidget {
    Q_OBJECT
public:
    static constexpr int Boxes = 64;

    /// `locations`: `SituatoPresso` of the readers in stored order (at most 64 are shown);
    /// `flags`: the users form's per-reader enable flags as they are now; `editable`: the users form is
    /// in edit mode (otherwise the form only shows the association).
    FrmPassAbil(const std::vector<std::string>& locations, const std::array<int, Boxes>& flags, bool editable,
                QWidget* parent = nullptr);
    ~FrmPassAbil() override;

signals:
    /// "Ok": the flags as the boxes show them (1 ticked, 0 not), emitted before `closed`.
    void chosen(const std::array<int, sentinex::FrmPassAbil::Boxes>& flags);
    /// The form has closed; `accepted` is true for "Ok".
    void closed(bool accepted);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void accept();

    std::unique_ptr<Ui::FrmPassAbil> m_ui;
    std::array<QCheckBox*, Boxes> m_boxes{};
    bool m_accepted = false;
};

} // namespace sentinex
