// The unwelding responses on small welded tissues: which ends of a weld let
// go, where the stretches move, the separation pushes, the collapse of a
// short junction edge and its refusals, and the failures that must end the
// step instead of leaving a half-undone weld.
#include "mechanics_env.h"

#include "contact/welding.h"

#include <functional>

namespace {

class Unwelding : public MechanicsTest {};

bool partners(const point3D* a, const point3D* b)
{
    auto has = [](const point3D* x, const point3D* y) {
        for (const point3D* q : x->mp)
            if (q == y)
                return true;
        return false;
    };
    return has(a, b) && has(b, a);
}

// Two squares side by side sharing the one edge (10,0)-(10,10).
TissueLayout sharedEdge(double adhesion)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}}, 0});
    layout.welds.push_back({0, 1, 2, 1, 3, 0, adhesion});
    return layout;
}

// Cells 0 and 1 share (10,0)-(10,10); cell 2 sits on cell 1 along y = 10 and
// touches cell 0 only at (10,10).
TissueLayout pointTouch()
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}}, 0});
    layout.cells.push_back({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, 0});
    layout.welds.push_back({0, 1, 2, 1, 3, 0, 2.0});
    layout.welds.push_back({1, 2, 3, 2, 0, 1});
    layout.welds.push_back({0, 2, 2, 2, 0, 0});
    return layout;
}

// A short shared edge (10,0)-(10,2) between B (cell 0, left) and A (cell 1,
// right) under X (cell 2); W (cell 3) below welds to both at (10,0). `reach`
// is the half width of A and B.
TissueLayout shortJunctionEdge(double reach, bool fourCells)
{
    const double l = 10 - reach, r = 10 + reach;
    TissueLayout layout;
    layout.cells.push_back({{{l, 0}, {10, 0}, {10, 2}, {l, 2}}, 0});  // B
    layout.cells.push_back({{{10, 0}, {r, 0}, {r, 2}, {10, 2}}, 0});  // A
    if (fourCells) {
        layout.cells.push_back({{{10, 2}, {r, 2}, {r, 5}, {10, 5}}, 0});  // X over A
        layout.cells.push_back({{{l, 2}, {10, 2}, {10, 5}, {l, 5}}, 0});  // Y over B
    } else {
        layout.cells.push_back({{{l, 2}, {10, 2}, {r, 2}, {r, 5}, {l, 5}}, 0});  // X
        layout.cells.push_back({{{l, -3}, {r, -3}, {r, 0}, {10, 0}, {l, 0}}, 0});  // W
    }
    layout.welds.push_back({1, 3, 0, 0, 1, 2});  // A-B: P = (10,2) is S1
    if (fourCells) {
        layout.welds.push_back({1, 2, 3, 2, 0, 1});  // A-X
        layout.welds.push_back({0, 2, 3, 3, 0, 1});  // B-Y
        layout.welds.push_back({2, 3, 0, 3, 1, 2});  // X-Y
    } else {
        layout.welds.push_back({1, 2, 3, 2, 1, 2});  // A-X
        layout.welds.push_back({0, 2, 3, 2, 0, 1});  // B-X
        layout.welds.push_back({3, 2, 3, 1, 0, 1});  // W-A
        layout.welds.push_back({3, 3, 4, 0, 0, 1});  // W-B
    }
    return layout;
}

