// Picking cells with the mouse, area selections through the R-tree, panning
// and changing the type of the selected cells.
#include "view_fixture.h"

#include "app/glwidget.h"
#include "app/propertiesdialog.h"
#include "geometry/rtree.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <algorithm>

namespace {

// A 3 by 3 block of overlapping cells (18 world units apart, so they weld),
// and one cell on its own.
std::vector<QPointF> block()
{
    std::vector<QPointF> centres;
    for (int row = -1; row <= 1; ++row)
        for (int col = -1; col <= 1; ++col)
            centres.emplace_back(col * 18.0, row * 18.0);
    centres.emplace_back(80.0, 0.0);
    return centres;
}

void send(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A left drag from `from` to `to`.
void drag(QWidget* target, QPoint from, QPoint to)
{
    send(target, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(target, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    send(target, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(target, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

class Selection : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        buildTissue(block());
        centreView();
    }

    // Cells whose every live boundary vertex passes `inside`, worked out from
    // the vertices themselves.
    template <typename Inside>
    std::vector<int> cellsWithin(Inside inside) const
    {
        std::vector<int> found;
        const auto& cells = view()->reader->cells;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (cells[i]->dead)
                continue;
            bool all = true;
            for (edge* e : cells[i]->sides)
                all = all && inside(e->p1->x, e->p1->y);
            if (all)
                found.push_back(static_cast<int>(i));
        }
        return found;
    }

    static std::vector<int> sorted(std::vector<int> v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }
};

} // namespace

TEST_F(Selection, AClickInsideACellSelectsItAndTheStatusBarNamesIt)
{
    const int middle = cellCentredAt(0, 0)->id;
    ASSERT_GE(middle, 0);
    auto picked = recordPicks();
    QSignalSpy messages(view(), &GLWidget::mouse_message);
    const QPoint at = widgetPosOf(1, -2);
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, at);

    EXPECT_EQ(view()->selectedCells, std::vector<int>{middle});
    EXPECT_TRUE(cellAt(middle)->selected);
    ASSERT_EQ(picked->size(), 1u);
    EXPECT_EQ(picked->front(), middle);
    ASSERT_GE(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), QString("(%1,%2)").arg(at.x()).arg(at.y()));

    const QString name = index_name_class[cellAt(middle)->cell_type];
    EXPECT_EQ(probe->statusText2(), QString("Pressed at cell %1, cell type: %2").arg(middle).arg(name));
    const double wx = (at.x() + view()->translateX) / view()->scale;
    const double wy = ((view()->viewportHeight - at.y()) + view()->translateY) / view()->scale;
    EXPECT_EQ(probe->statusText1(), QString("mouse coordinates: %1,%2,world coordinates: %3,%4")
                                        .arg(at.x())
                                        .arg(at.y())
                                        .arg(QString::number(wx, 'g', 6))
                                        .arg(QString::number(wy, 'g', 6)));
    // The type and colour commands apply to a selection.
    EXPECT_TRUE(probe->cellTypeAction()->isEnabled());
}

TEST_F(Selection, AClickWhereBoxesOverlapSelectsOnlyTheCellContainingIt)
{
    const dbReader& engine = *view()->reader;
    const int middle = cellCentredAt(0, 0)->id;
    // A point of the middle cell that another cell's box contains as well.
    QPointF point(-1000, -1000);
    for (double dx = -9; dx <= 9 && point.x() < -999; dx += 0.5)
        for (double dy = -9; dy <= 9 && point.x() < -999; dy += 0.5) {
            std::vector<int> candidates;
            engine.rtree->search_point(dx, dy, candidates);
            if (candidates.size() >= 2 && cellAt(middle)->test_point_inside(dx, dy))
                point = QPointF(dx, dy);
        }
    ASSERT_GT(point.x(), -999) << "no point of the middle cell lies in two boxes";
    const QPoint at = widgetPosOf(point.x(), point.y());
    const double wx = (at.x() + view()->translateX) / view()->scale;
    const double wy = ((view()->viewportHeight - at.y()) + view()->translateY) / view()->scale;
    ASSERT_TRUE(cellAt(middle)->test_point_inside(wx, wy));

    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(view()->selectedCells, std::vector<int>{middle});
}

TEST_F(Selection, AClickInOpenSpaceSelectsNothing)
{
    view()->selectFromDock(0);
    auto picked = recordPicks();
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, widgetPosOf(50, 50));
    EXPECT_TRUE(view()->selectedCells.empty());
    EXPECT_FALSE(cellAt(0)->selected);
    ASSERT_EQ(picked->size(), 1u);
    EXPECT_EQ(picked->front(), -1);
    EXPECT_EQ(probe->statusText2(), "Pressed at open space!");
}

