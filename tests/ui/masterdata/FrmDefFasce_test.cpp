#include "ui/masterdata/FrmDefFasce.hpp"

#include "core/Settings.hpp"
#include "support/ScriptedOperator.hpp"
#include "ui/support/FormDriver.hpp"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <string>

namespace sentinex {
namespace {

using testing::FormDriver;
using testing::ScriptedOperator;

QColor colour(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

TEST(FrmDefFasceTest, ChosenBandGreenOthersRedAllLocked) {
    Settings settings;
    const char* starts[] = {"08:00", "13:00", "##:##"};
    const char* ends[] = {"12:00", "18:00", "##:##"};
    for (int i = 0; i < 3; ++i) {
        settings.OrarioIniziale[i] = starts[i];
        settings.OrarioFinale[i] = ends[i];
    }
    struct Case {
        int chosen;
        bool green[3];
    };
    const Case cases[] = {
        {1, {true, false, false}},   {2, {false, true, false}},
        {3, {false, false, true}},   {0, {true, true, true}}, // "Attivo 24 ore"
        {-1, {false, false, false}},                          // no choice shown: nothing is the user's band
    };
    for (const auto& c : cases) {
        ScriptedOperator op;
        FrmDefFasce form(op, settings, c.chosen);
        form.show();
        FormDriver d(form);
        EXPECT_EQ(form.windowTitle(), "Fasce orarie Stand Alone");
        for (int band = 0; band < 3; ++band) {
            EXPECT_EQ(d.text("Frame1_" + std::to_string(band)), "Fascia " + std::to_string(band + 1));
            const std::pair<std::string, const char*> boxes[] = {{"Text1_", starts[band]},
                                                                 {"Text2_", ends[band]}};
            for (const auto& [prefix, text] : boxes) {
                const auto& box = d.control<QLineEdit>(prefix + std::to_string(band));
                EXPECT_EQ(box.text().toStdString(), text);
                EXPECT_TRUE(box.isReadOnly());
                const bool green = c.green[band];
                EXPECT_EQ(box.palette().color(QPalette::Base), colour(green ? 65280 : 255))
                    << "chosen " << c.chosen << " band " << band + 1;
                EXPECT_EQ(box.palette().color(QPalette::Text), colour(green ? 0 : 16777215))
                    << "chosen " << c.chosen << " band " << band + 1;
            }
        }
        EXPECT_EQ(d.read("Text1_0").name, "Fascia 1 Da");
    }
}

TEST(FrmDefFasceTest, OkAndTheCloseBoxBothCloseAndSaySo) {
    for (bool viaOk : {true, false}) {
        ScriptedOperator op;
        FrmDefFasce form(op, {"08:00", "", ""}, {"09:00", "", ""}, 1);
        form.show();
        int closed = 0;
        QObject::connect(&form, &FrmDefFasce::closed, [&closed] { ++closed; });
        FormDriver d(form);
        if (viaOk) {
            EXPECT_EQ(d.text("Command1"), "Ok");
            d.click("Command1");
        } else {
            form.close();
        }
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(closed, 1);
    }
}

} // namespace
} // namespace sentinex
