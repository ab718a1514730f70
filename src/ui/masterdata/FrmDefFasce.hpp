#pragma once

#include <QWidget>

#include <array>
#include <memory>
#include <string>

namespace Ui {
class FrmDefFasce;
}

namespace sentinex {

class Operator;
struct Settings;

/// "Fasce orarie Stand Alone": the start and end times of the three stand-alone bands, locked, in red
/// with white text, except the chosen band's two boxes (all six for "Attivo 24 ore") in green with
/// black text. "Ok" and the close box both close it and emit `closed`.
class FrmDefFasce : public QWidget {
    Q_OBJECT
public:
    /// Colours as the system writes them (0xBBGGRR).
    static constexpr int Red = 255;
    static constexpr int Green = 65280;
    static constexpr int White = 16777215;
    static constexpr int Black = 0;

    /// `starts`, `ends`: the texts of bands 1 to 3 as the caller has them (the settings, or the settings
    /// dialog's fields); `chosen`: 1 to 3 for "Fascia 1" to "Fascia 3", 0 for "Attivo 24 ore" (any
    /// other value colours no band). `op` must outlive the form.
    FrmDefFasce(Operator& op, const std::array<std::string, 3>& starts,
                const std::array<std::string, 3>& ends, int chosen, QWidget* parent = nullptr);
    /// The bands "OrarioIniziale1" to "OrarioFinale3" of `settings`.
    FrmDefFasce(Operator& op, const Settings& settings, int chosen, QWidget* parent = nullptr);
    ~FrmDefFasce() override;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::FrmDefFasce> m_ui;
    Operator& m_op;
};

} // namespace sentinex