TEST_F(Selection, AClickOnAnEngineWithoutRTreeOrWithoutEngineSelectsNothing)
{
    // New replaces the tissue by an empty engine that has no R-tree yet.
    probe->setModified(false);
    probe->newAction()->trigger();
    ASSERT_NE(view()->reader, nullptr);
    ASSERT_EQ(view()->reader->rtree, nullptr);
    auto picked = recordPicks();
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    EXPECT_TRUE(view()->selectedCells.empty());
    ASSERT_EQ(picked->size(), 1u);
    EXPECT_EQ(picked->front(), -1);

    // Without any engine the press only reports where it was.
    view()->bug_response();
    ASSERT_EQ(view()->reader, nullptr);
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(41, 42));
    EXPECT_EQ(picked->size(), 1u);
    EXPECT_EQ(probe->statusText1(), "mouse pressed at: 41,42");

    // An armed area selection is dropped by a release without an engine.
    view()->select_Rectangle();
    drag(view(), QPoint(10, 10), QPoint(60, 60));
    EXPECT_FALSE(view()->selectRectangle);
}

TEST_F(Selection, ARectangleSelectsExactlyTheCellsWhollyInside)
{
    // From world (-31, -12) to (31, 35): the upper row and the middle row
    // are cut or held, the lone cell is outside.
    const QPoint from = widgetPosOf(-31, -12);
    const QPoint to = widgetPosOf(31, 35);
    const double h = view()->viewportHeight;
    const double xmin = (std::min(from.x(), to.x()) + view()->translateX) / view()->scale;
    const double xmax = (std::max(from.x(), to.x()) + view()->translateX) / view()->scale;
    const double ymin = (std::min(h - from.y(), h - to.y()) + view()->translateY) / view()->scale;
    const double ymax = (std::max(h - from.y(), h - to.y()) + view()->translateY) / view()->scale;
    const std::vector<int> expected = cellsWithin([&](double x, double y) {
        return xmin <= x && x <= xmax && ymin <= y && y <= ymax;
    });
    ASSERT_FALSE(expected.empty());
    ASSERT_LT(expected.size(), 9u);

    QSignalSpy messages(view(), &GLWidget::mouse_message);
    view()->select_Rectangle();
    drag(view(), from, to);
    EXPECT_EQ(sorted(view()->selectedCells), expected);
    for (int i : expected)
        EXPECT_TRUE(cellAt(i)->selected);
    EXPECT_FALSE(view()->selectRectangle);
    // The last message names the last candidate of the R-tree.
    std::vector<int> candidates;
    view()->reader->rtree->search_rectangle(xmin, ymin, xmax, ymax, candidates);
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(messages.last().at(0).toString(), QString::number(candidates.back()));
}

TEST_F(Selection, AnEllipseSelectsExactlyTheCellsWhollyInside)
{
    const QPoint from = widgetPosOf(-33, -14);
    const QPoint to = widgetPosOf(33, 14);
    const double h = view()->viewportHeight;
    const double cx = ((from.x() + to.x()) / 2.0 + view()->translateX) / view()->scale;
    const double cy = ((h - from.y() + h - to.y()) / 2.0 + view()->translateY) / view()->scale;
    const double a = std::abs(from.x() - to.x()) * 0.5 / view()->scale;
    const double b = std::abs(from.y() - to.y()) * 0.5 / view()->scale;
    const std::vector<int> expected = cellsWithin([&](double x, double y) {
        return (x - cx) * (x - cx) / (a * a) + (y - cy) * (y - cy) / (b * b) <= 1.0;
    });
    ASSERT_FALSE(expected.empty());

    view()->select_Ellipse();
    drag(view(), from, to);
    EXPECT_EQ(sorted(view()->selectedCells), expected);
    EXPECT_FALSE(view()->selectEllipse);
}

TEST_F(Selection, WithBothModesArmedTheRectangleWinsAndBothAreCleared)
{
    const QPoint from = widgetPosOf(-35, -35);
    const QPoint to = widgetPosOf(35, 35);
    view()->select_Ellipse();
    view()->select_Rectangle();
    drag(view(), from, to);
    // The whole block lies in the rectangle; its inscribed ellipse would
    // miss the corner cells.
    EXPECT_EQ(view()->selectedCells.size(), 9u);
    EXPECT_FALSE(view()->selectRectangle);
    EXPECT_FALSE(view()->selectEllipse);
}

