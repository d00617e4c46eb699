// Removal of dead cells: what a removed cell leaves behind, how dying cells
// group into gaps, which survivors are paired across a gap, and the
// self-crossing test of a boundary.
#include "contact/welding.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

constexpr double kSide = 12.0;  // four sides of 3.0 per rectangle side

// A 12 x 12 square at (x0, 0) with four vertices per side, so that the
// mesher gives it inner points next to its boundary.
FixtureCell finerSquare(double x0)
{
    FixtureCell c;
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0 + 3.0 * i, 0.0});
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0 + kSide, 3.0 * i});
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0 + kSide - 3.0 * i, kSide});
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0, kSide - 3.0 * i});
    return c;
}

// `count` such squares in a row, square k at x = k * 12, placed as cell
// order[k] (a permutation of 0..count-1); neighbours in the row are welded
// along their whole common side.
TissueLayout squareRow(std::vector<int> order)
{
    const int count = static_cast<int>(order.size());
    TissueLayout layout;
    layout.cells.resize(count);
    for (int k = 0; k < count; ++k)
        layout.cells[order[k]] = finerSquare(kSide * k);
    for (int k = 0; k + 1 < count; ++k)
        layout.welds.push_back(FixtureWeld{order[k], 4, 8, order[k + 1], 12, 0});
    return layout;
}

TissueLayout squareRow(int count)
{
    std::vector<int> order;
    for (int k = 0; k < count; ++k)
        order.push_back(k);
    return squareRow(order);
}

std::unique_ptr<dbReader> build(const TissueLayout& layout, bool meshed = false)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    if (e && meshed)
        e->cell_mesh_generation(0);
    return e;
}

// The live pairs of the engine as sets of cell ids, smaller first.
std::set<std::pair<int, int>> livePairs(const dbReader& e)
{
    std::set<std::pair<int, int>> out;
    for (interpair* p : e.interpairs)
        if (!p->removed)
            out.insert({std::min(p->cell1->id, p->cell2->id), std::max(p->cell1->id, p->cell2->id)});
    return out;
}

// Pairs made after the first `before` ones, as cell-id pairs (smaller
// first), in order of creation.
std::vector<std::pair<int, int>> newPairs(const dbReader& e, std::size_t before)
{
    std::vector<std::pair<int, int>> out;
    for (std::size_t i = before; i < e.interpairs.size(); ++i) {
        const int a = e.interpairs[i]->cell1->id, b = e.interpairs[i]->cell2->id;
        out.push_back({std::min(a, b), std::max(a, b)});
    }
    return out;
}

// What every caller may rely on once c is removed.
void expectRemoved(const dbReader& e, const cell* c)
{
    EXPECT_TRUE(c->dead);
    EXPECT_FALSE(c->dying);
    for (edge* s : c->sides) {
        point3D* v = s->p1;
        EXPECT_FALSE(v->alive) << "vertex " << v->id;
        EXPECT_TRUE(!v->node || (!v->node->active && v->node->vertices.size() == 1)) << "vertex " << v->id;
        // Dead vertices keep their own lists (a group's members list each other).
        for (point3D* q : e.points) {
            if (!q->alive)
                continue;
            for (point3D* m : q->mp)
                EXPECT_NE(m, v) << "vertex " << q->id << " still lists " << v->id;
        }
    }
    for (cell* o : e.cells) {
        if (o->dead)
            continue;
        for (edge* f : o->sides) {
            EXPECT_FALSE(f->partner && f->partner->cell == c) << "edge " << f->id << " still bonded to the removed cell";
        }
    }
    for (interpair* q : c->pairs) {
        EXPECT_TRUE(q->removed);
        cell* o = q->cell1 == c ? q->cell2 : q->cell1;
        if (!o->dead) {
            for (interpair* r : o->pairs)
                EXPECT_NE(r, q);
        }
    }
    EXPECT_TRUE(topologyIsSound(e));
}

