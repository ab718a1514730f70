#include "FrmPassAbil.hpp"

#include "ui_FrmPassAbil.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>

namespace sentinex {

namespace {

constexpr int PerTab = 32;
constexpr int Rows = 8; // four columns of eight boxes a tab

} // namespace

FrmPassAbil::FrmPassAbil(const std::vector<std::string>& locations, const std::array<int, Boxes>& flags,
                         bool editable, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmPassAbil>()) {
    m_ui->setupUi(this);
    // Outside edit mode the frames lock the boxes: the form then only shows the association.
    m_ui->Frame1->setEnabled(editable);
    m_ui->Frame2->setEnabled(editable);
    m_ui->SSTab1->setCurrentIndex(0);
    QGroupBox* frames[] = {m_ui->Frame1, m_ui->Frame2};
    for (int i = 0; i < Boxes; ++i) {
        QGroupBox* frame = frames[i / PerTab];
        auto* box = new QCheckBox(frame); // owned by its frame
        box->setObjectName(QStringLiteral("Check1_%1").arg(i));
        const int inTab = i % PerTab;
        static_cast<QGridLayout*>(frame->layout())->addWidget(box, inTab % Rows, inTab / Rows);
        const bool present = static_cast<std::size_t>(i) < locations.size();
        box->setEnabled(present);
        box->setChecked(present && flags[static_cast<std::size_t>(i)] == 1);
        if (present) {
            const QString caption = QString::fromStdString(locations[static_cast<std::size_t>(i)]);
            box->setText(caption);
            // The position goes with the caption, so a reader without a location is still told apart.
            box->setAccessibleName(QStringLiteral("Lettore %1 %2").arg(i + 1).arg(caption.trimmed()));
        } else {
            box->setAccessibleName(QStringLiteral("Lettore %1").arg(i + 1));
        }
        m_boxes[static_cast<std::size_t>(i)] = box;
    }
    // Tab walks the boxes in reader order, then reaches "Ok".
    for (std::size_t i = 0; i + 1 < m_boxes.size(); ++i) {
        setTabOrder(m_boxes[i], m_boxes[i + 1]);
    }
    setTabOrder(m_boxes.back(), m_ui->Command1);
    // Room for an eight-character location beside each box, so the columns do not crowd each other.
    const int columnWidth = fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWW")) + 32;
    for (QGroupBox* frame : frames) {
        for (int column = 0; column < PerTab / Rows; ++column) {
            static_cast<QGridLayout*>(frame->layout())->setColumnMinimumWidth(column, columnWidth);
        }
    }
    connect(m_ui->Command1, &QPushButton::clicked, this, &FrmPassAbil::accept);
}

FrmPassAbil::~FrmPassAbil() = default;

void FrmPassAbil::accept() {
    std::array<int, Boxes> flags{};
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        flags[i] = m_boxes[i]->isChecked() ? 1 : 0;
    }
    emit chosen(flags);
    m_accepted = true;
    close();
}

void FrmPassAbil::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed(m_accepted);
}

void FrmPassAbil::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_ui->Command1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sentinex