TEST_F(Selection, ADragWithoutAModePansTheView)
{
    const double tx = view()->translateX;
    const double ty = view()->translateY;
    send(view(), QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton);
    send(view(), QEvent::MouseMove, QPoint(310, 205), Qt::NoButton, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(view()->translateX, tx - 10);
    EXPECT_DOUBLE_EQ(view()->translateY, ty + 5);
    send(view(), QEvent::MouseButtonRelease, QPoint(310, 205), Qt::LeftButton, Qt::NoButton);
    // Without the button held the pointer pans nothing.
    send(view(), QEvent::MouseMove, QPoint(400, 300), Qt::NoButton, Qt::NoButton);
    EXPECT_DOUBLE_EQ(view()->translateX, tx - 10);
}

TEST_F(Selection, ChangingTheTypeChangesColourParametersAndTheDock)
{
    const int middle = cellCentredAt(0, 0)->id;
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, widgetPosOf(0, 0));
    ASSERT_EQ(view()->selectedCells, std::vector<int>{middle});
    ASSERT_TRUE(probe->cellTypeAction()->isEnabled());

    probe->cellTypeAction()->trigger();
    propertiesDialog* dialog = view()->cellProperty;
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_TRUE(probe->modified());
    ASSERT_GT(dialog->cellTypeButtons.size(), 2u);
    dialog->cellTypeButtons[2]->setChecked(true);
    dialog->setButton->click();

    cell* c = cellAt(middle);
    EXPECT_EQ(c->cell_type, 2);
    EXPECT_EQ(c->cell_type_name, index_name_class[2]);
    EXPECT_EQ(c->color[0], color_class_R[2]);
    EXPECT_EQ(c->color[1], color_class_G[2]);
    EXPECT_EQ(c->color[2], color_class_B[2]);
    EXPECT_EQ(c->mu, elastic_MU[2]);
    EXPECT_EQ(c->lambda, elastic_LAMBDA[2]);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->setFlag);

    // The view shows the new colour, the dock the new type.
    const QImage image = grab();
    EXPECT_TRUE(near(colourAt(image, 0, 0), typeColour(2)));
    QTreeWidget* tree = probe->cellTree();
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem* item = tree->topLevelItem(0)->child(middle);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->child(1)->text(1), index_name_class[2]);
}

TEST_F(Selection, WithoutASelectionTheTypeCommandShowsNoDialog)
{
    ASSERT_TRUE(view()->selectedCells.empty());
    view()->set_new_type();
    ASSERT_NE(view()->cellProperty, nullptr);
    EXPECT_FALSE(view()->cellProperty->isVisible());
}

TEST_F(Selection, AWeldedSideOfASelectedCellIsRedAlsoWhereItsNeighbourIsDrawnLater)
{
    cell* middle = cellCentredAt(0, 0);
    view()->selectFromDock(middle->id);
    // A welded side whose neighbour is drawn after the middle cell, so its
    // own copy of the side lies on top.
    const edge* side = nullptr;
    for (const edge* e : middle->sides)
        if (e->bonded && e->partner && e->partner->cell->id > middle->id)
            side = e;
    ASSERT_NE(side, nullptr);
    const double mx = (side->p1->x + side->p2->x) / 2, my = (side->p1->y + side->p2->y) / 2;
    EXPECT_TRUE(near(colourAt(grab(), mx, my), QColor(255, 0, 0)))
        << colourText(colourAt(grab(), mx, my));
}

TEST_F(Selection, ATypeSetWhileTheCellListIsBeingRebuiltRebuildsItAfterwards)
{
    const int middle = cellCentredAt(0, 0)->id;
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, widgetPosOf(0, 0));
    ASSERT_EQ(view()->selectedCells, std::vector<int>{middle});
    probe->cellTypeAction()->trigger();
    propertiesDialog* dialog = view()->cellProperty;
    ASSERT_NE(dialog, nullptr);
    dialog->cellTypeButtons[2]->setChecked(true);

    // The rebuild lets events through between cells (its progress dialog
    // blocks no window): "Set properties" is pressed in the middle of it.
    QTimer::singleShot(0, dialog->setButton, &QPushButton::click);
    view()->Dock_Tree();

    EXPECT_EQ(cellAt(middle)->cell_type, 2);
    QTreeWidget* tree = probe->cellTree();
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), cellCount());
    EXPECT_EQ(tree->topLevelItem(0)->child(middle)->child(1)->text(1), index_name_class[2]);
}
