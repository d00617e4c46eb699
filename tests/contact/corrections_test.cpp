// The per-step boundary corrections on small worked tissues: long-edge
// split, short-edge collapse, pick correction, the pick stage's candidates
// and the angle correction. Every change is followed by the topology check.
#include "contact/corrections.h"
#include "contact_fixtures.h"
#include "support/crossings.h"
#include "support/progress_watch.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

int liveRing(const dbReader& e, int c)
{
    int n = 0;
    const point3D* start = e.cells[c]->sides.front()->p1;
    for (const point3D* v = start; n < 1000; v = v->next) {
        ++n;
        if (v->next == start)
            break;
    }
    return n;
}

void expectAt(const point3D* p, double x, double y)
{
    EXPECT_NEAR(p->x, x, 1e-12) << "vertex " << p->id;
    EXPECT_NEAR(p->y, y, 1e-12) << "vertex " << p->id;
}

// Two 12 x 12 squares side by side, four vertices per side, welded along
// their common side (cell 0 vertices 4..8 on cell 1 vertices 12..0).
TissueLayout twoFineSquares()
{
    TissueLayout layout;
    for (double x0 : {0.0, 12.0}) {
        FixtureCell c;
        for (int i = 0; i < 4; ++i)
            c.ring.push_back({x0 + 3.0 * i, 0.0});
        for (int i = 0; i < 4; ++i)
            c.ring.push_back({x0 + 12.0, 3.0 * i});
        for (int i = 0; i < 4; ++i)
            c.ring.push_back({x0 + 12.0 - 3.0 * i, 12.0});
        for (int i = 0; i < 4; ++i)
            c.ring.push_back({x0, 12.0 - 3.0 * i});
        layout.cells.push_back(c);
    }
    layout.welds.push_back(FixtureWeld{0, 4, 8, 1, 12, 0});
    return layout;
}

// X (cell 0, left) and Y (cell 1, right) share the short vertical edge from
// (0, -0.5) to (0, 0.5); T (cell 2) lies above both, Bt (cell 3) below.
// X side 0 is the shared edge; its ends are the junctions X-Y-Bt (A) and
// X-Y-T (B).
TissueLayout shortEdgeJunction()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{0, -0.5}, {0, 0.5}, {-3, 3}, {-5, 3}, {-6, 1.5}, {-6, -1.5}, {-5, -3}, {-3, -3}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 0.5}, {0, -0.5}, {3, -3}, {5, -3}, {6, -1.5}, {6, 1.5}, {5, 3}, {3, 3}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 0.5}, {3, 3}, {3, 8}, {-3, 8}, {-3, 3}}, 0});
    layout.cells.push_back(FixtureCell{{{0, -0.5}, {-3, -3}, {-3, -8}, {3, -8}, {3, -3}}, 0});
    layout.welds.push_back(FixtureWeld{0, 0, 1, 1, 0, 1});
    layout.welds.push_back(FixtureWeld{0, 1, 2, 2, 4, 0});
    layout.welds.push_back(FixtureWeld{0, 7, 0, 3, 0, 1});
    layout.welds.push_back(FixtureWeld{1, 7, 0, 2, 0, 1});
    layout.welds.push_back(FixtureWeld{1, 1, 2, 3, 4, 0});
    return layout;
}

// K (cell 0, below, 8 sides) pokes the spike V = (0, 3) into L (cell 1,
// above, 8 sides); the whole common boundary from (6, 0) to (-6, 0) is
// welded, so both edges of V are welded to the one vertex of L at (0, 3).
TissueLayout spike()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-6, -6}, {0, -6}, {6, -6}, {6, 0}, {2, 0}, {0, 3}, {-2, 0}, {-6, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{-6, 0}, {-2, 0}, {0, 3}, {2, 0}, {6, 0}, {6, 6}, {0, 6}, {-6, 6}}, 0});
    layout.welds.push_back(FixtureWeld{0, 3, 7, 1, 0, 4});
    return layout;
}

// K (cell 0, 7 sides) welded to L (cell 1) below along (0,0)-(4,0)-(8,0);
// V = K vertex 2 at (8, 0) has a welded in-edge and a free out-edge.
TissueLayout inSidePick()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{0, 0}, {4, 0}, {8, 0}, {9, 3}, {8, 6}, {4, 7}, {0, 6}}, 0});
    layout.cells.push_back(FixtureCell{{{8, 0}, {4, 0}, {0, 0}, {0, -6}, {8, -6}}, 0});
    layout.welds.push_back(FixtureWeld{0, 0, 2, 1, 0, 2});
    return layout;
}

