// The cell-type chooser.
#include "app/propertiesdialog.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class PropertiesDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        close_parameter_database();
        clear_parameter_tables();
        ASSERT_TRUE(open_parameter_database());
        seed_parameter_database();
        UserInitialParas();
    }
    void TearDown() override
    {
        close_parameter_database();
        clear_parameter_tables();
    }
};

} // namespace

TEST_F(PropertiesDialog, OffersOneButtonPerCellTypeWithTheFirstChecked)
{
    propertiesDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Cell selection");
    EXPECT_EQ(dialog.size(), QSize(300, 200));
    ASSERT_EQ(dialog.cellTypeButtons.size(), index_name_class.size());
    for (size_t t = 0; t < dialog.cellTypeButtons.size(); ++t)
        EXPECT_EQ(dialog.cellTypeButtons[t]->text(), index_name_class[static_cast<int>(t)]);
    EXPECT_TRUE(dialog.cellTypeButtons.front()->isChecked());
    EXPECT_FALSE(dialog.setFlag);
    EXPECT_EQ(dialog.cellTypeName, "NA");
    EXPECT_EQ(dialog.cellType, -1);
}

TEST_F(PropertiesDialog, SetPropertiesAnnouncesTheCheckedTypeAndCancelKeepsTheFlag)
{
    propertiesDialog dialog;
    dialog.show();
    QSignalSpy announced(&dialog, &propertiesDialog::cell_types);
    dialog.cellTypeButtons.at(2)->setChecked(true);
    dialog.setButton->click();
    ASSERT_EQ(announced.count(), 1);
    EXPECT_EQ(announced.at(0).at(0).toString(), index_name_class[2]);
    EXPECT_TRUE(dialog.setFlag);
    EXPECT_EQ(dialog.cellTypeName, index_name_class[2]);
    EXPECT_EQ(dialog.cellType, 2);

    // Cancel only closes: the flag stays as it was.
    dialog.cancelButton->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.setFlag);
}
