// Rebuilding the engine's R-tree from its cells: live cells only, the same
// answers as a brute-force search, and repeated rebuilds that neither leak
// nor free twice (the sanitizers watch).
#include "geometry/rtree.h"
#include "model/cell.h"
#include "model/dbreader.h"
#include "model/point3d.h"
#include "support/tissue_fixture.h"
#include "support/progress_watch.h"

#include <QApplication>
#include <QProgressDialog>
#include <QSet>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

// A field of separate rectangles of varied sizes, some overlapping their
// neighbours' boxes, as cells of a loose tissue.
TissueLayout looseTissue(int columns, int rows)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> size(4, 14);
    TissueLayout layout;
    for (int i = 0; i < columns; i++)
        for (int j = 0; j < rows; j++) {
            const double x = i * 10.0, y = j * 10.0, w = size(rng), h = size(rng);
            layout.cells.push_back({{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}});
        }
    return layout;
}

std::vector<int> sorted(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

// Every id in the tree, each once.
std::multiset<int> treeIds(RT3D& tree)
{
    std::vector<int> all;
    tree.search_rectangle(-1e300, -1e300, 1e300, 1e300, all);
    return std::multiset<int>(all.begin(), all.end());
}

} // namespace

TEST(RTreeConstruction, LiveCellsOnlyAndAnswersMatchBruteForce)
{
    std::string error;
    std::unique_ptr<dbReader> engine = buildTissue(looseTissue(12, 10), &error);
    ASSERT_TRUE(engine) << error;
    const int n = static_cast<int>(engine->cells.size());
    std::set<int> dead;
    for (int id : {0, 5, 17, 18, 64, 119}) {
        engine->cells[id]->dead = 1;
        dead.insert(id);
    }
    engine->r_tree_construction(engine->bounds);
    ASSERT_TRUE(engine->rtree);

    std::multiset<int> ids = treeIds(*engine->rtree);
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(n) - dead.size());
    for (int id : dead)
        EXPECT_EQ(ids.count(id), 0u) << "dead cell " << id;

    std::mt19937 rng(4);
    std::uniform_real_distribution<double> pos(-5, 125), size(0, 25);
    for (int q = 0; q < 1500; q++) {
        const double x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
        std::vector<int> point, rect, ellipse, wantPoint, wantRect, wantEllipse;
        engine->rtree->search_point(x, y, point);
        engine->rtree->search_rectangle(x, y, x + w, y + h, rect);
        engine->rtree->search_ellipse(x, y, w, h, ellipse);
        for (cell* c : engine->cells) {
            if (c->dead)
                continue;
            const double x1 = c->AABB_xmin->x, y1 = c->AABB_ymin->y, x2 = c->AABB_xmax->x, y2 = c->AABB_ymax->y;
            if (x1 <= x && x <= x2 && y1 <= y && y <= y2)
                wantPoint.push_back(c->id);
            if (x1 <= x + w && x <= x2 && y1 <= y + h && y <= y2)
                wantRect.push_back(c->id);
            if (x1 <= x + w && x - w <= x2 && y1 <= y + h && y - h <= y2)
                wantEllipse.push_back(c->id);
        }
        ASSERT_EQ(sorted(point), wantPoint);
        ASSERT_EQ(sorted(rect), wantRect);
        ASSERT_EQ(sorted(ellipse), wantEllipse);
    }

    // A click on the corner of a cell's box finds it.
    cell* c = engine->cells[30];
    std::vector<int> out;
    engine->rtree->search_point(c->AABB_xmax->x, c->AABB_ymax->y, out);
    EXPECT_NE(std::find(out.begin(), out.end(), 30), out.end());
}

TEST(RTreeConstruction, HundredRebuildsFollowTheCells)
{
    std::string error;
    std::unique_ptr<dbReader> engine = buildTissue(looseTissue(6, 5), &error);
    ASSERT_TRUE(engine) << error;
    const int n = static_cast<int>(engine->cells.size());
    for (int round = 0; round < 100; round++) {
        // The tissue moves and cells die between rebuilds.
        for (point3D* p : engine->points)
            p->x += 0.5;
        if (round % 10 == 9)
            engine->cells[round / 10]->dead = 1;
        engine->r_tree_construction(engine->bounds);
        ASSERT_TRUE(engine->rtree);
        const std::multiset<int> ids = treeIds(*engine->rtree);
        ASSERT_EQ(ids.size(), static_cast<std::size_t>(n - (round + 1) / 10));
        ASSERT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
        for (int d = 0; d < (round + 1) / 10; d++)
            ASSERT_EQ(ids.count(d), 0u);
        // Each live cell is found at its box's current centre.
        for (cell* c : engine->cells) {
            if (c->dead)
                continue;
            std::vector<int> out;
            engine->rtree->search_point((c->AABB_xmin->x + c->AABB_xmax->x) / 2,
                                        (c->AABB_ymin->y + c->AABB_ymax->y) / 2, out);
            ASSERT_NE(std::find(out.begin(), out.end(), c->id), out.end()) << "round " << round;
        }
    }
    // The engine's destructor frees the last tree.
}

TEST(RTreeConstruction, NoLiveCellsGiveAnEmptyRootLeaf)
{
    std::string error;
    std::unique_ptr<dbReader> engine = buildTissue(looseTissue(2, 2), &error);
    ASSERT_TRUE(engine) << error;
    for (cell* c : engine->cells)
        c->dead = 1;
    engine->r_tree_construction(engine->bounds);
    ASSERT_TRUE(engine->rtree);
    EXPECT_TRUE(engine->rtree->root->is_bottom);
    EXPECT_EQ(engine->rtree->root->cell_id[0], r_tree::EMPTY_SLOT);
    std::vector<int> out;
    engine->rtree->search_point(5, 5, out);
    engine->rtree->search_ellipse(5, 5, 100, 100, out);
    EXPECT_TRUE(out.empty());

    dbReader empty;
    empty.r_tree_construction(empty.bounds);
    ASSERT_TRUE(empty.rtree);
    empty.rtree->search_rectangle(-1e9, -1e9, 1e9, 1e9, out);
    EXPECT_TRUE(out.empty());
}

TEST(RTreeConstruction, RebuildShowsItsProgressDialog)
{
    std::string error;
    std::unique_ptr<dbReader> engine = buildTissue(looseTissue(3, 2), &error);
    ASSERT_TRUE(engine) << error;

    // The rebuild lets the event loop run after every insertion, which lets
    // this timer look at the dialogs on screen.
    ProgressWatch watch;
    engine->r_tree_construction(engine->bounds);
    watch.stop();

    EXPECT_EQ(watch.seen, QSet<QString>{"Simulation: R-Tree|Refresh the R-Tree of cells..."});
    EXPECT_FALSE(anyProgressVisible());
}

TEST(RTreeConstruction, CellWithoutExtremeVerticesIsNotIndexed)
{
    std::string error;
    std::unique_ptr<dbReader> engine = buildTissue(looseTissue(2, 2), &error);
    ASSERT_TRUE(engine) << error;
    // A cell whose box was never computed (no sides yet) has nothing to index.
    engine->cells.push_back(new cell(static_cast<int>(engine->cells.size())));
    engine->r_tree_construction(engine->bounds);
    ASSERT_TRUE(engine->rtree);
    EXPECT_EQ(treeIds(*engine->rtree), (std::multiset<int>{0, 1, 2, 3}));
    EXPECT_EQ(engine->rtree->insert_leaf(engine->cells.back()), nullptr);
}
