// The fixture builder and the topology checker: sound fixtures pass, and every
// invariant broken on purpose is named with the records involved.
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<dbReader> build(const TissueLayout& layout)
{
    std::string error;
    auto engine = buildTissue(layout, &error);
    EXPECT_TRUE(engine) << error;
    return engine;
}

// The faults of one kind, as text, for messages that name the records.
std::string faultsOf(const std::vector<TopologyFault>& faults, TopologyInvariant kind)
{
    std::string text;
    for (const auto& f : faults)
        if (f.invariant == kind)
            text += f.what + "\n";
    return text;
}

} // namespace

TEST(TopologyKit, TwoWeldedCellsAreBuiltSound)
{
    auto r = build(twoWeldedCells());
    ASSERT_TRUE(r);
    EXPECT_TRUE(topologyIsSound(*r));
    EXPECT_EQ(r->points.size(), 10u);
    EXPECT_EQ(r->edges.size(), 10u);
    ASSERT_EQ(r->interpairs.size(), 1u);
    // Three welded pairs of vertices and four lone vertices.
    EXPECT_EQ(r->nodes.size(), 7u);
    const interpair* pair = r->interpairs[0];
    EXPECT_EQ(pair->cell1, r->cells[0]);
    ASSERT_EQ(pair->MP.size(), 1u);
    EXPECT_EQ(pair->MP[0]->S1, vertexAt(*r, 0, 1));
    EXPECT_EQ(pair->MP[0]->S2, vertexAt(*r, 0, 3));
    EXPECT_EQ(pair->MP[0]->T1, vertexAt(*r, 1, 3));
    EXPECT_EQ(pair->MP[0]->T2, vertexAt(*r, 1, 0));
    EXPECT_EQ(sideAt(*r, 0, 1)->partner, sideAt(*r, 1, 4));
    EXPECT_EQ(sideAt(*r, 0, 2)->partner, sideAt(*r, 1, 3));
    EXPECT_EQ(sideAt(*r, 0, 0)->bonded, edge::FREE);
    EXPECT_EQ(vertexAt(*r, 0, 2)->node, vertexAt(*r, 1, 4)->node);
    EXPECT_DOUBLE_EQ(r->cells[0]->area, 100.0);
    EXPECT_EQ(r->collision_state, dbReader::COLLISION_ESTABLISHED);
}

TEST(TopologyKit, ThreeCellsMeetInATripleJunction)
{
    auto r = build(threeWeldedCells());
    ASSERT_TRUE(r);
    EXPECT_TRUE(topologyIsSound(*r));
    EXPECT_EQ(r->interpairs.size(), 3u);
    const node* junction = vertexAt(*r, 0, 2)->node;
    EXPECT_EQ(junction->vertices.size(), 3u);
    EXPECT_EQ(vertexAt(*r, 1, 3)->node, junction);
    EXPECT_EQ(vertexAt(*r, 2, 1)->node, junction);
    EXPECT_EQ(vertexAt(*r, 0, 2)->mp.size(), 2u);
}

TEST(TopologyKit, SinglePointWeldAndAReversedWeld)
{
    // Two squares touching at one corner, then a second weld given from cell 1.
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, 0});
    layout.welds.push_back({0, 2, 2, 1, 0, 0});
    auto r = build(layout);
    ASSERT_TRUE(r);
    EXPECT_TRUE(topologyIsSound(*r));
    EXPECT_EQ(r->interpairs[0]->MP[0]->S1, r->interpairs[0]->MP[0]->S2);

    TissueLayout three = threeWeldedCells();
    std::swap(three.welds[0].cell1, three.welds[0].cell2);  // described from cell 1
    std::swap(three.welds[0].s1, three.welds[0].t1);
    std::swap(three.welds[0].s2, three.welds[0].t2);
    three.welds.push_back({1, 0, 0, 0, 1, 1});  // a second stretch of that pair, from cell 1
    auto t = build(three);
    ASSERT_TRUE(t);
    EXPECT_TRUE(topologyIsSound(*t));
}

TEST(TopologyKit, BuilderRefusesInconsistentSpecs)
{
    std::string error;
    TissueLayout cw = singleSquare();
    std::reverse(cw.cells[0].ring.begin(), cw.cells[0].ring.end());
    EXPECT_FALSE(buildTissue(cw, &error));
    EXPECT_NE(error.find("counter-clockwise"), std::string::npos);

    TissueLayout uneven = twoWeldedCells();
    uneven.welds[0].t2 = 4;
    EXPECT_FALSE(buildTissue(uneven, &error));

    TissueLayout apart = twoWeldedCells();
    apart.cells[1].ring[4].first = 10.5;
    EXPECT_FALSE(buildTissue(apart, &error));
    EXPECT_NE(error.find("is not on"), std::string::npos);

    TissueLayout twice = twoWeldedCells();
    twice.welds.push_back(twice.welds[0]);
    EXPECT_FALSE(buildTissue(twice, &error));
}

TEST(TopologyChecker, NamesBrokenIds)
{
    auto r = build(twoWeldedCells());
    r->edges[3]->id = 8;
    const auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Ids));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Ids).find("edge at index 3 has id 8"), std::string::npos);
}

