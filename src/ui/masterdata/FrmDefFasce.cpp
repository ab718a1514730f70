#include "FrmDefFasce.hpp"

#include "ui_FrmDefFasce.h"

#include "core/Settings.hpp"
#include "ui/common/SlotGuard.hpp"

#include <QCloseEvent>

namespace sentinex {

namespace {

/// A colour value written 0xBBGGRR.
QColor colourOf(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void paint(QLineEdit& box, int back, int fore) {
    QPalette palette = box.palette();
    // Read-only boxes take their colours from the same roles, so the colour does not depend on focus.
    palette.setColor(QPalette::Base, colourOf(back));
    palette.setColor(QPalette::Text, colourOf(fore));
    box.setPalette(palette);
    box.setAutoFillBackground(true);
}

std::array<std::string, 3> firstThree(const std::string (&texts)[3]) {
    return {texts[0], texts[1], texts[2]};
}

} // namespace

FrmDefFasce::FrmDefFasce(Operator& op, const std::array<std::string, 3>& starts,
                         const std::array<std::string, 3>& ends, int chosen, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FrmDefFasce>()), m_op(op) {
    m_ui->setupUi(this);
    for (int band = 0; band < 3; ++band) {
        const QString n = QString::number(band);
        auto* start = findChild<QLineEdit*>("Text1_" + n);
        auto* end = findChild<QLineEdit*>("Text2_" + n);
        start->setText(QString::fromStdString(starts[static_cast<std::size_t>(band)]));
        end->setText(QString::fromStdString(ends[static_cast<std::size_t>(band)]));
        const bool green = chosen == 0 || chosen == band + 1;
        for (QLineEdit* box : {start, end}) {
            paint(*box, green ? Green : Red, green ? Black : White);
        }
    }
    connect(m_ui->Command1, &QPushButton::clicked, this, SlotGuard::wrap(m_op, [this] { close(); }));
    // The boxes only show; the focus belongs on the one thing to do.
    m_ui->Command1->setFocus();
}

FrmDefFasce::FrmDefFasce(Operator& op, const Settings& settings, int chosen, QWidget* parent)
    : FrmDefFasce(op, firstThree(settings.OrarioIniziale), firstThree(settings.OrarioFinale), chosen,
                  parent) {}

FrmDefFasce::~FrmDefFasce() = default;

void FrmDefFasce::closeEvent(QCloseEvent* event) {
    if (SlotGuard::refuseWhileRun(m_op, event)) {
        return;
    }
    event->accept();
    emit closed();
}

} // namespace sentinex