TEST(EdgeSplit, FreeAndWeldedSplitsAddTheirRecordsAndKeepTheWeldVertexToVertex)
{
    // Free: the bottom side of cell 0.
    {
        auto e = buildChecked(twoFineSquares());
        const std::size_t p = e->points.size(), ed = e->edges.size(), n = e->nodes.size();
        edge* s = sideAt(*e, 0, 0);
        EXPECT_EQ(e->edge_response_d(s), -1);
        EXPECT_EQ(e->points.size(), p + 1);
        EXPECT_EQ(e->edges.size(), ed + 2);
        EXPECT_EQ(e->nodes.size(), n + 1);
        point3D* M = e->points.back();
        expectAt(M, 1.5, 0.0);
        EXPECT_EQ(e->nodes.back()->vertices, std::vector<point3D*>{M});
        EXPECT_TRUE(e->cells[0]->remesh);
        EXPECT_FALSE(e->cells[1]->remesh);
        EXPECT_EQ(liveRing(*e, 0), 17);
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
    // Welded: the first shared edge, cell 0 (12,0)->(12,3); loads of a
    // stretch end come from the stretch, others from the vertex.
    {
        auto e = buildChecked(twoFineSquares());
        edge* s = sideAt(*e, 0, 4);
        interpair* pair = s->pair;
        mergepair* m = pair->MP.front();
        ASSERT_EQ(m->S1, s->p1);
        m->adhesion_load_S1 = 2.0;
        s->p1->adhesion_load = 100.0;
        s->p2->adhesion_load = 4.0;
        point3D* Ap = s->partner->p2;
        point3D* Bp = s->partner->p1;
        ASSERT_EQ(m->T2, Ap);
        m->adhesion_load_T2 = 6.0;
        Bp->adhesion_load = 8.0;
        const std::size_t p = e->points.size(), ed = e->edges.size(), n = e->nodes.size();
        EXPECT_EQ(e->edge_response_d(s), -1);
        ASSERT_EQ(e->points.size(), p + 2);
        EXPECT_EQ(e->edges.size(), ed + 4);
        EXPECT_EQ(e->nodes.size(), n + 1);
        point3D* M = e->points[p];
        point3D* Mp = e->points[p + 1];
        expectAt(M, 12.0, 1.5);
        expectAt(Mp, 12.0, 1.5);
        EXPECT_EQ(M->mp, std::vector<point3D*>{Mp});
        EXPECT_EQ(e->nodes.back()->vertices, (std::vector<point3D*>{M, Mp}));
        EXPECT_DOUBLE_EQ(M->adhesion_load, 3.0);
        EXPECT_DOUBLE_EQ(Mp->adhesion_load, 7.0);
        edge* E0 = e->edges[ed];
        edge* E1 = e->edges[ed + 1];
        edge* E2 = e->edges[ed + 2];
        edge* E3 = e->edges[ed + 3];
        EXPECT_EQ(E0->partner, E3);
        EXPECT_EQ(E1->partner, E2);
        for (edge* x : {E0, E1, E2, E3})
            EXPECT_EQ(x->pair, pair);
        EXPECT_TRUE(e->cells[0]->remesh);
        EXPECT_TRUE(e->cells[1]->remesh);
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
    // A weld whose contact lost its stretch is not split; a bonded edge
    // without partner is a broken boundary.
    {
        auto e = buildChecked(twoFineSquares());
        edge* s = sideAt(*e, 0, 4);
        while (!s->pair->MP.empty())
            s->pair->remove_MP(s->pair->MP.front());
        const std::size_t p = e->points.size();
        EXPECT_EQ(e->edge_response_d(s), -1);
        EXPECT_EQ(e->points.size(), p);
        s->partner->partner = nullptr;
        s->partner = nullptr;
        EXPECT_EQ(e->edge_response_d(s), 0);
        EXPECT_EQ(e->message, "ERROR: the boundary of cell 0 is broken!");
        EXPECT_EQ(e->points.size(), p);
    }
}

TEST(EdgeCollapse, LengthsAndTheCollapsePoint)
{
    // A welded edge exactly pi/2 long stays, folded or not.
    for (bool folded : {false, true}) {
        auto e = buildChecked(twoFineSquares());
        edge* s = sideAt(*e, 0, 4);
        point3D* B = s->p2;
        B->y = 1.570796325;
        for (point3D* q : B->mp)
            q->y = B->y;
        if (folded)
            B->next->x = 13.0;  // the boundary turns back at B
        ASSERT_EQ(s->getlength(), 1.570796325);
        const std::size_t p = e->points.size();
        EXPECT_EQ(e->edge_response_m(s), -1);
        EXPECT_TRUE(B->alive);
        EXPECT_EQ(liveRing(*e, 0), 16);
        EXPECT_EQ(e->points.size(), p);
    }
    // A free edge collapses at any length: to the midpoint when the next
    // edge is long enough, else to A's place.
    for (bool nextShort : {false, true}) {
        auto e = buildChecked(twoFineSquares());
        edge* s = sideAt(*e, 0, 1);  // (3,0) -> (6,0)
        point3D* A = s->p1;
        point3D* B = s->p2;
        if (nextShort)
            B->next->x = 7.0;  // (9,0) -> (7,0): B's out-edge is 1 long
        EXPECT_EQ(e->edge_response_m(s), -1);
        EXPECT_FALSE(B->alive);
        EXPECT_TRUE(A->alive);
        if (nextShort)
            expectAt(A, 3.0, 0.0);
        else
            expectAt(A, 4.5, 0.0);
        EXPECT_EQ(liveRing(*e, 0), 15);
        EXPECT_TRUE(e->cells[0]->remesh);
        EXPECT_TRUE(topologyIsSound(*e));
    }
    // A welded short edge goes with its partner: both rings lose a vertex,
    // the weld stays vertex to vertex and the stretch ends follow.
    {
        auto e = buildChecked(twoFineSquares());
        edge* s = sideAt(*e, 0, 7);  // (12,9) -> (12,12), the stretch's S2 end
        point3D* A = s->p1;
        A->y = 11.0;
        for (point3D* q : A->mp)
            q->y = 11.0;
        EXPECT_EQ(e->edge_response_m(s), -1);
        expectAt(A, 12.0, 11.5);
        EXPECT_EQ(liveRing(*e, 0), 15);
        EXPECT_EQ(liveRing(*e, 1), 15);
        mergepair* m = s->pair->MP.front();
        EXPECT_EQ(m->S2, A);
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
}

TEST(EdgeCollapse, SqueezedCellsAreRemovedWithTheirKillLines)
{
    // A contact of T and Bt whose first stretch starts at a vertex welded
    // to X (kill X), and also ends at one welded to Y (kill both). Such a
    // contact cannot be drawn in this layout; the records alone decide.
    struct Case {
        bool endOnY;
        const char* line;
    };
    for (const Case& c : {Case{false, "  -> kill cell 0\n"}, Case{true, "  -> kill both of cell 0 and 1\n"}}) {
        auto e = buildChecked(shortEdgeJunction());
        ASSERT_TRUE(topologyIsSound(*e));
        point3D* onX = vertexAt(*e, 2, 4);  // T's (-3, 3), welded to X
        point3D* onY = vertexAt(*e, 2, 1);  // T's (3, 3), welded to Y
        interpair* fake = welding::new_pair(*e, e->cells[2], e->cells[3]);
        fake->MP.push_back(new mergepair(0, onX, c.endOnY ? onY : onX, vertexAt(*e, 3, 2), vertexAt(*e, 3, 2)));
        testing::internal::CaptureStdout();
        EXPECT_EQ(e->edge_response_m(sideAt(*e, 0, 0)), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
        EXPECT_TRUE(e->cells[0]->dead);
        EXPECT_EQ(e->cells[1]->dead, c.endOnY);
        if (!c.endOnY) {
            // Y's edge, free now, was collapsed alone (extending the made-up
            // stretch, so the tissue is not checked).
            EXPECT_EQ(liveRing(*e, 1), 7);
            continue;
        }
        fake->removed = 1;
        e->cells[2]->removepair(fake);
        e->cells[3]->removepair(fake);
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST(EdgeCollapse, AJunctionExchangeBringsTheThirdCellsIntoContact)
{
    // T and Bt: no contact, a contact without stretch, or one with a
    // stretch (made up, away from X and Y so that no squeeze is found).
    enum Before { None, Empty, Welded };
    for (Before before : {None, Empty, Welded}) {
        auto e = buildChecked(shortEdgeJunction());
        cell* T = e->cells[2];
        cell* Bt = e->cells[3];
        mergepair* kept = nullptr;
        if (before != None) {
            interpair* q = welding::new_pair(*e, T, Bt);
            if (before == Welded) {
                kept = new mergepair(0, vertexAt(*e, 2, 2), vertexAt(*e, 2, 2), vertexAt(*e, 3, 2), vertexAt(*e, 3, 2));
                q->MP.push_back(kept);
            }
        }
        const std::size_t pairs = e->interpairs.size();
        testing::internal::CaptureStdout();
        EXPECT_EQ(e->edge_response_m(sideAt(*e, 0, 0)), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        interpair* q = welding::find_any_pair(T, Bt);
        ASSERT_TRUE(q);
        ASSERT_EQ(q->MP.size(), 1u);
        if (before == Welded) {
            EXPECT_EQ(q->MP.front(), kept);
            continue;  // the made-up stretch is not sound
        }
        EXPECT_EQ(e->interpairs.size(), before == None ? pairs + 1 : pairs);
        // Equal angles at A and A': A's cell X goes on to the pick
        // correction, which slides the junction back along X.
        EXPECT_FALSE(e->cells[0]->dead);
        EXPECT_LT(liveRing(*e, 0), 8);
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
}

TEST(PickCorrection, EntryCasesAndTheInSideSlide)
{
    // A dead vertex: nothing.
    {
        auto e = buildChecked(inSidePick());
        point3D* V = vertexAt(*e, 0, 2);
        V->alive = 0;
        EXPECT_EQ(e->pick_correction(V), -1);
        EXPECT_EQ(liveRing(*e, 0), 7);
    }
    // Six sides or fewer: the cell is removed, even with both edges free.
    {
        TissueLayout layout;
        FixtureCell hex;
        for (int k = 0; k < 6; ++k)
            hex.ring.push_back({5 * std::cos(k * 3.14159265 / 3), 5 * std::sin(k * 3.14159265 / 3)});
        layout.cells.push_back(hex);
        auto e = buildChecked(layout);
        EXPECT_EQ(e->pick_correction(vertexAt(*e, 0, 0)), -1);
        EXPECT_TRUE(e->cells[0]->dead);
    }
    // Seven sides with both edges free: nothing to correct.
    {
        TissueLayout layout;
        FixtureCell hept;
        for (int k = 0; k < 7; ++k)
            hept.ring.push_back({5 * std::cos(k * 2 * 3.14159265 / 7), 5 * std::sin(k * 2 * 3.14159265 / 7)});
        layout.cells.push_back(hept);
        auto e = buildChecked(layout);
        point3D* V = vertexAt(*e, 0, 0);
        const double x = V->x;
        EXPECT_EQ(e->pick_correction(V), -1);
        EXPECT_FALSE(e->cells[0]->dead);
        EXPECT_EQ(liveRing(*e, 0), 7);
        EXPECT_EQ(V->x, x);
    }
    // Seven sides, in-edge welded: V and Vn leave K, Vp and its partner
    // meet at M, L's vertex at V stays but lets go.
    {
        auto e = buildChecked(inSidePick());
        point3D* V = vertexAt(*e, 0, 2);
        point3D* Vp = vertexAt(*e, 0, 1);
        point3D* Vn = vertexAt(*e, 0, 3);
        point3D* L0 = vertexAt(*e, 1, 0);
        point3D* Lp = vertexAt(*e, 1, 1);
        const std::size_t pairs = e->interpairs.size();
        EXPECT_EQ(e->pick_correction(V), -1);
        EXPECT_EQ(e->interpairs.size(), pairs);  // Vn had no partner: no contact to make
        EXPECT_FALSE(V->alive);
        EXPECT_FALSE(Vn->alive);
        EXPECT_TRUE(L0->alive);
        EXPECT_TRUE(L0->mp.empty());
        EXPECT_FALSE(L0->out_edge->bonded);
        expectAt(Vp, 6.5, 1.5);
        expectAt(Lp, 6.5, 1.5);
        EXPECT_EQ(liveRing(*e, 0), 5);
        mergepair* m = e->interpairs[0]->MP.front();
        EXPECT_EQ(m->S2, Vp);
        EXPECT_EQ(m->T1, Lp);
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
}

TEST(PickCorrection, SpikeRetraction)
{
    auto e = buildChecked(spike());
    point3D* V = vertexAt(*e, 0, 5);
    point3D* Vp = vertexAt(*e, 0, 4);
    point3D* L0 = vertexAt(*e, 1, 2);
    EXPECT_EQ(e->pick_correction(V), -1);
    EXPECT_EQ(liveRing(*e, 0), 6);
    EXPECT_EQ(liveRing(*e, 1), 6);
    EXPECT_FALSE(V->alive);
    EXPECT_FALSE(L0->alive);
    expectAt(Vp, 0.0, 0.0);
    for (point3D* q : Vp->mp)
        expectAt(q, 0.0, 0.0);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(PickCorrection, TheStrandedPickChangesNothing)
{
    // L == R with two different vertices of L at V: V's out-edge is made to
    // face another edge of L.
    auto e = buildChecked(spike());
    point3D* V = vertexAt(*e, 0, 5);
    edge* out = V->out_edge;
    edge* other = sideAt(*e, 1, 5);  // (6,6) -> (0,6) of L, free
    out->partner = other;
    other->partner = out;
    other->bonded = 1;
    other->pair = out->pair;
    EXPECT_EQ(e->pick_correction(V), 0);
    EXPECT_EQ(e->message, "ERROR: pick among cells 0, 1 and 1 got stranded!");
    EXPECT_EQ(liveRing(*e, 0), 8);
    EXPECT_TRUE(V->alive);
}

TEST(PickStage, CandidatesOfJunctions)
{
    // A junction of four: its sharpest vertex, whatever the angle.
    {
        auto e = buildChecked(shortEdgeJunction());
        EXPECT_TRUE(corrections::pick_candidates(*e).empty());  // two triple junctions of blunt vertices
        point3D* A = vertexAt(*e, 0, 0);
        point3D* B = vertexAt(*e, 0, 1);
        e->node_merge(A, B);
        const auto c = corrections::pick_candidates(*e);
        ASSERT_EQ(c.size(), 1u);
        // T's and Bt's vertices are the sharpest (about 100 degrees, equal
        // up to rounding); X's and Y's are about 130.
        EXPECT_TRUE(c[0] == vertexAt(*e, 3, 0) || c[0] == vertexAt(*e, 2, 0)) << c[0]->id;
    }
    // The stage runs its dialog and returns -1 on a tissue without picks
    // and on an empty one.
    {
        auto e = buildChecked(twoFineSquares());
        EXPECT_EQ(e->cell_pick_response(1), -1);
        dbReader empty;
        EXPECT_EQ(empty.cell_pick_response(1), -1);
    }
}

TEST(AngleCorrection, ReflexFreeCornersAreFlattenedInRingOrder)
{
    auto e = buildChecked(twoFineSquares());
    // Cell 0: the stretch starts at vertex 4 (12, 0). Vertex 14 (0, 6) is
    // pushed in (reflex, free), vertex 6 (12, 6) is welded and pushed in.
    point3D* reflex = vertexAt(*e, 0, 14);
    reflex->x = 2.0;
    point3D* straight = vertexAt(*e, 0, 1);  // (3, 0): exactly 180 degrees
    point3D* welded = vertexAt(*e, 0, 6);
    welded->x = 11.0;
    for (point3D* q : welded->mp)
        q->x = 11.0;
    point3D* start = vertexAt(*e, 0, 4);
    const double sx = start->x;
    e->cell_angle_response();
    expectAt(reflex, 0.0, 6.0);
    expectAt(straight, 3.0, 0.0);
    expectAt(welded, 11.0, 6.0);
    EXPECT_EQ(start->x, sx);

    // Without a stretch, or with every side welded, nothing moves.
    auto f = buildChecked(singleSquare());
    point3D* v = vertexAt(*f, 0, 1);
    v->x = 5.0;
    f->cell_angle_response();
    EXPECT_EQ(v->x, 5.0);
    // Two reflex corners in a row on the left side of cell 0: the second
    // is placed from the first one's new position, (1, 6), not its old one.
    auto h = buildChecked(twoFineSquares());
    point3D* first = vertexAt(*h, 0, 14);
    point3D* second = vertexAt(*h, 0, 15);
    first->x = 2.0;
    second->x = 2.0;
    h->cell_angle_response();
    expectAt(first, 1.0, 6.0);
    expectAt(second, 0.5, 3.0);

    auto g = buildChecked(twoFineSquares());
    g->cells[0]->burry = 1;
    vertexAt(*g, 0, 14)->x = 2.0;
    g->cell_angle_response();
    EXPECT_EQ(vertexAt(*g, 0, 14)->x, 2.0);
}

} // namespace

namespace {

// One junction vertex on its own: ring neighbours at chosen places, its two
// edges welded or not, and one inner triangle when it is a tip.
struct JunctionVertex {
    point3D v{0, 0.0, 0.0};
    point3D prev{1, 0.0, 0.0};
    point3D next{2, 0.0, 0.0};
    edge in{0, &prev, &v, nullptr};
    edge out{1, &v, &next, nullptr};
    triangle t{0, &v, &prev, &next};

    // Interior angle `degrees` between neighbours 10 away (a wide gap);
    // `exact` nudges prev until the angle reads exactly `degrees`.
    void shape(double degrees, bool welded, bool tip, bool exact = false)
    {
        v.prev = &prev;
        v.next = &next;
        v.in_edge = &in;
        v.out_edge = &out;
        next.x = 10.0;
        next.y = 0.0;
        const double t = degrees * 3.14159265 / 180.0;
        prev.x = 10.0 * std::cos(t);
        prev.y = 10.0 * std::sin(t);
        for (int k = 0; exact && k < 1000 && v.point_angle() != degrees; ++k)
            prev.y = std::nextafter(prev.y, v.point_angle() < degrees ? 100.0 : -100.0);
        in.bonded = welded;
        out.bonded = welded;
        v.inner_at.clear();
        if (tip)
            v.inner_at.push_back(&this->t);
    }

    // Neighbours exactly pi apart at a blunt angle (about 46 degrees).
    void narrowGap(bool welded)
    {
        shape(90.0, welded, true);
        prev.x = 0.0;
        prev.y = 3.0;
        next.x = 3.14159265;
        next.y = 3.0;
    }
};

} // namespace

TEST(PickStage, TripleJunctionRules)
{
    struct Row {
        const char* what;
        double angle[3];
        bool welded[3];
        bool tip[3];
        bool exact30[3];
        bool narrow[3];
        bool stage;
        std::vector<int> picks;
    };
    const bool T = true, F = false;
    const std::vector<Row> rows = {
        {"inner, three sharp tips", {20, 20, 20}, {T, T, T}, {T, T, T}, {F, F, F}, {F, F, F}, true, {0, 1, 2}},
        {"inner, a non-tip never", {20, 20, 20}, {T, T, T}, {T, F, T}, {F, F, F}, {F, F, F}, true, {0, 2}},
        {"inner, exactly 30 alone is not sharp", {30, 40, 40}, {T, T, T}, {T, T, T}, {T, F, F}, {F, F, F}, true, {}},
        {"inner, a gap of exactly pi is narrow", {40, 40, 40}, {T, T, T}, {T, T, T}, {F, F, F}, {F, T, F}, true, {1}},
        {"none fully welded", {10, 10, 10}, {F, F, F}, {T, T, T}, {F, F, F}, {F, F, F}, true, {}},
        {"two fully welded", {10, 10, 10}, {T, T, F}, {T, T, T}, {F, F, F}, {F, F, F}, true, {}},
        {"one welded, the sharpest", {40, 20, 50}, {F, T, F}, {T, T, T}, {F, F, F}, {F, F, F}, true, {1}},
        {"one welded at exactly 30: rule 2", {40, 30, 50}, {F, T, F}, {T, T, T}, {F, T, F}, {F, F, F}, true, {0}},
        {"one welded, not a tip: rule 2", {40, 20, 50}, {F, T, F}, {T, F, T}, {F, F, F}, {F, F, F}, true, {0}},
        {"one welded: rule 3", {55, 50, 45}, {F, T, F}, {T, T, T}, {F, F, F}, {F, F, F}, true, {2}},
        {"one welded, all blunt", {70, 65, 80}, {F, T, F}, {T, T, T}, {F, F, F}, {F, F, F}, true, {}},
        {"slide: first only, tips not needed", {20, 20, 20}, {T, T, T}, {F, F, F}, {F, F, F}, {F, F, F}, false, {0}},
        {"slide: a gap of exactly pi is not narrow", {40, 40, 40}, {T, T, T}, {F, F, F}, {F, F, F}, {F, T, F}, false, {}},
    };
    for (const Row& row : rows) {
        JunctionVertex j[3];
        node n(0);
        for (int k = 0; k < 3; ++k) {
            if (row.narrow[k])
                j[k].narrowGap(row.welded[k]);
            else
                j[k].shape(row.angle[k], row.welded[k], row.tip[k], row.exact30[k]);
            if (row.narrow[k] && !row.tip[k])
                j[k].v.inner_at.clear();
            if (row.exact30[k]) {
                ASSERT_EQ(j[k].v.point_angle(), 30.0) << row.what;
            }
            n.vertices.push_back(&j[k].v);
        }
        std::vector<int> got;
        for (point3D* p : corrections::triple_junction_picks(&n, row.stage))
            for (int k = 0; k < 3; ++k)
                if (p == &j[k].v)
                    got.push_back(k);
        EXPECT_EQ(got, row.picks) << row.what;
    }
}

namespace {

// Four squares around (x0 + 10, y0 + 10), the diagonal ones welded there
// at one point: a junction of four. `fine` squares have a vertex at the
// middle of every side (eight sides).
void addFourSquares(TissueLayout& layout, double x0, double y0, bool fine)
{
    const int base = static_cast<int>(layout.cells.size());
    for (auto [dx, dy] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {0.0, 10.0}, {10.0, 10.0}}) {
        const double x = x0 + dx, y = y0 + dy;
        FixtureCell c;
        if (fine)
            c.ring = {{x, y}, {x + 5, y}, {x + 10, y}, {x + 10, y + 5}, {x + 10, y + 10}, {x + 5, y + 10}, {x, y + 10}, {x, y + 5}};
        else
            c.ring = {{x, y}, {x + 10, y}, {x + 10, y + 10}, {x, y + 10}};
        layout.cells.push_back(c);
    }
    const int k = fine ? 2 : 1;  // ring index of a square's corner
    const std::vector<FixtureWeld> welds = {{0, 1, 2, 1, 3, 0}, {0, 2, 3, 2, 0, 1}, {1, 2, 3, 3, 0, 1},
                                            {2, 1, 2, 3, 3, 0}, {0, 2, 2, 3, 0, 0}, {1, 3, 3, 2, 1, 1}};
    for (const FixtureWeld& w : welds)
        layout.welds.push_back({base + w.cell1, k * w.s1, k * w.s2, base + w.cell2, k * w.t1, k * w.t2});
}

} // namespace

TEST(PickStage, AJunctionOfFourGivesItsSharpestVertexUnderTheStagesDialog)
{
    // Four 10 x 10 squares around (10, 10), the diagonal cells welded there
    // at one point. The junction's vertices are right angles up to rounding:
    // one of them is the only candidate, and its cell, of four sides, leaves.
    TissueLayout layout;
    addFourSquares(layout, 0, 0, false);
    auto e = buildChecked(layout);
    ASSERT_TRUE(topologyIsSound(*e));
    const auto c = corrections::pick_candidates(*e);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0]->node, vertexAt(*e, 0, 2)->node);
    cell* K = welding::cell_of(c[0]);

    ProgressWatch watch;
    EXPECT_EQ(e->cell_pick_response(1), -1);
    watch.stop();
    EXPECT_TRUE(watch.seen.contains("Simulation: pick-response|Cell pick correction..."));
    EXPECT_FALSE(anyProgressVisible());
    EXPECT_TRUE(K->dead);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(PickCorrection, ThreeCellSlideZipsTheTwoNeighbours)
{
    // K (cell 0, 8 sides) spikes up to (0, 2) between the upper cells 1
    // (left) and 2 (right), which are welded to each other above it. V's
    // in-edge is welded to cell 2 (L), its out-edge to cell 1 (R).
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-6, -6}, {0, -6}, {6, -6}, {6, 0}, {3, 0}, {0, 2}, {-3, 0}, {-6, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{-6, 0}, {-3, 0}, {0, 2}, {0, 5}, {0, 8}, {-6, 8}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 2}, {3, 0}, {6, 0}, {6, 8}, {0, 8}, {0, 5}}, 0});
    layout.welds = {{0, 3, 5, 2, 0, 2}, {0, 5, 7, 1, 0, 2}, {1, 2, 4, 2, 4, 0}};
    auto e = buildChecked(layout);
    ASSERT_TRUE(topologyIsSound(*e));
    point3D* V = vertexAt(*e, 0, 5);
    point3D* Vp = vertexAt(*e, 0, 4);
    point3D* Lp = vertexAt(*e, 2, 1);
    point3D* Rn = vertexAt(*e, 1, 1);
    interpair* LR = e->interpairs[2];
    EXPECT_EQ(e->pick_correction(V), -1);
    EXPECT_EQ(liveRing(*e, 0), 6);
    for (point3D* p : {Vp, Lp, Rn})
        expectAt(p, 0.0, 0.0);
    EXPECT_TRUE(Lp->checkmp(Rn));
    // The spike's former sides on L and R face each other in the L-R contact,
    // whose stretch reaches the new junction.
    edge* zipL = vertexAt(*e, 2, 0)->out_edge;
    edge* zipR = Rn->out_edge;
    EXPECT_EQ(zipL->partner, zipR);
    EXPECT_EQ(zipL->pair, LR);
    EXPECT_EQ(zipR->pair, LR);
    EXPECT_EQ(LR->MP.front()->S1, Rn);
    EXPECT_EQ(LR->MP.front()->T2, Lp);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(Corrections, ABrokenBoundaryFailsWithTheCellAndChangesNothing)
{
    // Each breakage on the in-side pick tissue, met by the pick correction
    // and by the collapse of V's in-edge.
    enum Break { NoPartner, NoPair, NoEdge, OpenRing };
    for (Break b : {NoPartner, NoPair, NoEdge, OpenRing}) {
        for (bool pick : {true, false}) {
            auto e = buildChecked(inSidePick());
            point3D* V = vertexAt(*e, 0, 2);
            edge* in = V->in_edge;
            switch (b) {
            case NoPartner:
                in->partner->partner = nullptr;
                in->partner = nullptr;
                break;
            case NoPair:
                in->pair = nullptr;
                break;
            case NoEdge:  // Vp without in-edge, Vn without out-edge
                vertexAt(*e, 0, 1)->in_edge = nullptr;
                vertexAt(*e, 0, 3)->out_edge = nullptr;
                break;
            case OpenRing:
                vertexAt(*e, 0, 5)->next = vertexAt(*e, 0, 4);
                break;
            }
            const std::size_t points = e->points.size();
            const int r = pick ? e->pick_correction(V) : e->edge_response_m(in);
            if (!pick && b == OpenRing) {
                // The collapse looks at its own edges only, which are whole.
                continue;
            }
            EXPECT_EQ(r, 0) << b << pick;
            EXPECT_EQ(e->message, "ERROR: the boundary of cell 0 is broken!");
            EXPECT_TRUE(V->alive);
            EXPECT_EQ(e->points.size(), points);
            expectAt(vertexAt(*e, 0, 1), 4.0, 0.0);
        }
    }
}

namespace {

// X (cell 0) below, A (cell 1) above its left end, B (cell 2) above its
// right end, welded to X along X's top side; between the two welds X's top
// side has `freeEdges` free edges (2 or 3) of a gap that A and B face.
TissueLayout gap(int freeEdges)
{
    const double w = freeEdges == 2 ? 4.0 : 6.0;  // gap width, edges of 2 units
    const double r = 4.0 + w;                     // x of B's left side
    TissueLayout layout;
    FixtureCell X;
    X.ring = {{0, 0}, {r + 4, 0}, {r + 4, 10}, {r, 10}};
    for (int k = 1; k < freeEdges; ++k)
        X.ring.push_back({r - 2.0 * k, 10});
    X.ring.push_back({4, 10});
    X.ring.push_back({0, 10});
    layout.cells.push_back(X);
    layout.cells.push_back(FixtureCell{{{0, 10}, {4, 10}, {4, 14}, {0, 14}}, 0});
    layout.cells.push_back(FixtureCell{{{r, 10}, {r + 4, 10}, {r + 4, 14}, {r, 14}}, 0});
    const int n = static_cast<int>(X.ring.size());
    layout.welds = {{0, n - 2, n - 1, 1, 0, 1}, {0, 2, 3, 2, 0, 1}};
    return layout;
}

} // namespace

TEST(EdgeStage, AGapOfTwoFreeEdgesPairsTheCellsAcrossIt)
{
    struct Case {
        int freeEdges;
        int existing;  // 0 none, 1 the pair (A, B), 2 the pair (B, A)
        bool paired;   // a new pair of A and B is made
    };
    for (const Case& c : {Case{2, 0, true}, Case{3, 0, false}, Case{2, 1, false}, Case{2, 2, false}}) {
        auto e = buildChecked(gap(c.freeEdges));
        ASSERT_TRUE(topologyIsSound(*e));
        cell* A = e->cells[1];
        cell* B = e->cells[2];
        if (c.existing)
            c.existing == 1 ? welding::new_pair(*e, A, B) : welding::new_pair(*e, B, A);
        const std::size_t before = e->interpairs.size();
        EXPECT_EQ(e->cell_edge_response(1), -1) << e->message.toStdString();
        std::size_t made = 0;
        for (std::size_t k = before; k < e->interpairs.size(); ++k) {
            const interpair* p = e->interpairs[k];
            EXPECT_NE(p->cell1, p->cell2);
            made += (p->cell1 == A && p->cell2 == B) || (p->cell1 == B && p->cell2 == A);
        }
        EXPECT_EQ(made, c.paired ? 1u : 0u) << c.freeEdges << " " << c.existing;
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
    // One cell on both sides of the gap: A (cell 1) arches over two free
    // edges of X (cell 0), welded to it left and right. The walks from X and
    // from A each find their own cell across the far weld: no pair is made.
    TissueLayout arch;
    arch.cells.push_back(FixtureCell{{{0, 0}, {12, 0}, {12, 10}, {8, 10}, {6, 10}, {4, 10}, {0, 10}}, 0});
    arch.cells.push_back(FixtureCell{{{0, 10}, {4, 10}, {6, 12}, {8, 10}, {12, 10}, {12, 16}, {0, 16}}, 0});
    arch.welds = {{0, 2, 3, 1, 3, 4}, {0, 5, 6, 1, 0, 1}};
    auto e = buildChecked(arch);
    ASSERT_TRUE(topologyIsSound(*e));
    const std::size_t before = e->interpairs.size();
    EXPECT_EQ(e->cell_edge_response(1), -1) << e->message.toStdString();
    EXPECT_EQ(e->interpairs.size(), before);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(EdgeStage, TheBandIsOpenAtBothEndsAndAFoldedEdgeIsCollapsed)
{
    TissueLayout layout;
    // Cell 0: sides of exactly pi/2 (0,0)-(pi/2,0) and of exactly 1.9 pi
    // (0,1.9 pi)-(0,0), the others inside the band.
    layout.cells.push_back(FixtureCell{{{0, 0}, {1.570796325, 0}, {3, 2}, {3, 6}, {0, 5.969026035}}, 0});
    // Cell 1: a deep notch at (46, 5): the side (46.3, 12) -> (46, 5), 7 long,
    // folds there; every other side is long.
    layout.cells.push_back(FixtureCell{{{40, 0}, {52, 0}, {52, 12}, {46.3, 12}, {46, 5}, {45.7, 12}, {40, 12}}, 0});
    auto e = buildChecked(layout);
    ASSERT_TRUE(e);
    ASSERT_EQ(sideAt(*e, 0, 0)->getlength(), 1.570796325);
    ASSERT_EQ(sideAt(*e, 0, 4)->getlength(), 5.969026035);
    // Wrong box vertices: only a cell with something to collapse repairs them.
    e->cells[0]->AABB_xmin = vertexAt(*e, 0, 3);
    e->cells[1]->AABB_xmin = vertexAt(*e, 1, 2);
    point3D* notch = vertexAt(*e, 1, 4);
    point3D* leftmost = vertexAt(*e, 1, 0);  // (40, 0), before (40, 12) in side order
    point3D* wrong = vertexAt(*e, 0, 3);
    const std::size_t before = e->points.size();

    ProgressWatch watch;
    EXPECT_EQ(e->cell_edge_response(1), -1);
    watch.stop();
    EXPECT_TRUE(watch.seen.contains("Simulation: edge-response|Cell edge correction..."));
    EXPECT_FALSE(anyProgressVisible());

    EXPECT_EQ(liveRing(*e, 0), 5);
    EXPECT_EQ(e->cells[0]->AABB_xmin, wrong);
    EXPECT_FALSE(notch->alive);
    EXPECT_EQ(e->cells[1]->AABB_xmin, leftmost);
    // The folded side was not split: no new vertex at its middle.
    for (std::size_t k = before; k < e->points.size(); ++k)
        EXPECT_FALSE(std::fabs(e->points[k]->x - 46.15) < 1e-9 && std::fabs(e->points[k]->y - 8.5) < 1e-9);
    EXPECT_GT(e->points.size(), before);  // the long sides were
    EXPECT_TRUE(soundAndUncrossed(*e));

    dbReader empty;
    EXPECT_EQ(empty.cell_edge_response(1), -1);
}

TEST(EdgeStage, AFoldedWeldedEdgeLongerThanTheBandStays)
{
    // L (cell 0, below) and U (cell 1, above) share the zigzag (0,0) (10,0)
    // (1,1) (11,1): the middle side, about 9.06 long, folds back on both
    // cells, so both list it for collapse and neither splits it, and a
    // welded edge that is not short is not collapsed. The straight welded
    // sides beside it are long and unfolded: they are split.
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{0, 0}, {0, -10}, {12, -10}, {13, 1}, {11, 1}, {1, 1}, {10, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 0}, {10, 0}, {1, 1}, {11, 1}, {11, 10}, {0, 10}}, 0});
    layout.welds = {{0, 4, 0, 1, 0, 3}};
    auto e = buildChecked(layout);
    ASSERT_TRUE(topologyIsSound(*e));
    edge* folded = sideAt(*e, 0, 5);  // L's (1,1) -> (10,0)
    ASSERT_GT(folded->getlength(), corrections::kLongEdge);
    ASSERT_TRUE(folded->edge_twist());
    ASSERT_TRUE(folded->partner->edge_twist());
    edge* partner = folded->partner;
    const std::size_t before = e->points.size();
    EXPECT_EQ(e->cell_edge_response(1), -1) << e->message.toStdString();
    EXPECT_TRUE(folded->in_use);
    EXPECT_EQ(folded->partner, partner);
    expectAt(folded->p1, 1.0, 1.0);
    expectAt(folded->p2, 10.0, 0.0);
    EXPECT_EQ(folded->p1->next, folded->p2);
    for (std::size_t k = before; k < e->points.size(); ++k)
        EXPECT_FALSE(std::fabs(e->points[k]->x - 5.5) < 1e-9 && std::fabs(e->points[k]->y - 0.5) < 1e-9);
    EXPECT_GT(e->points.size(), before);  // the straight welded sides were split
    EXPECT_TRUE(soundAndUncrossed(*e));
}

namespace {

// K (cell 0) spikes up to (0, 2) between L (cell 1, upper left) and R
// (cell 2, upper middle); W (cell 3, upper right) meets K and R at (3, 0),
// the vertex before the spike.
TissueLayout spikeAmongFour()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-6, -6}, {0, -6}, {6, -6}, {6, 0}, {3, 0}, {0, 2}, {-3, 0}, {-6, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{-6, 0}, {-3, 0}, {0, 2}, {0, 5}, {0, 8}, {-6, 8}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 2}, {3, 0}, {3, 4}, {3, 8}, {0, 8}, {0, 5}}, 0});
    layout.cells.push_back(FixtureCell{{{3, 0}, {6, 0}, {6, 8}, {3, 8}, {3, 4}}, 0});
    layout.welds = {{0, 3, 4, 3, 0, 1}, {0, 4, 5, 2, 0, 1}, {0, 5, 7, 1, 0, 2}, {1, 2, 4, 2, 4, 0}, {2, 1, 3, 3, 3, 0}};
    return layout;
}

} // namespace

