#include "FrmCardSearch.hpp"

#include "ui_FrmCardSearch.h"

#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>
#include <QKeyEvent>

namespace sentinex {

FrmCardSearch::FrmCardSearch(Operator& op, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmCardSearch>()), m_op(op) {
    m_ui->setupUi(this);
    // Wide enough for a surname and for the longer of the two frame captions.
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Inserisci il numero carta")) * 2);
    m_ui->Combo1->setCurrentIndex(-1); // nothing chosen yet
    m_ui->Text1->setEnabled(false);
    m_ui->Command1->setEnabled(false);
    connect(m_ui->Combo1, &QComboBox::currentIndexChanged, this,
            [this](int index) { SlotGuard::run(m_op, [&] { choose(index); }); });
    connect(m_ui->Command1, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { accept(); }));
    connect(m_ui->Command2, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { close(); }));
}

FrmCardSearch::~FrmCardSearch() = default;

void FrmCardSearch::choose(int index) {
    m_mode = Nothing;
    if (index == 0) {
        m_ui->Frame2->setTitle(QStringLiteral("Inserisci il numero carta"));
        m_mode = ByCardNumber;
    } else if (index == 1) {
        m_ui->Frame2->setTitle(QStringLiteral("Inserisci il cognome"));
        m_mode = BySurname;
    }
    const bool chosen = m_mode != Nothing;
    m_ui->Text1->setEnabled(chosen);
    m_ui->Command1->setEnabled(chosen);
    // The frame's caption is the box's label for assistive technology.
    m_ui->Text1->setAccessibleName(m_ui->Frame2->title());
    if (chosen) {
        m_ui->Text1->setFocus();
    }
}

void FrmCardSearch::accept() {
    if (m_mode == Nothing) {
        return;
    }
    emit searchRequested(m_mode, m_ui->Text1->text());
    close();
}

void FrmCardSearch::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    event->accept();
    emit closed();
}

void FrmCardSearch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        m_ui->Command2->click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_ui->Command1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sentinex
