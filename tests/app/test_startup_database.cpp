#include "app/mainwindow.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QApplication>
#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

#include <memory>

namespace {

class MainWindowStartup : public ::testing::Test {
protected:
    // The window opens the database itself; every test starts without one.
    void SetUp() override
    {
        close_parameter_database();
        clear_parameter_tables();
    }
    void TearDown() override
    {
        close_parameter_database();
        clear_parameter_tables();
    }
};

int rowCount(const char* table)
{
    QSqlQuery query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)));
    return query.next() ? query.value(0).toInt() : -1;
}

} // namespace

TEST_F(MainWindowStartup, ShowsTheVantuWindowWithTheDatabaseSeeded)
{
    // As main() does it.
    auto window = std::make_unique<MainWindow>();
    window->show();
    QApplication::processEvents();

    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == "Vantu")
            found = widget;
    ASSERT_EQ(found, window.get());
    EXPECT_EQ(found->size(), QSize(900, 600));
    EXPECT_NE(window->centralWidget(), nullptr);

    EXPECT_EQ(rowCount("cell"), 6);
    EXPECT_EQ(rowCount("cytokine"), 7);
    EXPECT_EQ(rowCount("cytokine_cell"), 10);
    EXPECT_EQ(rowCount("regulate"), 0);
    EXPECT_EQ(rowCount("behavior"), 3);
    EXPECT_EQ(rowCount("adhesion"), 36);
    EXPECT_EQ(rowCount("cue"), 6);

    // The seeding leaves the tables to the loads.
    EXPECT_TRUE(index_name_class.empty());
    UserInitialParas();
    EXPECT_EQ(index_name_class[3], "Keratinocyte");
}
