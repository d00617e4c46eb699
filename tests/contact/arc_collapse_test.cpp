// The arc collapse at a pinched point: a third cell W whose ring passes
// twice through a fused point loses the arc between its two vertices there.
// Each test pinches W by moving the kept vertex onto the removed one (as the
// fusion of the merges leaves it) and checks the ring, the dropped vertices,
// the searches' choices and the stretches of W's contacts.
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

void pinch(point3D* k, const point3D* onto)
{
    k->x = onto->x;
    k->y = onto->y;
}

// Ring vertex j of W = twentyGon(0, 0).
std::pair<double, double> at(int j)
{
    return twentyGon(0.0, 0.0).ring[static_cast<std::size_t>(j % 20)];
}

TEST(ArcCollapse, CutsTheArcAndRelinksTheKeptVertex)
{
    TissueLayout layout;
    layout.cells = {twentyGon(0.0, 0.0)};
    auto engine = buildTissue(layout);
    ASSERT_TRUE(engine);
    cell* W = engine->cells[0];
    point3D* r = vertexAt(*engine, 0, 2);
    point3D* k = vertexAt(*engine, 0, 6);
    point3D* before = r->prev;
    edge* kept = r->in_edge;
    std::vector<edge*> cut;
    for (point3D* v = r; v != k; v = v->next)
        cut.push_back(v->out_edge);
    pinch(k, r);
    ASSERT_TRUE(welding::collapse_arc(*engine, r, k, false, nullptr, nullptr, true));
    EXPECT_EQ(k->prev, before);
    EXPECT_EQ(before->next, k);
    EXPECT_EQ(k->in_edge, kept);
    EXPECT_EQ(kept->p2, k);
    for (edge* e : cut)
        EXPECT_EQ(e->in_use, 0);
    EXPECT_EQ(W->sides.size(), 16u);
    EXPECT_TRUE(W->remesh);
    // A lone vertex leaves a dead node that still lists it.
    EXPECT_FALSE(r->alive);
    EXPECT_EQ(r->node->active, 0);
    EXPECT_EQ(r->node->vertices.front(), r);
    EXPECT_TRUE(topologyIsSound(*engine));

    // Along prev k takes r's out edge; edges keep their in_use.
    engine = buildTissue(layout);
    r = vertexAt(*engine, 0, 6);
    k = vertexAt(*engine, 0, 2);
    point3D* after = r->next;
    kept = r->out_edge;
    pinch(k, r);
    ASSERT_TRUE(welding::collapse_arc(*engine, r, k, true, nullptr, nullptr, false));
    EXPECT_EQ(k->next, after);
    EXPECT_EQ(k->out_edge, kept);
    EXPECT_EQ(kept->p1, k);
    EXPECT_EQ(engine->points[3]->in_edge->in_use, 1);
    EXPECT_TRUE(topologyIsSound(*engine));

    // A vertex off its ring is refused; a cut that would leave fewer than
    // three sides removes the cell instead.
    EXPECT_FALSE(welding::collapse_arc(*engine, r, k, false, nullptr, nullptr, false));
    EXPECT_TRUE(welding::collapse_arc(*engine, engine->points[7], engine->points[2], false, nullptr,
                                      nullptr, false));
    EXPECT_TRUE(engine->cells[0]->dead);
    EXPECT_TRUE(topologyIsSound(*engine));
}

TEST(ArcCollapse, StretchesOfTheCutCellNameNoRemovedVertex)
{
    // Z is welded to W at r (single point, then also to k, as a fusion
    // leaves it) and Y along W's edge v3 -> v4 inside the arc.
    TissueLayout layout;
    layout.cells.push_back(twentyGon(0.0, 0.0));
    FixtureCell z;
    const auto p2 = at(2);
    z.ring = {p2, {p2.first + 3.0, p2.second}, {p2.first + 3.0, p2.second + 3.0}};
    FixtureCell y;
    const auto p3 = at(3);
    const auto p4 = at(4);
    y.ring = {p4, p3, {(p3.first + p4.first) * 0.65, (p3.second + p4.second) * 0.65}};
    layout.cells.push_back(z);
    layout.cells.push_back(y);
    layout.welds.push_back(FixtureWeld{0, 2, 2, 1, 0, 0});
    layout.welds.push_back(FixtureWeld{0, 3, 4, 2, 0, 1});
    auto engine = buildTissue(layout);
    ASSERT_TRUE(engine);
    point3D* r = vertexAt(*engine, 0, 2);
    point3D* k = vertexAt(*engine, 0, 6);
    point3D* zr = vertexAt(*engine, 1, 0);
    pinch(k, r);
    k->pushmp(zr);
    zr->pushmp(k);
    engine->node_merge(zr, k);
    interpair* wz = engine->interpairs[0];
    interpair* wy = engine->interpairs[1];
    edge* yEdge = vertexAt(*engine, 2, 0)->out_edge;
    ASSERT_TRUE(yEdge->bonded);

    ASSERT_TRUE(welding::collapse_arc(*engine, r, k, false, zr, nullptr, true));
    ASSERT_EQ(wz->MP.size(), 1u);
    EXPECT_EQ(wz->MP[0]->S1, k);
    EXPECT_EQ(wz->MP[0]->S2, k);
    EXPECT_TRUE(wy->MP.empty());
    EXPECT_FALSE(yEdge->bonded);
    EXPECT_EQ(zr->mp, std::vector<point3D*>{k});
    EXPECT_TRUE(topologyIsSound(*engine));
}

