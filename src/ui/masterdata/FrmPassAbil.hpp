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

class Operator;

/// The reader association form "Sentinex - associa lettori": one box per reader position on two tabs
/// of 32, captioned with the readers' locations. "Ok" emits the boxes as the new flags (nothing is
/// written to the database: the users form saves them with the user); the close box emits nothing.
/// Either way `closed` is emitted last and the form goes.
class FrmPassAbil : public QWidget {
    Q_OBJECT
public:
    static constexpr int Boxes = 64;
    using Flags = std::array<int, Boxes>;

    /// `locations`: `SituatoPresso` of the readers in stored order (at most 64 are shown);
    /// `flags`: the per-reader enable flags of the user shown; `editable`: the users form is in edit
    /// mode (otherwise the form only shows the association). `op` must outlive the form.
    FrmPassAbil(Operator& op, const std::vector<std::string>& locations, const Flags& flags, bool editable,
                QWidget* parent = nullptr);
    ~FrmPassAbil() override;

signals:
    /// "Ok": the boxes, ticked 1 and clear 0, reader position 1 first.
    void flagsChosen(const sentinex::FrmPassAbil::Flags& flags);
    /// The form has closed; `accepted` is true for "Ok".
    void closed(bool accepted);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void accept();

    std::unique_ptr<Ui::FrmPassAbil> m_ui;
    Operator& m_op;
    std::array<QCheckBox*, Boxes> m_boxes{};
    bool m_accepted = false;
};

} // namespace sentinex
