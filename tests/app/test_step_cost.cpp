// What a step costs besides the engine's own work: the cell list rebuilt
// after it must not shake the window (a relayout resizes the view and
// redraws the tissue), and a stage's progress dialog serves events paced,
// not once per item.
#include "app_fixture.h"

#include "model/stage_progress.h"

#include <QDockWidget>
#include <QProgressDialog>
#include <QThread>

namespace {

// Counts the resize events of a widget.
class ResizeCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            ++count;
        return false;
    }
};

}  // namespace

TEST_F(AppTest, AStepRebuildsTheCellListWithoutResizingTheView)
{
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    QTest::qWait(50);
    const QSize size = view()->size();
    auto* dock = window->findChild<QDockWidget*>();
    ASSERT_NE(dock, nullptr);

    ResizeCounter resizes;
    view()->installEventFilter(&resizes);
    // The dock's list is never taken away while the new one is built.
    int emptyDock = 0;
    QObject::connect(view(), &GLWidget::dock_message, dock, [&](int&) {
        if (!dock->widget() || !dock->widget()->isVisible())
            ++emptyDock;
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!dock->widget() || !dock->widget()->isVisible())
            ++emptyDock;
    });
    poll.start(0);
    for (int step = 0; step < 3; ++step) {
        view()->targetStep = view()->currentStep + 1;
        view()->paused = false;
        QMetaObject::invokeMethod(view(), "advanceSim", Qt::DirectConnection);
        view()->paused = true;
    }
    poll.stop();
    QTest::qWait(50);
    view()->removeEventFilter(&resizes);

    EXPECT_EQ(resizes.count, 0);
    EXPECT_EQ(view()->size(), size);
    EXPECT_EQ(emptyDock, 0);
    // The list shown is the one of the last step, collapsed, every cell in it.
    auto* tree = qobject_cast<QTreeWidget*>(dock->widget());
    ASSERT_EQ(tree, probe->cellTree());
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_FALSE(tree->topLevelItem(0)->isExpanded());
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), cellCount());
    EXPECT_EQ(dock->findChildren<QTreeWidget*>().size(), 2);  // the list and the start-up placeholder
}

// Quick items: events are served on the first and then about once a frame;
// slow items: after every item.
TEST(StageTicker, ServesEventsOnTheFirstItemAndThenOncePerInterval)
{
    struct Case {
        int items;
        int sleepMs;
        int minServed, maxServed;
    };
    for (const Case& c : {Case{20000, 0, 1, 200}, Case{5, StageTicker::kInterval + 4, 5, 5}}) {
        SCOPED_TRACE(c.items);
        QProgressDialog progress;
        showStageProgress(progress, "Simulation: test", "Testing...", c.items);
        int served = 0;
        QTimer counter;
        QObject::connect(&counter, &QTimer::timeout, [&] { ++served; });
        counter.start(0);
        StageTicker ticker(progress);
        for (int i = 0; i < c.items; ++i) {
            if (c.sleepMs)
                QThread::msleep(c.sleepMs);
            ticker.advance(i);
        }
        counter.stop();
        EXPECT_GE(served, c.minServed);
        EXPECT_LE(served, c.maxServed);
        progress.close();
    }
}
