#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmCardSearch;
}

namespace sentinex {

class Operator;

/// The card search form "Sentinex - ricerca": the operator chooses "Numero carta" or "Cognome" and
/// types what to look for. "Ok" emits `searchRequested` and closes; "Annulla", Esc and the close box
/// close without a search. Every way out emits `closed` last.
class FrmCardSearch : public QWidget {
    Q_OBJECT
public:
    /// Search modes, as the form keeps them.
    enum Mode { Nothing = 0, ByCardNumber = 1, BySurname = 2 };

    /// `op` must outlive the form.
    explicit FrmCardSearch(Operator& op, QWidget* parent = nullptr);
    ~FrmCardSearch() override;

    Mode mode() const { return m_mode; }

signals:
    /// "Ok" with a field chosen: search `text` in the field of `mode`.
    void searchRequested(sentinex::FrmCardSearch::Mode mode, const QString& text);
    /// The form has closed.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int index);
    void accept();

    std::unique_ptr<Ui::FrmCardSearch> m_ui;
    Operator& m_op;
    Mode m_mode = Nothing;
};

} // namespace sentinex
