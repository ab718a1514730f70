#include "ui/masterdata/FrmPassAbil.hpp"

#include "ui/support/FormDriver.hpp"

#include <QCheckBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FormDriver;

std::string box(int i) {
    return "Check1_" + std::to_string(i);
}

TEST(FrmPassAbilTest, ReadersCaptionTheirBoxesOnTwoTabs) {
    std::vector<std::string> locations = {"INGRESSO", "UFFICI  ", "MAGAZZIN"};
    std::array<int, 64> flags{};
    flags[0] = 1;
    flags[2] = 1;
    flags[5] = 1; // a flag beyond the readers shows nothing
    FrmPassAbil form(locations, flags, true);
    form.show();
    FormDriver d(form);
    EXPECT_EQ(form.windowTitle(), "Sentinex - associa lettori");
    const auto& tabs = d.control<QTabWidget>("SSTab1");
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(0), "Lettori 1-32");
    EXPECT_EQ(tabs.tabText(1), "Lettori 33-64");
    EXPECT_EQ(tabs.currentIndex(), 0);
    for (int i = 0; i < 64; ++i) {
        const auto& check = d.control<QCheckBox>(box(i));
        const bool reader = i < 3;
        EXPECT_EQ(check.isEnabled(), reader) << i;
        EXPECT_EQ(check.text().toStdString(), reader ? locations[static_cast<std::size_t>(i)] : "") << i;
        EXPECT_EQ(check.isChecked(), i == 0 || i == 2) << i;
        // Boxes 0-31 on the first tab, 32-63 on the second.
        EXPECT_TRUE(d.control<QWidget>(i < 32 ? "Frame1" : "Frame2").isAncestorOf(&check)) << i;
    }
    EXPECT_EQ(d.read(box(1)).name, "Lettore 2 UFFICI");
    // Tab goes from reader to reader in order, then to "Ok".
    EXPECT_EQ(d.control<QWidget>(box(0)).nextInFocusChain(), &d.control<QWidget>(box(1)));
    EXPECT_EQ(d.control<QWidget>(box(31)).nextInFocusChain(), &d.control<QWidget>(box(32)));
    EXPECT_EQ(d.control<QWidget>(box(63)).nextInFocusChain(), &d.control<QWidget>("Command1"));
}

TEST(FrmPassAbilTest, OkHandsBackTheBoxesOnlyInEditModeAndTheCloseBoxHandsBackNothing) {
    struct Case {
        const char* name;
        bool editable;
        bool viaOk;
        std::array<int, 3> after;
    };
    const Case cases[] = {
        {"edit mode, Ok", true, true, {0, 1, 1}},
        {"edit mode, close box", true, false, {1, 0, 1}},
        {"browse mode, Ok: the boxes cannot change", false, true, {1, 0, 1}},
    };
    for (const auto& c : cases) {
        std::array<int, 64> flags{};
        flags[0] = 1;
        flags[2] = 1;
        flags[40] = 1; // no reader there: Ok clears it, since its box shows clear
        FrmPassAbil form({"A", "B", "C"}, flags, c.editable);
        form.show();
        bool accepted = false;
        int closed = 0;
        QObject::connect(&form, &FrmPassAbil::closed, [&](bool ok) {
            accepted = ok;
            ++closed;
        });
        // The users form takes the flags handed back as its working flags.
        QObject::connect(&form, &FrmPassAbil::chosen,
                         [&](const std::array<int, 64>& chosen) { flags = chosen; });
        FormDriver d(form);
        EXPECT_EQ(d.control<QWidget>("Frame1").isEnabled(), c.editable) << c.name;
        EXPECT_EQ(d.control<QWidget>("Frame2").isEnabled(), c.editable) << c.name;
        d.click(box(0));
        d.click(box(1));
        if (c.viaOk) {
            d.click("Command1");
        } else {
            form.close();
        }
        EXPECT_EQ(closed, 1) << c.name;
        EXPECT_EQ(accepted, c.viaOk) << c.name;
        EXPECT_EQ((std::array<int, 3>{flags[0], flags[1], flags[2]}), c.after) << c.name;
        EXPECT_EQ(flags[40], c.viaOk ? 0 : 1) << c.name;
    }
}

} // namespace
} // namespace sentinex
