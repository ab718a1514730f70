#include "FrmProgSetup.hpp"

#include "ui_FrmProgSetup.h"

#include "admin/SettingsDialogSave.hpp"
#include "core/Operator.hpp"
#include "core/SettingsDialogFields.hpp"
#include "link/Link.hpp"
#include "online/PollingStep.hpp"
#include "session/Session.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QStyle>

#include <string>

namespace sentinex {

namespace {

QString qt(const std::string& s) {
    return QString::fromStdString(s);
}

std::string std8(const QLineEdit* box) {
    return box->text().toStdString();
}

void showPicture(QLabel* label, QStyle::StandardPixmap which) {
    label->setPixmap(QApplication::style()->standardIcon(which).pixmap(24, 24));
}

} // namespace

FrmProgSetup::FrmProgSetup(Session& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmProgSetup>()), m_session(session) {
    m_ui->setupUi(this);
    for (std::size_t i = 0; i < 3; ++i) {
        const QString n = QString::number(i);
        m_starts[i] = findChild<QLineEdit*>("Text5_" + n);
        m_ends[i] = findChild<QLineEdit*>("Text6_" + n);
    }
    showPicture(m_ui->Image1, QStyle::SP_MediaVolume);
    showPicture(m_ui->Image2, QStyle::SP_MessageBoxQuestion);
    showPicture(m_ui->Image3, QStyle::SP_FileIcon);

    auto& ui = *m_ui;
    connect(ui.Check4, &QCheckBox::toggled, ui.Frame2, &QWidget::setVisible);
    connect(ui.Check8, &QCheckBox::toggled, this, [this](bool ticked) { m_ui->Text9->setReadOnly(!ticked); });
    // These three act at once on the running program, saved or not (their checked state, so a tick by
    // assistive technology acts too; the dialog filling them sets what the program already has).
    connect(ui.Check5, &QCheckBox::toggled, this, [this](bool ticked) {
        m_session.settings().Beep = ticked;
        m_ui->Image1->setEnabled(ticked);
    });
    connect(ui.Check6, &QCheckBox::toggled, this, [this](bool ticked) {
        m_session.settings().Imparziale = ticked;
        m_ui->Image2->setEnabled(ticked);
    });
    connect(ui.Check7, &QCheckBox::toggled, this, [this](bool ticked) {
        m_session.settings().StoricoEsterno = ticked;
        m_ui->Image3->setEnabled(ticked);
    });
    connect(ui.Command1, &QPushButton::clicked, this, SlotGuard::wrap(m_session.op(), [this] { close(); }));

    reload();
    m_link = dynamic_cast<Link*>(m_session.bus());
    if (m_link) {
        QPointer<FrmProgSetup> self(this);
        m_link->setBoardFlagProvider([self] { return self ? self->boardFlag() : false; });
    }
    // The access decision reads the entry limit from the fields while the dialog is open.
    if (PollingStep* step = m_session.pollingStep()) {
        step->setEntryLimitSource(entryLimitSource());
    }
}

FrmProgSetup::~FrmProgSetup() {
    releaseLink();
}

void FrmProgSetup::releaseLink() {
    if (m_link) {
        m_link->setBoardFlagProvider({}); // the saved setting again
        m_link = nullptr;
    }
    if (PollingStep* step = m_session.pollingStep()) {
        step->setEntryLimitSource({}); // the saved settings again
    }
}

void FrmProgSetup::reload() {
    m_session.settingsFile().reloadForDialog(m_session.settings());
    fill(SettingsDialogFields::fromSettings(m_session.settings()));
}

void FrmProgSetup::fill(const SettingsDialogFields& f) {
    auto& ui = *m_ui;
    ui.Label2->showText(QString::number(f.Seriale));
    ui.Check1->setChecked(f.SchedaL485);
    ui.Text1->setText(qt(f.Indirizzo485));
    ui.Check2->setChecked(f.CancellaStorico);
    ui.Text2->setText(qt(f.Polling));
    ui.Check3->setChecked(f.FlagMassimoNumeroIngressi);
    ui.Text3->setText(qt(f.MassimoNumeroIngressi));
    ui.Text4->setText(qt(f.Ritardo));
    ui.Option2->setChecked(f.QuattroCifre);
    ui.Option1->setChecked(!f.QuattroCifre);
    ui.Check4->setChecked(f.FasceOrarie);
    ui.Frame2->setVisible(f.FasceOrarie);
    for (std::size_t i = 0; i < 3; ++i) {
        m_starts[i]->setText(qt(f.OrarioIniziale[i]));
        m_ends[i]->setText(qt(f.OrarioFinale[i]));
    }
    ui.Check5->setChecked(f.Beep);
    ui.Image1->setEnabled(f.Beep);
    ui.Check6->setChecked(f.Imparziale);
    ui.Image2->setEnabled(f.Imparziale);
    ui.Text7->setText(qt(f.NumeroImparziale));
    ui.Check7->setChecked(f.StoricoEsterno);
    ui.Image3->setEnabled(f.StoricoEsterno);
    ui.Check8->setChecked(f.ScattareAdOrario);
    ui.Text9->setReadOnly(!f.ScattareAdOrario);
    ui.Text9->setText(qt(f.OraImparziale));
    ui.Text10->setText(qt(f.AttivaOutput));
    ui.Check9->setChecked(f.TastieraOutput1);
    ui.Check10->setChecked(f.TastieraOutput2);
    ui.Text8->setText(qt(f.FileVireo));
    ui.Check11->setChecked(f.RiprendiPolling);
    ui.Text11->setText(qt(f.CartellaBackup));
    ui.Text12->setText(qt(f.OraBackup));
    ui.Text13->setText(qt(f.CopieBackup));
}

SettingsDialogFields FrmProgSetup::fields() const {
    const auto& ui = *m_ui;
    SettingsDialogFields f;
    f.Seriale = static_cast<std::int16_t>(ui.Label2->text().toInt());
    f.SchedaL485 = ui.Check1->isChecked();
    f.Indirizzo485 = std8(ui.Text1);
    f.CancellaStorico = ui.Check2->isChecked();
    f.Polling = std8(ui.Text2);
    f.FlagMassimoNumeroIngressi = ui.Check3->isChecked();
    f.MassimoNumeroIngressi = std8(ui.Text3);
    f.Ritardo = std8(ui.Text4);
    f.QuattroCifre = ui.Option2->isChecked();
    f.FasceOrarie = ui.Check4->isChecked();
    for (std::size_t i = 0; i < 3; ++i) {
        f.OrarioIniziale[i] = std8(m_starts[i]);
        f.OrarioFinale[i] = std8(m_ends[i]);
    }
    f.Beep = ui.Check5->isChecked();
    f.Imparziale = ui.Check6->isChecked();
    f.NumeroImparziale = std8(ui.Text7);
    f.StoricoEsterno = ui.Check7->isChecked();
    f.ScattareAdOrario = ui.Check8->isChecked();
    f.OraImparziale = std8(ui.Text9);
    f.AttivaOutput = std8(ui.Text10);
    f.TastieraOutput1 = ui.Check9->isChecked();
    f.TastieraOutput2 = ui.Check10->isChecked();
    f.FileVireo = std8(ui.Text8);
    f.RiprendiPolling = ui.Check11->isChecked();
    f.CartellaBackup = std8(ui.Text11);
    f.OraBackup = std8(ui.Text12);
    f.CopieBackup = std8(ui.Text13);
    return f;
}

bool FrmProgSetup::boardFlag() const {
    return m_ui->Check1->isChecked();
}

EntryLimitSource FrmProgSetup::entryLimitSource() const {
    QPointer<const FrmProgSetup> self(this);
    const Settings& saved = m_session.settings();
    return [self, &saved] {
        if (!self) {
            return savedEntryLimit(saved)();
        }
        return EntryLimit{self->m_ui->Check3->isChecked(), self->fields().typedEntryLimit()};
    };
}

const char* const FrmProgSetup::SaveFailedText = SettingsDialogSave::FailedText;

bool FrmProgSetup::save() {
    std::string failed;
    if (!SettingsDialogSave::save(fields(), m_session.database(), m_session.settingsFile(),
                                  m_session.settings(), m_session.op(), failed)) {
        if (auto* box = findChild<QWidget*>(qt(failed)); box && !failed.empty()) {
            box->setFocus();
        }
        return false;
    }
    m_pollingIntervalMs = m_session.pollingIntervalMs();
    m_saved = true;
    return true;
}

void FrmProgSetup::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_session.op(), event)) {
        return;
    }
    if (m_closing) {
        event->accept();
        return;
    }
    if (!save()) {
        event->ignore();
        return;
    }
    m_closing = true;
    releaseLink();
    event->accept();
    emit returnedToMain();
}

} // namespace sentinex