// W's two vertices named by the searches' lists: W is cell 0 (vertex j has
// id j), the fused vertices are absent (null), so only the choice and the
// cut are seen.
struct Searched {
    std::unique_ptr<dbReader> engine;
    point3D* v(int j) const { return engine->points[static_cast<std::size_t>(j)]; }
    int sides() const { return static_cast<int>(engine->cells[0]->sides.size()); }
};

Searched twoCells()
{
    TissueLayout layout;
    layout.cells = {twentyGon(0.0, 0.0), twentyGon(40.0, 0.0)};
    return Searched{buildTissue(layout)};
}

TEST(ArcCollapseSearch, EachMergeKeepsItsOwnChoice)
{
    // Extension, neighbours u = w.next: only w goes, u takes its in edge.
    Searched s = twoCells();
    point3D* w = s.v(3);
    point3D* u = s.v(4);
    edge* in = w->in_edge;
    pinch(u, w);
    ASSERT_TRUE(welding::collapse_extension(*s.engine, nullptr, nullptr, {w}, {u}));
    EXPECT_FALSE(w->alive);
    EXPECT_TRUE(u->alive);
    EXPECT_EQ(u->in_edge, in);
    EXPECT_EQ(s.sides(), 19);

    // Extension tie (ten steps each way): d's partner stays; only the first
    // same-cell couple is handled, a couple on another cell first is passed.
    s = twoCells();
    point3D* other = vertexAt(*s.engine, 1, 0);
    ASSERT_TRUE(welding::collapse_extension(*s.engine, nullptr, nullptr, {s.v(0), s.v(5)}, {other, s.v(10), s.v(15)}));
    EXPECT_FALSE(s.v(0)->alive);
    EXPECT_TRUE(s.v(10)->alive);
    EXPECT_FALSE(s.v(5)->alive);
    EXPECT_TRUE(s.v(15)->alive);
    EXPECT_EQ(s.sides(), 10);
    EXPECT_TRUE(other->alive);

    // Single point: the last qualifying x of the first list; a tie cuts its
    // side.
    s = twoCells();
    ASSERT_TRUE(welding::collapse_single_point(*s.engine, nullptr, nullptr, {s.v(1), s.v(2)}, {s.v(12)}));
    EXPECT_TRUE(s.v(1)->alive);
    EXPECT_FALSE(s.v(2)->alive);
    EXPECT_TRUE(s.v(12)->alive);
    EXPECT_EQ(s.sides(), 10);

    // The same vertex in both lists: nothing is cut.
    s = twoCells();
    ASSERT_TRUE(welding::collapse_extension(*s.engine, nullptr, nullptr, {s.v(1)}, {s.v(1), s.v(3)}));
    EXPECT_EQ(s.sides(), 20);

    // Two points, second member: matched in edge to out edge, walked along
    // prev; the shorter arc y .. back to x goes and x takes y's out edge.
    s = twoCells();
    point3D* x = s.v(2);
    point3D* y = s.v(5);
    edge* out = y->out_edge;
    point3D* after = y->next;
    pinch(x, y);
    ASSERT_TRUE(welding::collapse_two_point(*s.engine, nullptr, nullptr, {x}, {y}, true));
    EXPECT_TRUE(x->alive);
    EXPECT_FALSE(y->alive);
    EXPECT_FALSE(s.v(3)->alive);
    EXPECT_EQ(x->out_edge, out);
    EXPECT_EQ(x->next, after);
    EXPECT_EQ(out->p1, x);
    EXPECT_EQ(s.sides(), 17);
    EXPECT_TRUE(topologyIsSound(*s.engine));

    // Two points, first member, tie: the second list's vertex stays.
    s = twoCells();
    ASSERT_TRUE(welding::collapse_two_point(*s.engine, nullptr, nullptr, {s.v(4)}, {s.v(14)}, false));
    EXPECT_FALSE(s.v(4)->alive);
    EXPECT_TRUE(s.v(14)->alive);
}

} // namespace