TEST(PickCorrection, ThreeCellSlideIntoAJunctionOfFourRecursesOnItsSharpestVertex)
{
    auto e = buildChecked(spikeAmongFour());
    ASSERT_TRUE(topologyIsSound(*e));
    point3D* Vp = vertexAt(*e, 0, 4);
    EXPECT_EQ(e->pick_correction(vertexAt(*e, 0, 5)), -1);
    EXPECT_EQ(liveRing(*e, 0), 6);
    expectAt(Vp, 0.0, 0.0);
    // The new junction holds K, L, R and W; R's vertex there is the sharpest
    // (about 37 degrees) and R, of six sides, leaves.
    EXPECT_TRUE(e->cells[2]->dead);
    EXPECT_FALSE(e->cells[1]->dead);
    EXPECT_FALSE(e->cells[3]->dead);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(PickCorrection, ASqueezedThreeCellSlideRemovesTheCellWithItsLine)
{
    // A made-up contact of W with L whose stretch starts at L's vertex
    // welded to K, reached through a partner of Vp on W: K would be left
    // squeezed between W and L.
    auto e = buildChecked(spikeAmongFour());
    cell* W = e->cells[3];
    cell* L = e->cells[1];
    interpair* q = welding::new_pair(*e, W, L);
    point3D* onK = vertexAt(*e, 1, 0);  // L's (-6, 0), welded to K
    q->MP.push_back(new mergepair(0, onK, onK, vertexAt(*e, 3, 2), vertexAt(*e, 3, 2)));
    testing::internal::CaptureStdout();
    EXPECT_EQ(e->pick_correction(vertexAt(*e, 0, 5)), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ", kill cell 0\n");
    EXPECT_TRUE(e->cells[0]->dead);
}

namespace {

// Five cells cut from the wound sample's long Model run (a fresh seed), as
// its pick stage found them. K (cell 0) meets L (cell 1) and R (cell 2) at
// its vertex V = (123.2454, 176.2972), a junction of four: X (cell 3),
// which the mechanics had pushed into K and R, is welded there too, at that
// point alone. Cell 4 lies below L and R.
TissueLayout pickAtAJunctionOfFour()
{
    TissueLayout t;
    t.cells.push_back({{{123.3547, 187.6791}, {119.5456, 190.1611}, {114.0216, 189.1409}, {110.3677, 186.0607},
                        {109.1665, 179.7100}, {114.7168, 176.9045}, {118.9916, 176.6703}, {123.2454, 176.2972},
                        {123.2276, 179.5112}, {123.2837, 183.4785}},
                       3});
    t.cells.push_back({{{118.9916, 176.6703}, {114.7168, 176.9045}, {111.7260, 176.9642}, {112.2693, 171.9037},
                        {113.6239, 168.6329}, {118.6877, 166.3055}, {120.9002, 168.5525}, {122.6850, 171.1773},
                        {125.0298, 174.6831}, {123.2454, 176.2972}},
                       3});
    t.cells.push_back({{{123.2276, 179.5112}, {123.2454, 176.2972}, {125.0298, 174.6831}, {129.4145, 175.4582},
                        {134.0293, 175.6428}, {136.7342, 180.4019}, {136.0477, 184.7881}, {134.7967, 189.3109},
                        {131.0321, 189.3834}, {127.1573, 188.7730}, {123.3547, 187.6791}, {123.2837, 183.4785}},
                       3});
    t.cells.push_back({{{108.0001, 184.1153}, {107.9071, 180.4940}, {111.7260, 176.9642}, {114.7168, 176.9045},
                        {119.9576, 176.4557}, {123.2454, 176.2972}, {124.9661, 179.7628}, {124.0526, 184.0351},
                        {120.4093, 187.5596}, {114.7916, 188.9062}, {110.3677, 186.0607}},
                       3});
    t.cells.push_back({{{118.6877, 166.3055}, {121.3383, 162.4021}, {125.2351, 163.8097}, {129.1216, 164.6380},
                        {132.0824, 168.1490}, {135.4731, 170.9171}, {134.0293, 175.6428}, {129.4145, 175.4582},
                        {125.0298, 174.6831}, {122.6850, 171.1773}, {120.9002, 168.5525}},
                       3});
    t.welds = {{2, 2, 4, 4, 6, 8}, {0, 7, 0, 2, 10, 1}, {1, 8, 9, 2, 1, 2}, {4, 8, 0, 1, 5, 8},
               {1, 9, 1, 0, 5, 7}, {3, 5, 5, 0, 7, 7}, {3, 2, 3, 1, 1, 2}, {3, 5, 5, 2, 1, 1}};
    return t;
}

} // namespace

// The three-cell slide at V zips L and R; X's single weld point with K at V
// goes with V, and no stretch is left naming a vertex that left its ring.
TEST(PickCorrection, AFourthCellsWeldPointAtTheSlidPickGoesWithIt)
{
    auto e = buildChecked(pickAtAJunctionOfFour());
    for (auto [a, b] : {std::pair{0, 4}, {3, 4}})
        welding::new_pair(*e, e->cells[a], e->cells[b]);
    ASSERT_TRUE(topologyIsSound(*e));
    point3D* V = vertexAt(*e, 0, 7);
    const interpair* KX = welding::find_pair(e->cells[0], e->cells[3]);
    ASSERT_NE(KX, nullptr);
    ASSERT_EQ(KX->MP.size(), 1u);
    ASSERT_EQ(KX->MP.front()->T1, V);

    EXPECT_EQ(e->pick_correction(V), -1) << e->message.toStdString();
    EXPECT_FALSE(V->alive);
    EXPECT_FALSE(e->cells[0]->dead);
    EXPECT_TRUE(KX->MP.empty());
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(EdgeCollapse, AFreeCollapseIntoAJunctionOfFourTriesItsSharpestVertex)
{
    // A (cell 0) and B (cell 1) side by side above C (cell 2), meeting at
    // (0, 0); B's bottom side is free from there to (3, 0), where a small
    // triangle D (cell 3) may touch it. Collapsing that side joins the
    // junction of three with D's weld: four cells, and D's vertex, the
    // sharpest (about 48 degrees), goes to the pick correction, which
    // removes D (three sides). Without D the junction holds three: no pick.
    for (bool withD : {false, true}) {
        TissueLayout layout;
        layout.cells.push_back(FixtureCell{{{-10, 0}, {0, 0}, {0, 10}, {-10, 10}}, 0});
        layout.cells.push_back(FixtureCell{{{0, 0}, {3, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
        layout.cells.push_back(FixtureCell{{{-10, -10}, {0, -10}, {0, 0}, {-10, 0}}, 0});
        layout.welds = {{0, 1, 2, 1, 4, 0}, {0, 0, 1, 2, 2, 3}, {1, 0, 0, 2, 2, 2}};
        if (withD) {
            layout.cells.push_back(FixtureCell{{{1, -5}, {6, -5}, {3, 0}}, 0});
            layout.welds.push_back({1, 1, 1, 3, 2, 2});
        }
        auto e = buildChecked(layout);
        ASSERT_TRUE(topologyIsSound(*e));
        point3D* A = vertexAt(*e, 1, 0);
        EXPECT_EQ(e->edge_response_m(sideAt(*e, 1, 0)), -1);
        expectAt(A, 1.5, 0.0);
        EXPECT_EQ(liveRing(*e, 1), 4);
        if (withD) {
            EXPECT_TRUE(e->cells[3]->dead);
        }
        for (int c = 0; c < 3; ++c)
            EXPECT_FALSE(e->cells[c]->dead) << c;
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
}

TEST(PickCorrection, ASpikeRetractionKeepsAThirdCellAtVnInTheJunction)
{
    // The spike of K (cell 0) into L (cell 1), with Z (cell 2) welded to
    // both at Vn = (-2, 0). Z's vertex there joins the new junction at M,
    // in Vp's node, and Z's stretch with L ends on Lp instead of the
    // vertex of L that left.
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-6, -6}, {0, -6}, {6, -6}, {6, 0}, {2, 0}, {0, 3}, {-2, 0}, {-6, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{-2, 0}, {0, 3}, {2, 0}, {6, 0}, {6, 6}, {-2, 6}, {-2, 3}}, 0});
    layout.cells.push_back(FixtureCell{{{-6, 0}, {-2, 0}, {-2, 3}, {-2, 6}, {-6, 6}}, 0});
    layout.welds = {{0, 3, 6, 1, 0, 3}, {0, 6, 7, 2, 0, 1}, {2, 1, 3, 1, 5, 0}};
    auto e = buildChecked(layout);
    ASSERT_TRUE(topologyIsSound(*e));
    point3D* Vp = vertexAt(*e, 0, 4);
    point3D* z = vertexAt(*e, 2, 1);
    point3D* Lp = vertexAt(*e, 1, 2);
    EXPECT_EQ(e->pick_correction(vertexAt(*e, 0, 5)), -1);
    EXPECT_EQ(liveRing(*e, 0), 6);
    EXPECT_EQ(liveRing(*e, 1), 5);
    for (point3D* p : {Vp, z, Lp})
        expectAt(p, 0.0, 0.0);
    EXPECT_EQ(z->node, Vp->node);
    EXPECT_EQ(Lp->node, Vp->node);
    const mergepair* zl = welding::find_pair(e->cells[2], e->cells[1])->MP.front();
    EXPECT_EQ(zl->T2, Lp);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(PickStage, AFailingCandidateEndsTheStageBeforeTheNextOne)
{
    // Three junctions of four, far apart, one candidate each, in this order.
    // The second junction's contacts are broken (a weld without its pair):
    // the first candidate's cell leaves (four sides), the second fails the
    // stage with its cell, the third is never corrected.
    TissueLayout layout;
    addFourSquares(layout, 0, 0, false);
    addFourSquares(layout, 100, 0, true);
    addFourSquares(layout, 200, 0, false);
    auto e = buildChecked(layout);
    ASSERT_TRUE(topologyIsSound(*e));
    ASSERT_EQ(corrections::pick_candidates(*e).size(), 3u);
    for (int c = 4; c < 8; ++c)
        for (edge* s : e->cells[c]->sides)
            if (s->bonded)
                s->pair = nullptr;
    const int r = e->cell_pick_response(1);
    EXPECT_FALSE(anyProgressVisible());
    EXPECT_GE(r, 4);
    EXPECT_LT(r, 8);
    EXPECT_EQ(e->message, QString("ERROR: the boundary of cell %1 is broken!").arg(r));
    int deadFirst = 0, deadThird = 0;
    for (int c = 0; c < 4; ++c) {
        deadFirst += e->cells[c]->dead;
        deadThird += e->cells[8 + c]->dead;
    }
    EXPECT_EQ(deadFirst, 1);
    EXPECT_EQ(deadThird, 0);
    for (int c = 4; c < 8; ++c)
        EXPECT_EQ(liveRing(*e, c), 8);
}

namespace {

// K (cell 0) spikes up to V = (0, 2) between L (cell 1, right) and the
// triangle R (cell 2, left). F (cell 3) wraps over R and meets K twice:
// first at V alone, then along K's side from Vn = (-3, 0) to (-6, 0). Above
// V a small gap parts L from F, which touch at V and share the side from
// (0, 6) to (0, 8), the first stretch of their contact; L and R touch at V
// alone.
TissueLayout spikeUnderAWrappingCell()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-6, -6}, {0, -6}, {6, -6}, {6, 0}, {3, 0}, {0, 2}, {-3, 0}, {-6, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 2}, {3, 0}, {6, 0}, {6, 8}, {0, 8}, {0, 6}, {1, 4}}, 0});
    layout.cells.push_back(FixtureCell{{{-3, 0}, {0, 2}, {-2, 3}}, 0});
    layout.cells.push_back(FixtureCell{{{-6, 0}, {-3, 0}, {-2, 3}, {0, 2}, {-1, 4}, {0, 6}, {0, 8}, {-6, 8}}, 0});
    layout.welds = {{0, 3, 5, 1, 0, 2}, {0, 5, 6, 2, 0, 1}, {0, 5, 5, 3, 3, 3}, {0, 6, 7, 3, 0, 1},
                    {2, 1, 0, 3, 1, 3}, {1, 4, 5, 3, 5, 6}, {1, 0, 0, 3, 3, 3}, {1, 0, 0, 2, 1, 1}};
    return layout;
}

} // namespace

