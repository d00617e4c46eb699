// The progress dialogs of the seeding and of the table load: their texts, and
// that they are gone when the work is done.
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "support/progress_watch.h"

#include <QApplication>
#include <QProgressDialog>
#include <QSet>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// "title|label" of every progress dialog on screen while `work` runs.
template <typename Work>
QSet<QString> progressSeenDuring(Work work)
{
    ProgressWatch watch;
    work();
    watch.stop();
    return watch.seen;
}

} // namespace

TEST(ParameterProgress, SeedingAndLoadingShowTheirDialogs)
{
    close_parameter_database();
    ASSERT_TRUE(open_parameter_database());

    EXPECT_EQ(progressSeenDuring([] { seed_parameter_database(); }),
              QSet<QString>{"Cell Info Database|Creating database..."});
    EXPECT_FALSE(anyProgressVisible());

    EXPECT_EQ(progressSeenDuring([] { UserInitialParas(); }),
              QSet<QString>{"Biology Info|Read biology data..."});
    EXPECT_FALSE(anyProgressVisible());
    EXPECT_EQ(index_name_class.size(), 6u);

    close_parameter_database();
    clear_parameter_tables();
}