TEST(CellDeathResponse, TheCellLeavesEveryWeldJunctionAndContact)
{
    // The top cell of a triple junction, and the middle one of a row.
    for (int which : {0, 1}) {
        auto e = which == 0 ? build(threeWeldedCells()) : build(squareRow(3));
        ASSERT_TRUE(e);
        cell* c = e->cells[which == 0 ? 2 : 1];
        const auto sides = c->sides;
        const auto pairs = c->pairs;
        e->cell_death_response(c);
        expectRemoved(*e, c);
        // Its own lists are left as they were.
        EXPECT_EQ(c->sides, sides);
        EXPECT_EQ(c->pairs, pairs);
        // Without a mesh nothing is triangulated; the triple junction's
        // survivors are paired already.
        EXPECT_EQ(e->interpairs.size(), which == 0 ? 3u : 2u);
    }
}

TEST(CellDeathResponse, SurvivorsAcrossTheGapArePairedOnceAndADeadCellIsLeftAlone)
{
    // Meshed: the two outer cells face each other across the gap.
    auto e = build(squareRow(3), true);
    ASSERT_TRUE(e);
    const std::size_t before = e->interpairs.size();
    e->cell_death_response(e->cells[1]);
    expectRemoved(*e, e->cells[1]);
    EXPECT_EQ(newPairs(*e, before), (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_TRUE(e->interpairs.back()->MP.empty());

    // Removing it again changes nothing.
    const std::size_t after = e->interpairs.size();
    e->cell_death_response(e->cells[1]);
    EXPECT_EQ(e->interpairs.size(), after);
    EXPECT_TRUE(topologyIsSound(*e));

    // A removed pair between the survivors blocks a new one.
    auto f = build(squareRow(3), true);
    interpair* old = welding::new_pair(*f, f->cells[0], f->cells[2]);
    old->removed = 1;
    const std::size_t count = f->interpairs.size();
    f->cell_death_response(f->cells[1]);
    EXPECT_EQ(f->interpairs.size(), count);

    // A lone cell has no survivor to pair.
    auto g = build(singleSquare(), true);
    g->cell_death_response(g->cells[0]);
    EXPECT_TRUE(g->interpairs.empty());
    EXPECT_TRUE(g->cells[0]->dead);
    EXPECT_TRUE(topologyIsSound(*g));
}

TEST(CellDeathResponse, MigratingSurvivorsArePairedWithEveryOtherDirectly)
{
    // A row of five, the middle one removed: without a mesh only the direct
    // pairing acts. 2's neighbours are 1 and 3.
    for (int migrating : {0, 1, 2}) {
        auto e = build(squareRow(5));
        ASSERT_TRUE(e);
        if (migrating >= 1)
            e->cells[1]->migrating = 1;
        if (migrating == 2)
            e->cells[3]->migrating = 1;
        const std::size_t before = e->interpairs.size();
        e->cell_death_response(e->cells[2]);
        const auto made = newPairs(*e, before);
        if (migrating == 0) {
            EXPECT_TRUE(made.empty());
        } else {
            EXPECT_EQ(made, (std::vector<std::pair<int, int>>{{1, 3}})) << migrating;
        }
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST(CellDeathCorrection, WeldedDyingCellsLeaveAsOneGap)
{
    // Row 0 1 2 3 with 1 and 2 dying and 0 migrating: as one gap the
    // survivors 0 and 3 are paired; as two gaps (no stretch or a removed
    // contact between 1 and 2) each gap has one survivor and nothing pairs.
    enum Link { Welded, NoStretch, Removed };
    for (Link link : {Welded, NoStretch, Removed}) {
        auto e = build(squareRow(4));
        ASSERT_TRUE(e);
        interpair* p12 = welding::find_pair(e->cells[1], e->cells[2]);
        ASSERT_TRUE(p12);
        if (link == NoStretch) {
            while (!p12->MP.empty())
                p12->remove_MP(p12->MP.front());
        } else if (link == Removed) {
            p12->removed = 1;
        }
        e->cells[0]->migrating = 1;
        e->cells[1]->dying = 1;
        e->cells[2]->dying = 1;
        const std::size_t before = e->interpairs.size();
        e->cell_death_correction();
        for (int d : {1, 2}) {
            EXPECT_TRUE(e->cells[d]->dead);
            EXPECT_FALSE(e->cells[d]->dying);
        }
        const auto made = newPairs(*e, before);
        if (link == Welded) {
            EXPECT_EQ(made, (std::vector<std::pair<int, int>>{{0, 3}}));
        } else {
            EXPECT_TRUE(made.empty()) << link;
        }
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST(CellDeathCorrection, ACellTouchingTwoGroupsMergesThemAndADeadCellIsSkipped)
{
    // Along the row: 0, A = 1, C = 3, B = 2, 4. A and B (met first) make two
    // groups; C welds to both and merges them, so 0 (migrating) and 4 face
    // each other across one gap.
    auto e = build(squareRow({0, 1, 3, 2, 4}));
    ASSERT_TRUE(e);
    e->cells[0]->migrating = 1;
    for (int d : {1, 2, 3})
        e->cells[d]->dying = 1;
    // A cell already dead is skipped even when marked.
    auto f = build(squareRow(3));
    f->cells[1]->dead = 1;
    f->cells[1]->dying = 1;
    const std::size_t fBefore = f->interpairs.size();
    f->cell_death_correction();
    EXPECT_TRUE(f->cells[1]->dying);
    EXPECT_TRUE(f->points[f->cells[1]->sides[0]->p1->id]->alive);
    EXPECT_EQ(f->interpairs.size(), fBefore);

    const std::size_t before = e->interpairs.size();
    e->cell_death_correction();
    EXPECT_EQ(newPairs(*e, before), (std::vector<std::pair<int, int>>{{0, 4}}));
    for (int d : {1, 2, 3})
        expectRemoved(*e, e->cells[d]);
}

TEST(CellDeathCorrection, MeshedSurvivorsArePairedByTheTriangulation)
{
    // A row of three with cell 3 on top of the middle one, welded at its
    // lower corners to 0 and 2 as well. The middle cell dies: of its
    // survivors 0, 2 and 3 only 0 and 2 have no contact yet.
    TissueLayout layout = squareRow(3);
    FixtureCell top = finerSquare(kSide);
    for (auto& v : top.ring)
        v.second += kSide;
    layout.cells.push_back(top);
    layout.welds.push_back(FixtureWeld{1, 8, 12, 3, 0, 4});
    layout.welds.push_back(FixtureWeld{0, 8, 8, 3, 0, 0});
    layout.welds.push_back(FixtureWeld{2, 12, 12, 3, 4, 4});
    auto e = build(layout, true);
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    e->cells[1]->dying = 1;
    const std::size_t before = e->interpairs.size();
    e->cell_death_correction();
    expectRemoved(*e, e->cells[1]);
    EXPECT_EQ(newPairs(*e, before), (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(livePairs(*e), (std::set<std::pair<int, int>>{{0, 2}, {0, 3}, {2, 3}}));
}

TEST(CellSelfCollision, OnlyACrossingOfNonAdjacentSidesCounts)
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{0, 0}, {10, 0}, {5, 8}}, 0});
    layout.cells.push_back(FixtureCell{{{20, 0}, {30, 0}, {30, 10}, {25, 15}, {20, 10}}, 0});
    auto e = build(layout);
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->cell_self_collision(e->cells[0], 0));
    EXPECT_FALSE(e->cell_self_collision(e->cells[1], 0));
    // Vertex 3 pulled below side 0: side 2 crosses side 0.
    point3D* v = vertexAt(*e, 1, 3);
    v->x = 25.0;
    v->y = -5.0;
    EXPECT_TRUE(e->cell_self_collision(e->cells[1], 0));
    // A triangle never crosses itself, even folded flat.
    vertexAt(*e, 0, 2)->y = -8.0;
    EXPECT_FALSE(e->cell_self_collision(e->cells[0], 0));
}

} // namespace