// With L and R not welded along the spike, the three-cell slide takes the
// general way. F's point at V goes with V, and its stretch listed after that
// point must still move its end from Vn to Vp: Vn leaves K's ring. The new
// junction at M holds four cells; R's vertex there is the sharpest and R, a
// triangle, leaves.
TEST(PickCorrection, AFourthCellsStretchAtVnAfterItsPointAtVFollowsTheGeneralSlide)
{
    auto e = buildChecked(spikeUnderAWrappingCell());
    ASSERT_TRUE(topologyIsSound(*e));
    cell* K = e->cells[0];
    point3D* Vp = vertexAt(*e, 0, 4);
    point3D* V = vertexAt(*e, 0, 5);
    point3D* Vn = vertexAt(*e, 0, 6);
    ASSERT_EQ(V->in_edge->partner->cell, e->cells[1]);
    ASSERT_EQ(V->out_edge->partner->cell, e->cells[2]);
    ASSERT_FALSE(vertexAt(*e, 1, 0)->in_edge->bonded);  // L0's in-edge faces the gap
    const interpair* KF = welding::find_pair(K, e->cells[3]);
    ASSERT_NE(KF, nullptr);
    ASSERT_EQ(KF->MP.size(), 2u);
    ASSERT_EQ(KF->MP[0]->S1, V);
    ASSERT_EQ(KF->MP[0]->S2, V);
    ASSERT_EQ(KF->MP[1]->S1, Vn);

    EXPECT_EQ(e->pick_correction(V), -1) << e->message.toStdString();
    ASSERT_FALSE(K->dead);
    EXPECT_TRUE(e->cells[2]->dead);  // R
    ASSERT_FALSE(V->alive);
    ASSERT_FALSE(Vn->alive);
    ASSERT_FALSE(KF->removed);
    ASSERT_EQ(KF->MP.size(), 1u);
    EXPECT_EQ(KF->MP[0]->S1->id, Vp->id);
    // The checker holds every stretch end to a live vertex of its cell.
    EXPECT_TRUE(soundAndUncrossed(*e));
}