TEST_F(Unwelding, AnUnweldedEdgeLetsGoOfItsEndsAsTheWeldAroundItSays)
{
    {
        SCOPED_TRACE("the whole stretch, free on both sides");
        auto e = fixtureTissue(sharedEdge(2.0));
        point3D* A1 = vertexAt(*e, 0, 1);
        point3D* A2 = vertexAt(*e, 0, 2);
        point3D* B1 = vertexAt(*e, 1, 3);
        point3D* B2 = vertexAt(*e, 1, 0);
        A1->tension_next[0] = 1.0;  // moves A1 by 0.1 in x
        interpair* pr = e->interpairs[0];
        EXPECT_EQ(e->edge_response_b0(sideAt(*e, 0, 1)), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_TRUE(pr->MP.empty());
        EXPECT_FALSE(pr->removed);
        EXPECT_FALSE(sideAt(*e, 0, 1)->bonded);
        EXPECT_FALSE(sideAt(*e, 1, 3)->bonded);
        for (point3D* v : {A1, A2, B1, B2})
            EXPECT_TRUE(v->mp.empty());
        EXPECT_NE(A1->node, B2->node);
        EXPECT_NE(A2->node, B1->node);
        EXPECT_DOUBLE_EQ(A1->x, 10.1);
        // Pushed apart by adhesion / 20 across the edge: A into A, B into B.
        for (point3D* v : {A1, A2}) {
            EXPECT_LT(v->separation_force[0], 0.0);
            EXPECT_NEAR(std::hypot(v->separation_force[0], v->separation_force[1]), 0.1, 1e-12);
        }
        for (int i = 0; i < 2; ++i) {
            EXPECT_DOUBLE_EQ(B1->separation_force[i], -A1->separation_force[i]);
            EXPECT_DOUBLE_EQ(B2->separation_force[i], -A2->separation_force[i]);
        }
    }
    {
        SCOPED_TRACE("the start of a longer stretch");
        auto e = fixtureTissue(twoWeldedCells());
        point3D* A2 = vertexAt(*e, 0, 2);
        point3D* B1 = vertexAt(*e, 1, 4);
        A2->adhesion_load = 3.0;
        B1->adhesion_load = 4.0;
        EXPECT_EQ(e->edge_response_b0(sideAt(*e, 0, 1)), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        mergepair* m = e->interpairs[0]->MP[0];
        EXPECT_EQ(m->S1, A2);
        EXPECT_EQ(m->T2, B1);
        EXPECT_EQ(m->adhesion_load_S1, 3.0);
        EXPECT_EQ(m->adhesion_load_T2, 4.0);
        EXPECT_TRUE(vertexAt(*e, 0, 1)->mp.empty());
        EXPECT_TRUE(partners(A2, B1));
        EXPECT_EQ(vertexAt(*e, 1, 0)->separation_force[1], 0.0);
        EXPECT_GT(vertexAt(*e, 1, 0)->separation_force[0], 0.0);
        EXPECT_EQ(A2->separation_force[0], 0.0);
    }
    {
        SCOPED_TRACE("a three-cell junction: cell 1 stays with cell 2");
        auto e = fixtureTissue(pointTouch());
        point3D* A2 = vertexAt(*e, 0, 2);
        point3D* B1 = vertexAt(*e, 1, 3);
        point3D* Z = vertexAt(*e, 2, 0);
        EXPECT_EQ(e->edge_response_b0(sideAt(*e, 0, 1)), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_TRUE(A2->mp.empty());
        EXPECT_EQ(A2->node->vertices.size(), 1u);
        EXPECT_TRUE(partners(B1, Z));
        EXPECT_EQ(B1->node, Z->node);
        EXPECT_TRUE(e->interpairs[2]->MP.empty());  // the single point of cells 0 and 2
        EXPECT_EQ(e->interpairs[1]->MP.size(), 1u);
    }
    {
        SCOPED_TRACE("a free edge");
        auto e = fixtureTissue(twoWeldedCells());
        point3D* v = vertexAt(*e, 0, 0);
        EXPECT_EQ(e->edge_response_b0(sideAt(*e, 0, 0)), dbReader::STEP_OK);
        EXPECT_EQ(v->x, 0.0);
        EXPECT_EQ(v->separation_force[0], 0.0);
        EXPECT_TRUE(topologyIsSound(*e));
    }
    {
        SCOPED_TRACE("a pair without a stretch is never read");
        auto e = fixtureTissue(twoWeldedCells());
        interpair* pr = e->interpairs[0];
        pr->remove_MP(pr->MP[0]);
        EXPECT_EQ(e->edge_response_b0(sideAt(*e, 0, 1)), 0);
        EXPECT_EQ(e->message, "ERROR: pair between cells 0 and 1 was empty!");
        EXPECT_TRUE(sideAt(*e, 0, 1)->bonded);
    }
}

// A collapse takes P and R off their rings; a migrating cell's front that
// ended on one of them must end on the vertex that took its place, or the
// cell's slide later finds its front off the ring.
TEST_F(Unwelding, ACollapseKeepsTheLeadingFrontOnItsRing)
{
    auto e = fixtureTissue(threeWeldedCells());
    edge* s = sideAt(*e, 1, 3);
    point3D* P = s->p1;
    point3D* Q = s->p2;
    point3D* S = s->partner->p1;
    point3D* R = s->partner->p2;
    cell* A = s->cell;
    cell* B = s->partner->cell;
    A->migrating = B->migrating = 1;
    A->front_first = A->front_last = P;
    B->front_first = S;
    B->front_last = R;
    EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
    EXPECT_FALSE(P->alive);
    EXPECT_FALSE(R->alive);
    EXPECT_EQ(A->front_first, Q);
    EXPECT_EQ(A->front_last, Q);
    EXPECT_EQ(B->front_first, S);
    EXPECT_EQ(B->front_last, S);
    for (const point3D* v : {A->front_first, A->front_last, B->front_first, B->front_last})
        EXPECT_TRUE(v->alive && v->out_edge && v->out_edge->p1 == v);
    EXPECT_EQ(A->front_first->out_edge->cell, A);
    EXPECT_EQ(B->front_first->out_edge->cell, B);
}

TEST_F(Unwelding, AShortJunctionEdgeCollapsesOnlyWhereItMay)
{
    {
        SCOPED_TRACE("Q welded only to S: no distance test");
        auto e = fixtureTissue(threeWeldedCells());
        edge* s = sideAt(*e, 1, 3);  // (10,10) -> (10,0) on cell 1
        point3D* Q = s->p2;
        point3D* P = s->p1;
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_FALSE(P->alive);
        // Two triangles, each of whose two long sides is split after the collapse.
        EXPECT_EQ(e->cells[0]->sides.size(), 5u);
        EXPECT_EQ(e->cells[1]->sides.size(), 5u);
        EXPECT_EQ(Q->node->vertices.size(), 3u);
        EXPECT_DOUBLE_EQ(Q->y, 5.0);
    }
    {
        SCOPED_TRACE("a further junction, all neighbours near");
        auto e = fixtureTissue(shortJunctionEdge(3.0, false));
        edge* s = sideAt(*e, 1, 3);
        point3D* P = s->p1;
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_FALSE(P->alive);
        // X and W now meet at the collapsed point.
        EXPECT_NE(welding::find_pair(e->cells[2], e->cells[3]), nullptr);
    }
    {
        SCOPED_TRACE("a further junction, one neighbour too far");
        auto e = fixtureTissue(shortJunctionEdge(6.0, false));
        edge* s = sideAt(*e, 1, 3);
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        EXPECT_TRUE(s->p1->alive);
        EXPECT_EQ(s->p1->y, 2.0);
        EXPECT_TRUE(topologyIsSound(*e));
    }
    {
        SCOPED_TRACE("a further junction whose cell is welded to X");
        auto e = fixtureTissue(shortJunctionEdge(3.0, false));
        auto* q = welding::new_pair(*e, e->cells[2], e->cells[3]);
        q->MP.push_back(new mergepair(0, vertexAt(*e, 2, 0), vertexAt(*e, 2, 0), vertexAt(*e, 3, 4),
                                      vertexAt(*e, 3, 4)));
        edge* s = sideAt(*e, 1, 3);
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        EXPECT_TRUE(s->p1->alive);
    }
    {
        SCOPED_TRACE("four cells at P: loads halved when the stretch starts at P");
        auto e = fixtureTissue(shortJunctionEdge(3.0, true));
        edge* s = sideAt(*e, 1, 3);
        mergepair* m = e->interpairs[0]->MP[0];
        ASSERT_EQ(m->S1, s->p1);
        m->adhesion_load_S1 = 4.0;
        m->adhesion_load_T2 = 6.0;
        m->adhesion_load_S2 = 8.0;
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        EXPECT_EQ(m->adhesion_load_S1, 2.0);
        EXPECT_EQ(m->adhesion_load_T2, 3.0);
        EXPECT_EQ(m->adhesion_load_S2, 8.0);
        EXPECT_TRUE(s->p1->alive);
        EXPECT_TRUE(topologyIsSound(*e));
        // Started elsewhere: unchanged.
        m->S1 = m->S2;
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        EXPECT_EQ(m->adhesion_load_S1, 2.0);
    }
    {
        SCOPED_TRACE("an edge already taken off its ring");
        auto e = fixtureTissue(threeWeldedCells());
        edge* s = sideAt(*e, 1, 3);
        edge* gone = s->p1->in_edge;
        EXPECT_EQ(e->edge_response_b1(s), dbReader::STEP_OK);
        ASSERT_FALSE(gone->in_use);
        EXPECT_EQ(e->edge_response_b1(gone), dbReader::STEP_OK);
        EXPECT_EQ(e->edge_response_b0(gone), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST_F(Unwelding, PointsLetGoOfTheirPartnersAndJunctionsSplit)
{
    {
        SCOPED_TRACE("a vertex without partner only moves");
        auto e = fixtureTissue(singleSquare());
        point3D* p = vertexAt(*e, 0, 1);
        p->tension_next[0] = -2.0;
        p->tension_prev[1] = 3.0;
        p->separation_force[0] = 7.0;
        EXPECT_EQ(e->point_response_b0(p), dbReader::STEP_OK);
        EXPECT_DOUBLE_EQ(p->x, 9.8);
        EXPECT_DOUBLE_EQ(p->y, 0.3);
        EXPECT_EQ(p->separation_force[0], 0.0);
        EXPECT_EQ(p->separation_force[1], 0.0);
    }
    {
        SCOPED_TRACE("a single welded point");
        TissueLayout layout;
        layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
        layout.cells.push_back({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, 0});
        layout.welds.push_back({0, 2, 2, 1, 0, 0, 2.0});
        auto e = fixtureTissue(layout);
        point3D* p = vertexAt(*e, 0, 2);
        point3D* q = vertexAt(*e, 1, 0);
        EXPECT_EQ(e->point_response_b0(p), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_TRUE(p->mp.empty());
        EXPECT_NE(p->node, q->node);
        EXPECT_TRUE(e->interpairs[0]->MP.empty());
        // Pushed inwards by adhesion / 20 along each corner's outward direction.
        EXPECT_NEAR(p->separation_force[0], -0.1 / std::sqrt(2.0), 1e-12);
        EXPECT_NEAR(p->separation_force[1], -0.1 / std::sqrt(2.0), 1e-12);
        EXPECT_NEAR(q->separation_force[0], 0.1 / std::sqrt(2.0), 1e-12);
        EXPECT_NEAR(q->separation_force[1], 0.1 / std::sqrt(2.0), 1e-12);
    }
    {
        SCOPED_TRACE("both edges welded in one pair");
        auto e = fixtureTissue(twoWeldedCells());
        point3D* p = vertexAt(*e, 0, 2);
        EXPECT_EQ(e->point_response_b2(p), dbReader::STEP_OK);
        EXPECT_EQ(p->mp.size(), 1u);
        EXPECT_TRUE(sideAt(*e, 0, 1)->bonded);
        EXPECT_TRUE(sideAt(*e, 0, 2)->bonded);
    }
    {
        SCOPED_TRACE("a junction vertex splits off");
        auto e = fixtureTissue(threeWeldedCells());
        point3D* p = vertexAt(*e, 0, 2);  // (10,10) on cell 0
        EXPECT_EQ(e->point_response_b2(p), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_TRUE(p->mp.empty());
        EXPECT_FALSE(sideAt(*e, 0, 1)->bonded);
        EXPECT_FALSE(sideAt(*e, 0, 2)->bonded);
    }
}

}  // namespace
