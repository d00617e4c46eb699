// Test entry point: every test binary runs inside a QApplication, because the
// engine's long stages show progress dialogs and the views need a display.
#include "support/model_env.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Every engine reads the SBML model files while it is made.
    if (!::testing::GTEST_FLAG(list_tests))
        model_env::prepareModelFilesForRun();
    return RUN_ALL_TESTS();
}
