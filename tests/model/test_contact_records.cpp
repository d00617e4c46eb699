// Contact, junction and mesh records: list rules, stretch ownership and the
// closed-stretch test.
#include "model/dbreader.h"
#include "support/tissue_fixture.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

TEST(ContactRecords, NewRecordsHoldTheirInitialValues)
{
    point3D p(0, 0, 0), q(1, 0, 0);
    mergepair m(3, &p, &p, &q, &q);
    EXPECT_EQ(m.adhesion_load_S1 + m.adhesion_load_S2 + m.adhesion_load_T1 + m.adhesion_load_T2, 0.0);
    EXPECT_EQ(m.friction1 + m.friction2, 0.0);
    EXPECT_EQ(m.friction_state, mergepair::FRICTION_UNSET);
    EXPECT_EQ(m.friction_state, -1);

    triangle t(0, &p, &q, &p);
    EXPECT_EQ(t.ear, 0);
    for (auto& row : t.sm)
        for (double d : row)
            EXPECT_EQ(d, 0.0);

    node n(2);
    EXPECT_EQ(n.active, node::NODE_ACTIVE);
    EXPECT_TRUE(n.vertices.empty());

    cell a(0), b(1);
    interpair pair(5, &a, &b);
    EXPECT_EQ(pair.removed + pair.merged + pair.spare_flag, 0);
    EXPECT_TRUE(pair.MP.empty());

    rear_fc r(1);
    EXPECT_EQ(r.self_record, 0);
    EXPECT_TRUE(r.NCs.empty());
}

TEST(ContactRecords, NodeAndNeighbourListRules)
{
    point3D a(0, 0, 0), b(1, 0, 0), c(2, 0, 0);
    node n(0);
    n.pushvertex(&a);
    n.pushvertex(&a);
    EXPECT_EQ(n.vertices.size(), 1u);
    EXPECT_EQ(a.node, nullptr);  // the caller sets the back-pointer
    EXPECT_EQ(a.in_node, 0);
    n.pushvertex(&b);
    n.pushvertex(&c);
    n.removevertex(&a);
    EXPECT_EQ(n.vertices, (std::vector<point3D*>{&b, &c}));
    n.removevertex(&a);
    EXPECT_EQ(n.vertices.size(), 2u);
    n.removevertex(&c);
    n.removevertex(&b);
    EXPECT_TRUE(n.vertices.empty());
    EXPECT_EQ(n.active, node::NODE_ACTIVE);  // the caller deactivates an emptied node

    cell x(0), y(1), z(2);
    rear_fc r(0);
    r.clear_NCs();
    r.push_NCs(&x);
    r.push_NCs(&y);
    r.push_NCs(&x);
    r.push_NCs(&z);
    EXPECT_EQ(r.NCs, (std::vector<cell*>{&x, &y, &z}));
    r.remove_NCs(&x);
    EXPECT_EQ(r.NCs, (std::vector<cell*>{&y, &z}));
    r.remove_NCs(&z);
    EXPECT_EQ(r.NCs, (std::vector<cell*>{&y}));
    r.clear_NCs();
    EXPECT_TRUE(r.NCs.empty());
}

TEST(ContactRecords, RemoveMPDeletesItsArgumentListedOrNot)
{
    cell a(0), b(1);
    point3D p(0, 0, 0), q(1, 0, 0);
    interpair pair(0, &a, &b);
    auto* m0 = new mergepair(0, &p, &p, &q, &q);
    auto* m1 = new mergepair(1, &p, &p, &q, &q);
    auto* m2 = new mergepair(2, &p, &p, &q, &q);
    pair.MP = {m0, m1, m2};
    pair.remove_MP(m0);
    EXPECT_EQ(pair.MP, (std::vector<mergepair*>{m1, m2}));
    pair.remove_MP(new mergepair(9, &p, &p, &q, &q));  // not listed: deleted all the same
    EXPECT_EQ(pair.MP.size(), 2u);
    pair.remove_MP(nullptr);
    EXPECT_EQ(pair.MP.size(), 2u);
    pair.remove_MP(m2);
    EXPECT_EQ(pair.MP, (std::vector<mergepair*>{m1}));
    // m1 is freed by the pair's destructor (LeakSanitizer checks it).
}

