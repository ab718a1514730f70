#pragma once

#include "link/ReaderAddress.hpp"
#include "readers/cardfile/CardFileView.hpp"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class FrmUtilVireo;
}

namespace sentinex {

class CardFileRuns;
class Session;

/// The card-file utility "Sentinex - utilities vireo" for one "TERA TR-X" reader: captures presented
/// cards into a card file (numbering that continues the file, repeats refused) and loads a card file
/// into the reader with a progress bar. The rules are CardFileRuns; the window shows the prompt, the
/// last card's result and the progress. While a run goes on only the stop button acts; the close box
/// stops the run (a record on the wire is finished first) and then leaves as Command3 does.
class FrmUtilVireo : public QWidget, private CardFileView {
    Q_OBJECT
public:
    /// Works on `reader` (the reader the configuration form shows).
    FrmUtilVireo(Session& session, const ReaderAddress& reader, QWidget* parent = nullptr);
    ~FrmUtilVireo() override;

    /// Called once the form has been left; the configuration form enables itself again.
    void setOnReturn(std::function<void()> onReturn) { m_onReturn = std::move(onReturn); }
    /// True while a capture or a load runs.
    bool running() const { return m_runs != nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void capture();
    void load();
    /// Runs `run` on a fresh CardFileRuns with only the stop button active; leaves afterwards when the
    /// close box was used meanwhile.
    void runWith(const std::function<void(CardFileRuns&)>& run);
    void idleButtons();
    void stop();
    void leave();

    void showPrompt(const std::string& text) override;
    void showResult(const std::string& text, bool stored) override;
    void showProgress(int done, int total) override;

    Session& m_session;
    ReaderAddress m_reader;
    std::unique_ptr<Ui::FrmUtilVireo> m_ui;
    CardFileRuns* m_runs = nullptr; // the run going on, owned by runWith
    bool m_leaveAfterRun = false;
    bool m_left = false;
    std::function<void()> m_onReturn;
};

} // namespace sentinex
