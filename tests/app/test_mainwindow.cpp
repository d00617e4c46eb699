#include "app/mainwindow.h"

#include <gtest/gtest.h>

TEST(MainWindowStartup, TitleAndSize)
{
    MainWindow window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QString("Vantu"));
    EXPECT_EQ(window.size(), QSize(900, 600));
}