TEST(ContactRecords, CheckDetectionLooksBeyondTheEndsOfTheFirstStretch)
{
    auto engine = buildTissue(twoWeldedCells());
    ASSERT_TRUE(engine);
    interpair* pair = engine->interpairs[0];
    cell* c0 = engine->cells[0];
    cell* c1 = engine->cells[1];
    EXPECT_FALSE(pair->check_detection());  // the stretch can still grow at its ends

    cell spare(7);
    interpair empty(9, c0, &spare);
    EXPECT_FALSE(empty.check_detection());

    // Bond every side of both cells: all four continuing edges are welded.
    for (edge* e : c0->sides)
        e->bonded = edge::BONDED;
    for (edge* e : c1->sides)
        e->bonded = edge::BONDED;
    EXPECT_TRUE(pair->check_detection());
    sideAt(*engine, 1, 0)->bonded = edge::FREE;  // beyond T2: cell 1, vertex 0 -> 1
    EXPECT_FALSE(pair->check_detection());

    // Only MP[0] counts: a closed second stretch does not make it true.
    point3D* P = vertexAt(*engine, 0, 4);  // (0,10): edges 3 and 4 of cell 0
    point3D* Q = vertexAt(*engine, 1, 2);  // (20,10): edges 1 and 2 of cell 1
    pair->MP.push_back(new mergepair(1, P, P, Q, Q));
    EXPECT_FALSE(pair->check_detection());

    // Single point (P, P, Q, Q) first: both edges at P and both at Q.
    std::swap(pair->MP[0], pair->MP[1]);
    EXPECT_TRUE(pair->check_detection());
    sideAt(*engine, 0, 3)->bonded = edge::FREE;  // in-edge of P
    EXPECT_FALSE(pair->check_detection());
    sideAt(*engine, 0, 3)->bonded = edge::BONDED;
    sideAt(*engine, 1, 2)->bonded = edge::FREE;  // out-edge of Q
    EXPECT_FALSE(pair->check_detection());
}

TEST(ContactRecords, CheckDetectionOfAnEndWithoutItsRingEdgeIsFalse)
{
    auto engine = buildTissue(twoWeldedCells());
    ASSERT_TRUE(engine);
    interpair* pair = engine->interpairs[0];
    for (cell* c : engine->cells)
        for (edge* e : c->sides)
            e->bonded = edge::BONDED;
    ASSERT_TRUE(pair->check_detection());
    // A broken ring leaves an end without the edge beyond it: not closed.
    mergepair* m = pair->MP[0];
    edge* kept = m->T2->out_edge;
    m->T2->out_edge = nullptr;
    EXPECT_FALSE(pair->check_detection());
    m->T2->out_edge = kept;
    kept = m->S1->in_edge;
    m->S1->in_edge = nullptr;
    EXPECT_FALSE(pair->check_detection());
    m->S1->in_edge = kept;
}

TEST(ContactRecords, StiffnessBlockForgetsItsCarriers)
{
    point3D a(0, 0, 0), b(1, 1, 0);
    auto* block = new le_sm(0);
    block->a = &a;
    block->b = &b;
    a.node_sm.push_back(block);
    b.node_sm.push_back(block);
    a.node_sm_count = 1;
    a.clear_node_sm();
    EXPECT_TRUE(a.node_sm.empty());
    EXPECT_EQ(b.node_sm.size(), 1u);  // the block is not deleted by the list
    delete block;
    b.node_sm.clear();
}

// Records that own what they point to cannot be copied, so nothing they own
// can be deleted twice.
static_assert(!std::is_copy_constructible_v<cell> && !std::is_copy_assignable_v<cell>);
static_assert(!std::is_copy_constructible_v<interpair> && !std::is_copy_assignable_v<interpair>);
