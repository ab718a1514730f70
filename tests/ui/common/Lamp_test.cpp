#include "ui/common/Lamp.hpp"

#include "ui/support/FormDriver.hpp"

#include <QWidget>

#include <gtest/gtest.h>

namespace sentinex {
namespace {

using testing::FormDriver;

TEST(LampTest, DescriptionSaysTheColourShownAndTheNameStays) {
    QWidget form;
    auto* lamp = new Lamp(&form);
    lamp->setObjectName(QStringLiteral("Shape1"));
    lamp->setAccessibleName(QStringLiteral("Lampada esito 1"));
    FormDriver driver(form);
    EXPECT_EQ(driver.read("Shape1").description, "spento") << "before the first card";

    const struct {
        int backColour;
        const char* described;
    } steps[] = {
        {255, "rosso"},        {255, "rosso"}, // the same colour again
        {65280, "verde"},      {255, "rosso"}, {Lamp::OffColour, "spento"},
        {0xFF0000, "#0000ff"}, // no lamp shows blue; were it to, it is not called red or green
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.backColour);
        lamp->setBackColour(s.backColour);
        const testing::AccessibleReading read = driver.read("Shape1");
        EXPECT_EQ(read.description, s.described);
        EXPECT_EQ(read.name, "Lampada esito 1");
    }
}

} // namespace
} // namespace sentinex
