// Test entry point: every test binary runs inside a QApplication, because the
// engine's long stages show progress dialogs and the views need a display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
