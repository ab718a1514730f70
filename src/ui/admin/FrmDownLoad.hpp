#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class FrmDownLoad;
}

namespace sentinex {

class DownloadSink;
class Session;

/// The download form "Sentinex - downLoad": the stored transits of one reader or of all readers brought
/// into the history, and the readers' memories cleared afterwards when "CancellaStorico" is on. The form
/// is disabled while a download runs (its close box is then ignored); "Annulla" and the close box close
/// it, and so does a completed download. `closed` tells the form that opened it.
class FrmDownLoad : public QWidget {
    Q_OBJECT

public:
    /// `sink` keeps a record the database refuses (may be null); it must outlive the form.
    FrmDownLoad(Session& session, DownloadSink* sink, QWidget* parent = nullptr);
    ~FrmDownLoad() override;

    bool running() const { return m_running; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void chooseSingle(bool single);
    void download();

    std::unique_ptr<Ui::FrmDownLoad> m_ui;
    Session& m_session;
    DownloadSink* m_sink;
    bool m_running = false;
    bool m_closed = false;
};

} // namespace sentinex
