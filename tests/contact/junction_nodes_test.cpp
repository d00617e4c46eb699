// Junction nodes: which node survives a merge, how a vertex leaves its node
// for one of its own, and how a removed vertex leaves it.
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

// Four squares in a row; cells 1 and 3 are shifted so that vertex 7 (cell 1,
// ring 3) and vertex 12 (cell 3, ring 0) can be welded at one place.
TissueLayout fourSquares()
{
    TissueLayout layout;
    auto square = [](double x0, double y0) {
        FixtureCell c;
        c.ring = {{x0, y0}, {x0 + 10, y0}, {x0 + 10, y0 + 10}, {x0, y0 + 10}};
        return c;
    };
    layout.cells = {square(0, 0), square(20, 0), square(40, 0), square(20, 10)};
    return layout;
}

// Welds p and q as the welding routines do: one place, mutual partners.
void weld(dbReader& e, point3D* p, point3D* q)
{
    q->x = p->x;
    q->y = p->y;
    p->pushmp(q);
    q->pushmp(p);
    e.node_merge(p, q);
}

TEST(NodeMerge, TheSmallerVertexIdKeepsItsNode)
{
    for (bool swapped : {false, true}) {
        std::string error;
        auto e = buildTissue(fourSquares(), &error);
        ASSERT_TRUE(e) << error;
        point3D* p = e->points[7];
        point3D* q = e->points[12];
        node* kept = p->node;
        node* absorbed = q->node;
        if (swapped)
            weld(*e, q, p);
        else
            weld(*e, p, q);
        EXPECT_EQ(p->node, kept);
        EXPECT_EQ(q->node, kept);
        EXPECT_TRUE(kept->active);
        EXPECT_FALSE(absorbed->active);
        // The absorbed node still lists its former vertex.
        ASSERT_EQ(absorbed->vertices.size(), 1u);
        EXPECT_EQ(absorbed->vertices[0], q);
        EXPECT_EQ(kept->vertices[0], p); // the head stays
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST(NodeMerge, SameNodeAndSharedVerticesAreNotCountedTwice)
{
    std::string error;
    auto e = buildTissue(fourSquares(), &error);
    ASSERT_TRUE(e) << error;
    // Vertices 7 and 12 are welded into one node of two.
    point3D* v7 = e->points[7];
    point3D* v12 = e->points[12];
    point3D* v3 = e->points[3];
    point3D* v9 = e->points[9];
    weld(*e, v7, v12);
    const std::size_t nodes = e->nodes.size();
    e->node_merge(v7, v12); // already one node: nothing
    EXPECT_EQ(e->nodes.size(), nodes);
    ASSERT_EQ(v7->node->vertices.size(), 2u);

    // A node of three that lists v12 as well: merged with {7, 12} it holds
    // four vertices, not five.
    node* other = v3->node;
    other->pushvertex(v9);
    other->pushvertex(v12);
    v9->node = other;
    e->node_merge(v7, v3); // 2 + 3 with one shared vertex: 4
    EXPECT_EQ(v7->node->vertices.size(), 4u);
    EXPECT_EQ(v3->node, v7->node);
    EXPECT_EQ(v9->node, v7->node);
}

TEST(NodeRemove, ZeroGivesAVertexANodeOfItsOwn)
{
    std::string error;
    auto e = buildTissue(threeWeldedCells(), &error);
    ASSERT_TRUE(e) << error;
    // The triple junction (10, 10).
    node* junction = nullptr;
    for (node* n : e->nodes)
        if (n->active && n->vertices.size() == 3)
            junction = n;
    ASSERT_NE(junction, nullptr);
    point3D* lone = e->points[0];
    const std::size_t before = e->nodes.size();
    e->node_remove_0(lone); // alone already: no new node
    EXPECT_EQ(e->nodes.size(), before);

    point3D* p = junction->vertices[1];
    e->node_remove_0(p);
    ASSERT_EQ(e->nodes.size(), before + 1);
    EXPECT_EQ(junction->vertices.size(), 2u);
    EXPECT_EQ(p->node, e->nodes.back());
    EXPECT_EQ(p->node->id, static_cast<int>(before));
    EXPECT_TRUE(p->node->active);
    ASSERT_EQ(p->node->vertices.size(), 1u);
}

TEST(NodeRemove, OneTakesARemovedVertexOut)
{
    std::string error;
    auto e = buildTissue(twoWeldedCells(), &error);
    ASSERT_TRUE(e) << error;
    point3D* single = e->points[0];
    node* n = single->node;
    e->node_remove_1(single);
    EXPECT_FALSE(single->alive);
    EXPECT_FALSE(n->active);
    EXPECT_EQ(single->node, n); // keeps pointing at the dead node

    point3D* welded = vertexAt(*e, 0, 2);
    node* shared = welded->node;
    ASSERT_EQ(shared->vertices.size(), 2u);
    e->node_remove_1(welded);
    EXPECT_FALSE(welded->alive);
    EXPECT_EQ(welded->node, nullptr);
    EXPECT_TRUE(shared->active);
    ASSERT_EQ(shared->vertices.size(), 1u);
    EXPECT_NE(shared->vertices[0], welded);
}

} // namespace
