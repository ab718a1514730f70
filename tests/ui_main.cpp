// GoogleTest main for window tests: one SentinexApplication (the program's QApplication) on the offscreen
// platform for the whole run, with Qt's Italian texts installed as the program installs them.
#include "ui/common/QtItalianTranslation.hpp"
#include "ui/common/SentinexApplication.hpp"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    sentinex::SentinexApplication app(argc, argv);
    sentinex::QtItalianTranslation::install();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