TEST(TopologyChecker, NamesABrokenRing)
{
    auto r = build(twoWeldedCells());
    vertexAt(*r, 0, 0)->next = vertexAt(*r, 0, 2);
    auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Ring));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Ring).find("vertex 0: next is not vertex 1"), std::string::npos);

    auto s = build(twoWeldedCells());
    s->cells[1]->removeside(sideAt(*s, 1, 2));  // a gap in cell 1's ring
    faults = checkTopology(*s);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Ring));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Ring).find("cell 1"), std::string::npos);

    auto t = build(twoWeldedCells());
    sideAt(*t, 0, 0)->cell = t->cells[1];
    EXPECT_TRUE(hasFault(checkTopology(*t), TopologyInvariant::Ring));
}

TEST(TopologyChecker, NamesAClockwiseRing)
{
    auto r = build(singleSquare());
    for (point3D* p : r->points)
        p->y = -p->y;
    const auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Orientation));
    EXPECT_EQ(faults.size(), 1u) << describeFaults(faults);
}

TEST(TopologyChecker, NamesBrokenPartners)
{
    auto r = build(twoWeldedCells());
    vertexAt(*r, 1, 4)->removemp(vertexAt(*r, 0, 2));  // one-sided weld
    auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Partners));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Partners).find("vertex 2 lists 9 but not the reverse"),
              std::string::npos);

    auto s = build(twoWeldedCells());
    vertexAt(*s, 1, 4)->x += 0.5;  // partners apart
    EXPECT_TRUE(hasFault(checkTopology(*s), TopologyInvariant::Partners));

    auto t = build(twoWeldedCells());
    vertexAt(*t, 0, 0)->mp.push_back(vertexAt(*t, 0, 0));  // itself
    EXPECT_TRUE(hasFault(checkTopology(*t), TopologyInvariant::Partners));
}

TEST(TopologyChecker, NamesBrokenNodes)
{
    auto r = build(twoWeldedCells());
    // Vertex 9 leaves its junction for a node of its own while still welded.
    point3D* v = vertexAt(*r, 1, 4);
    v->node->removevertex(v);
    auto* fresh = new node(static_cast<int>(r->nodes.size()));
    r->nodes.push_back(fresh);
    fresh->pushvertex(v);
    v->node = fresh;
    auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Nodes));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Nodes).find("welded vertices 9 and 2 are in different nodes"),
              std::string::npos);

    auto s = build(twoWeldedCells());
    vertexAt(*s, 0, 0)->node = nullptr;
    EXPECT_TRUE(hasFault(checkTopology(*s), TopologyInvariant::Nodes));

    auto t = build(twoWeldedCells());
    vertexAt(*t, 0, 0)->node->active = node::NODE_DEAD;
    EXPECT_TRUE(hasFault(checkTopology(*t), TopologyInvariant::Nodes));
}

TEST(TopologyChecker, NamesBrokenBonds)
{
    auto r = build(twoWeldedCells());
    sideAt(*r, 1, 4)->partner = sideAt(*r, 0, 2);  // no longer points back to edge 1
    auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Bonds));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Bonds).find("edge 1 names partner 9"), std::string::npos);

    auto s = build(twoWeldedCells());
    s->interpairs[0]->remove_MP(s->interpairs[0]->MP[0]);  // a bonded pair without stretch
    faults = checkTopology(*s);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Bonds));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Bonds).find("has no stretch"), std::string::npos);

    auto t = build(twoWeldedCells());
    sideAt(*t, 0, 1)->partner->bonded = edge::FREE;
    EXPECT_TRUE(hasFault(checkTopology(*t), TopologyInvariant::Bonds));
}

TEST(TopologyChecker, NamesBrokenStretches)
{
    auto r = build(twoWeldedCells());
    mergepair* m = r->interpairs[0]->MP[0];
    std::swap(m->S1, m->S2);  // S1 now sits on T1, not on T2
    auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Stretches));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Stretches).find("S1 (vertex 3) is not welded to T2 (vertex 5)"),
              std::string::npos);

    auto s = build(twoWeldedCells());
    s->interpairs[0]->MP[0]->T1 = vertexAt(*s, 0, 0);  // an end on the wrong cell
    EXPECT_TRUE(hasFault(checkTopology(*s), TopologyInvariant::Stretches));
}

TEST(TopologyChecker, NamesBrokenPairs)
{
    auto r = build(threeWeldedCells());
    r->cells[2]->removepair(r->interpairs[2]);
    auto faults = checkTopology(*r);
    EXPECT_TRUE(hasFault(faults, TopologyInvariant::Pairs));
    EXPECT_NE(faultsOf(faults, TopologyInvariant::Pairs).find("cell 2 lists pair 2 0 times"), std::string::npos);

    auto s = build(threeWeldedCells());
    s->cells[0]->pairs.push_back(s->interpairs[2]);  // a pair of cells 1 and 2
    EXPECT_TRUE(hasFault(checkTopology(*s), TopologyInvariant::Pairs));
}

TEST(TopologyChecker, DeadRecordsAreNotHeldToTheInvariants)
{
    auto r = build(twoWeldedCells());
    // Cell 1 leaves the tissue the way the death stage leaves it.
    cell* gone = r->cells[1];
    gone->dead = 1;
    for (edge* e : gone->sides) {
        e->p1->alive = point3D::VERTEX_DEAD;
        if (e->partner) {
            e->partner->bonded = edge::FREE;
            e->partner->partner = nullptr;
        }
    }
    for (point3D* p : r->points) {
        if (p->alive)
            continue;
        for (point3D* q : p->mp)
            q->removemp(p);
        p->node->removevertex(p);
        if (p->node->vertices.empty())
            p->node->active = node::NODE_DEAD;
    }
    r->interpairs[0]->removed = 1;
    r->cells[0]->removepair(r->interpairs[0]);
    EXPECT_TRUE(topologyIsSound(*r));
}
