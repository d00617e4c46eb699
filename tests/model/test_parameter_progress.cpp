// The progress dialogs of the seeding and of the table load: their texts, and
// that they are gone when the work is done.
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QApplication>
#include <QProgressDialog>
#include <QSet>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Records "title|label" of every progress dialog on screen while `work` runs;
// the dialogs process events at each step, which lets the timer in.
template <typename Work>
QSet<QString> progressSeenDuring(Work work)
{
    QSet<QString> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&seen]() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget))
                if (dialog->isVisible() && dialog->windowModality() == Qt::WindowModal)
                    seen.insert(dialog->windowTitle() + "|" + dialog->labelText());
    });
    watch.start(0);
    work();
    watch.stop();
    return seen;
}

bool anyProgressVisible()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(widget) && widget->isVisible())
            return true;
    return false;
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
