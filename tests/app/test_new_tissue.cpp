// Building a tissue drawn in the designer: the cells it makes, their
// welding, the view after the build, and the equivalence with saving the
// circles as a "Center-based" file and opening that.
#include "view_fixture.h"

#include "biology/biology.h"
#include "support/crossings.h"
#include "support/topology_check.h"

#include <QMessageBox>
#include <QStatusBar>
#include <QTreeWidget>

#include <sstream>

namespace {


int bondedEdges(const dbReader& engine)
{
    int n = 0;
    for (const cell* c : engine.cells)
        for (const edge* e : c->sides)
            n += e->bonded;
    return n;
}

// Everything a tissue's shape and contacts come to, as text.
std::string describe(const dbReader& engine)
{
    std::ostringstream out;
    out.precision(12);
    for (const cell* c : engine.cells) {
        out << "cell " << c->id << " type " << c->cell_type << " dead " << int(c->dead) << " radius "
            << c->radius << " area " << c->area << " target " << c->target_area << " pairs "
            << c->pairs.size() << " ring";
        for (const edge* e : c->sides)
            out << " " << e->id << ":" << e->p1->id << "(" << e->p1->x << "," << e->p1->y << ")"
                << (e->bonded ? "b" : "");
        out << "\n";
    }
    out << "pairs " << engine.interpairs.size() << " nodes " << engine.nodes.size() << "\n";
    return out.str();
}

class NewTissue : public ViewTest {};

// A 3 by 3 block of overlapping circles, 36 scene units apart.
std::vector<QPointF> block()
{
    std::vector<QPointF> centres;
    for (int row = -1; row <= 1; ++row)
        for (int col = -1; col <= 1; ++col)
            centres.emplace_back(col * 18.0, row * 18.0);
    return centres;
}

} // namespace

TEST_F(NewTissue, TheWorkedExampleGivesTheStatedCells)
{
    probe->newAction()->trigger();
    newDiagram* designer = probe->designer();
    ASSERT_TRUE(waitFor([&] { return designer->isVisible(); }));
    placeCircle(*designer, QPointF(100, 100));
    placeCircle(*designer, QPointF(140, 100));
    placeCircle(*designer, QPointF(300, 300));
    actionNamed(*designer, "&Build")->trigger();

    const dbReader& engine = *view()->reader;
    ASSERT_EQ(engine.cells.size(), 3u);
    EXPECT_TRUE(designer->xPositions.empty());
    EXPECT_TRUE(designer->yPositions.empty());
    EXPECT_DOUBLE_EQ(engine.cells[0]->center[0], -95);
    EXPECT_DOUBLE_EQ(engine.cells[0]->center[1], 95);
    EXPECT_NEAR(engine.cells[1]->center[0], -175, 1e-9);
    EXPECT_NEAR(engine.cells[1]->center[1], 195, 1e-9);
    EXPECT_NEAR(engine.cells[2]->center[0], -195, 1e-9);
    EXPECT_NEAR(engine.cells[2]->center[1], 195, 1e-9);
    EXPECT_DOUBLE_EQ(engine.bounds[0], -1195);
    EXPECT_DOUBLE_EQ(engine.bounds[1], -905);
    EXPECT_DOUBLE_EQ(engine.bounds[2], 905);
    EXPECT_DOUBLE_EQ(engine.bounds[3], 1195);

    // Every designed cell is of type 1 and meshed.
    for (const cell* c : engine.cells) {
        EXPECT_EQ(c->cell_type, 1);
        EXPECT_FALSE(c->inner_t.empty());
    }
    // Every edge of the neighbour complex of three centres is a pair.
    EXPECT_EQ(engine.interpairs.size(), 3u);

    EXPECT_NE(engine.rtree, nullptr);
    EXPECT_EQ(engine.alpha_complex, nullptr);
    EXPECT_TRUE(engine.ready);
    EXPECT_TRUE(probe->modified());
    EXPECT_EQ(probe->status(), "New Project");
    ASSERT_NE(probe->cellTree(), nullptr);
    EXPECT_EQ(probe->cellTree()->topLevelItem(0)->childCount(), 3);
    EXPECT_EQ(describeFaults(checkTopology(engine)), "");
}

TEST_F(NewTissue, ADrawnBlockIsWeldedSoundAndDrawn)
{
    buildTissue(block());
    const dbReader& engine = *view()->reader;
    EXPECT_EQ(describeFaults(checkTopology(engine)), "");
    EXPECT_TRUE(boundaryCrossings(engine).empty());
    EXPECT_GT(bondedEdges(engine), 0);
    // The view was reset: origin at the bottom-left corner, scale kept.
    EXPECT_EQ(view()->translateX, 0);
    EXPECT_EQ(view()->translateY, 0);

    centreView();
    const QImage image = grab();
    for (const cell* c : engine.cells)
        EXPECT_TRUE(near(colourAt(image, c->center[0] + 2, c->center[1] + 2), typeColour(1)))
            << "cell " << c->id;
}

TEST_F(NewTissue, SavedAsCenterBasedItReopensToTheSameTissue)
{
    const QString path = dir.filePath("designed.vt");
    probe->newAction()->trigger();
    newDiagram* designer = probe->designer();
    ASSERT_TRUE(waitFor([&] { return designer->isVisible(); }));
    for (const QPointF& c : block())
        placeCircle(*designer, scenePointOf(c.x(), c.y()));

    // Exit, Yes, the file: the circles are written and leave the canvas.
    auto question = answerNextBox(QMessageBox::Yes);
    auto fileShown = answerNextFileDialog(path);
    QTimer::singleShot(0, actionNamed(*designer, "E&xit"), &QAction::trigger);
    ASSERT_TRUE(waitFor([&] { return *fileShown && !designer->isVisible(); }));
    ASSERT_EQ(circleCount(*designer), 0);

    // The same circles built directly.
    designer->show();
    for (const QPointF& c : block())
        placeCircle(*designer, scenePointOf(c.x(), c.y()));
    actionNamed(*designer, "&Build")->trigger();
    ASSERT_EQ(cellCount(), 9);
    const std::string built = describe(*view()->reader);

    probe->setModified(false);
    ASSERT_TRUE(probe->loadFile(path));
    ASSERT_EQ(cellCount(), 9);
    EXPECT_EQ(describe(*view()->reader), built);
    EXPECT_EQ(describeFaults(checkTopology(*view()->reader)), "");
}

TEST_F(NewTissue, AFileOpenedBetweenNewAndBuildLeavesTheBuiltCellsTheirSignallingModels)
{
    probe->newAction()->trigger();
    newDiagram* designer = probe->designer();
    ASSERT_TRUE(waitFor([&] { return designer->isVisible(); }));
    for (const QPointF& c : block())
        placeCircle(*designer, scenePointOf(c.x(), c.y()));

    // The load writes the signalling model files and removes them again.
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    actionNamed(*designer, "&Build")->trigger();
    ASSERT_EQ(cellCount(), 9);
    ASSERT_NE(view()->reader->biology, nullptr);
    EXPECT_TRUE(view()->reader->biology->isLoaded())
        << view()->reader->biology->loadMessage().toStdString();
}
