#include "ui/common/ReadableLabel.hpp"

#include "ui/support/FormDriver.hpp"

#include <QAccessible>
#include <QWidget>

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::FormDriver;

struct LabelForm {
    LabelForm() {
        label = new ReadableLabel(&form);
        label->setObjectName(QStringLiteral("Label3"));
        label->setAccessibleDescription(QStringLiteral("Ultimo evento on line"));
        // A fixed name, as the form once gave it: the shown text must still win.
        label->setAccessibleName(QStringLiteral("Ultimo evento on line"));
    }
    QWidget form;
    ReadableLabel* label = nullptr; // owned by the form
};

TEST(ReadableLabelTest, AssistiveTechnologyReadsEveryTextShown) {
    LabelForm f;
    FormDriver driver(f.form);
    const char* texts[] = {
        "Carta 0042 - Accesso consentito - Rossi Mario\n02/03/2026 10:00:00",
        "Carta 0042 non abilitata  \n02/03/2026 10:05:00",
        // What a reader sent is shown and read as it came, never taken for markup.
        "Stringa ricevuta : <b>12&34</b>  02/03/2026 10:05:00",
        "Caffè & Figli",
        "",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        f.label->showText(QString::fromUtf8(text));
        EXPECT_EQ(driver.text("Label3"), text);
        const testing::AccessibleReading read = driver.read("Label3");
        EXPECT_EQ(read.name, text);
        EXPECT_EQ(read.description, "Ultimo evento on line");
        EXPECT_EQ(read.role, QAccessible::StaticText);
        EXPECT_EQ(f.label->textFormat(), Qt::PlainText);
    }
}

} // namespace
} // namespace sentinex
