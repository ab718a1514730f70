#include "ui/common/OwnedWindows.hpp"

#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace sentinex {
namespace {

/// A form that opens windows and hears back from them when they go, as the forms of the program do.
struct Opener : QWidget {
    int callbacks = 0;
    void open(QWidget* window) {
        connect(window, &QObject::destroyed, this, [this] { ++callbacks; });
        m_windows.showInPlace(window);
    }
    OwnedWindows m_windows{this};
};

TEST(OwnedWindowsTest, WindowsStillOpenGoWithTheirOpenerWithoutCallingItBack) {
    int heardElsewhere = 0;
    auto opener = std::make_unique<Opener>();
    auto* returned = new QWidget; // freed by Qt once it has returned, before its opener goes
    opener->open(returned);
    delete returned;
    ASSERT_EQ(opener->callbacks, 1);
    QPointer<QWidget> open1 = new QWidget;
    QPointer<QWidget> open2 = new QWidget;
    opener->open(open1);
    opener->open(open2);
    QObject::connect(open2, &QObject::destroyed, [&heardElsewhere] { ++heardElsewhere; });
    QPointer<QWidget> stranger = new QWidget; // not the opener's: stays
    opener.reset();
    EXPECT_TRUE(open1.isNull());
    EXPECT_TRUE(open2.isNull());
    EXPECT_EQ(heardElsewhere, 1) << "only the opener's own connections are cut";
    ASSERT_FALSE(stranger.isNull());
    delete stranger.data();
}

TEST(OwnedWindowsTest, AWindowGoingWithItsOpenerDoesNotReachTheOpenerOnItsWay) {
    auto opener = std::make_unique<Opener>();
    int* seen = &opener->callbacks;
    int before = -1;
    auto* window = new QWidget;
    opener->open(window);
    // Were the connection left, the count would move inside a destructor already under way.
    QObject::connect(window, &QObject::destroyed, [&before, seen] { before = *seen; });
    opener.reset();
    EXPECT_EQ(before, 0);
}

} // namespace
} // namespace sentinex
