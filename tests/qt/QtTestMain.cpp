// The main of the offscreen tests: one QApplication for the whole run, set up as the program does.
#include "qt/QtApplication.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetUpToolkit(app);
    return RUN_ALL_TESTS();
}
