// Boundary vertex and edge records: initial values, merge partners, angles,
// fold and outside tests.
#include "model/dbreader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A counter-clockwise ring of loose vertices and edges, linked as a builder would.
struct Ring {
    std::vector<std::unique_ptr<point3D>> v;
    std::vector<std::unique_ptr<edge>> e;

    explicit Ring(const std::vector<std::pair<double, double>>& xy)
    {
        for (size_t k = 0; k < xy.size(); ++k)
            v.push_back(std::make_unique<point3D>(static_cast<int>(k), xy[k].first, xy[k].second));
        const size_t n = v.size();
        for (size_t k = 0; k < n; ++k) {
            point3D* a = v[k].get();
            point3D* b = v[(k + 1) % n].get();
            e.push_back(std::make_unique<edge>(static_cast<int>(k), a, b, nullptr));
            a->next = b;
            b->prev = a;
            a->out_edge = e.back().get();
            b->in_edge = e.back().get();
        }
    }
};

} // namespace

TEST(VertexRecord, NewVertexHoldsItsInitialValues)
{
    point3D p(7, 2.5, -3.0);
    EXPECT_EQ(p.id, 7);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(p.x_history[k], 2.5);
        EXPECT_EQ(p.y_history[k], -3.0);
    }
    EXPECT_EQ(p.alive, point3D::VERTEX_ALIVE);
    EXPECT_EQ(p.boundary, point3D::BOUNDARY_VERTEX);
    EXPECT_EQ(p.force_state, point3D::FORCE_OUTWARD);
    EXPECT_EQ(p.node_sm_count, -10000);
    EXPECT_TRUE(p.mp.empty() && p.inner_at.empty() && p.node_sm.empty());
    EXPECT_EQ(p.next, nullptr);
    EXPECT_EQ(p.prev, nullptr);
    EXPECT_EQ(p.node, nullptr);
    EXPECT_EQ(p.cell, nullptr);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(p.force[k], 0.0);
        EXPECT_EQ(p.separation_force[k], 0.0);
        EXPECT_EQ(p.applied_force[k], 0.0);
        EXPECT_EQ(p.relax_displacement[k], 0.0);
    }
    EXPECT_EQ(p.migrate_force, 0.0);
    EXPECT_EQ(p.growth_force, 0.0);
}

TEST(EdgeRecord, NewEdgeIsFreeAndInUse)
{
    point3D a(0, 0, 0), b(1, 3, 4);
    edge e(5, &a, &b, nullptr);
    EXPECT_EQ(e.bonded, edge::FREE);
    EXPECT_EQ(e.in_use, 1);
    EXPECT_EQ(e.selected, 0);
    EXPECT_EQ(e.partner, nullptr);
    EXPECT_EQ(e.pair, nullptr);
    for (auto& row : e.coupling_sm)
        for (double d : row)
            EXPECT_EQ(d, 0.0);
    EXPECT_EQ(e.getlength(), 5.0);
}

TEST(VertexRecord, MergePartnerListRules)
{
    point3D p(1, 0, 0), a(2, 0, 0), b(3, 0, 0), c(4, 0, 0), twin(1, 5, 5);

    // Self and any vertex with the same id are refused; a repeat is refused.
    p.pushmp(&p);
    p.pushmp(&twin);
    EXPECT_TRUE(p.mp.empty());
    p.pushmp(&a);
    p.pushmp(&a);
    EXPECT_EQ(p.mp, (std::vector<point3D*>{&a}));

    // checkmp: listed partners are true, a vertex of the same id never is.
    EXPECT_TRUE(p.checkmp(&a));
    EXPECT_FALSE(p.checkmp(&b));
    p.mp.push_back(&twin);  // forced in past the rules
    EXPECT_FALSE(p.checkmp(&twin));
    p.mp.pop_back();

    // removemp: first occurrence only, order kept, absent changes nothing.
    p.pushmp(&b);
    p.pushmp(&c);
    p.removemp(&b);
    EXPECT_EQ(p.mp, (std::vector<point3D*>{&a, &c}));
    p.removemp(&b);
    EXPECT_EQ(p.mp, (std::vector<point3D*>{&a, &c}));
    p.mp.push_back(&a);
    p.removemp(&a);
    EXPECT_EQ(p.mp, (std::vector<point3D*>{&c, &a}));
}

TEST(VertexRecord, ClearingOrDestroyingLeavesThePartnersLists)
{
    point3D a(0, 0, 0), b(1, 0, 0);
    a.pushmp(&b);
    b.pushmp(&a);
    a.clearmp();
    EXPECT_TRUE(a.mp.empty());
    EXPECT_EQ(b.mp, (std::vector<point3D*>{&a}));

    auto* doomed = new point3D(2, 0, 0);
    a.pushmp(doomed);
    doomed->pushmp(&a);
    delete doomed;  // a keeps its (now stale) entry: callers unweld first
    EXPECT_EQ(a.mp.size(), 1u);
}

TEST(VertexRecord, PointAngleOnASquareAndDegenerateNeighbours)
{
    Ring sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    // The 3.14159265 conversion puts the quarter turns a hair off 90 degrees.
    const double quarter = std::asin(1.0) * 180.0 / 3.14159265;
    EXPECT_DOUBLE_EQ(sq.v[1]->point_angle(), 180.0 - quarter);
    EXPECT_DOUBLE_EQ(sq.v[3]->point_angle(), quarter);
    EXPECT_NE(sq.v[1]->point_angle(), 90.0);

    Ring line({{0, 0}, {1, 0}, {2, 0}, {1, 5}});
    EXPECT_EQ(line.v[1]->point_angle(), 180.0);

    // Reflex vertex of a counter-clockwise ring.
    Ring notch({{0, 0}, {4, 0}, {2, 1}, {4, 4}, {0, 4}});
    EXPECT_GT(notch.v[2]->point_angle(), 180.0);

    // Neighbours in one direction: 0, never 360, even where the two polar
    // angles differ by rounding (13.5, 13.5) against (9, 9).
    point3D v(0, 0, 0), prev(1, 13.5, 13.5), next(2, 9, 9);
    v.prev = &prev;
    v.next = &next;
    EXPECT_EQ(v.point_angle(), 0.0);
    prev.x = 2.0;
    prev.y = 0.0;
    next.x = 1.0;
    next.y = 0.0;
    EXPECT_EQ(v.point_angle(), 0.0);
}

TEST(VertexRecord, PressureIncrementFromTheTwoEdges)
{
    // Unit square, cell with tension 1, pressure 2, mass 0.5; vertex (1,0).
    Ring sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    cell c(0);
    c.tension = 1.0;
    c.pressure = 2.0;
    c.mass = 0.5;
    for (auto& e : sq.e) {
        e->cell = &c;
        c.sides.push_back(e.get());
    }
    point3D* v = sq.v[1].get();
    v->setPressure_increment();
    // Tension pulls toward (0,0) and (1,1); pressure pushes along (0,-1) and (1,0).
    EXPECT_DOUBLE_EQ(v->total_force[0], -1.0 + 0.0 + 0.0 + 1.0);
    EXPECT_DOUBLE_EQ(v->total_force[1], 0.0 + 1.0 - 1.0 + 0.0);
    const double k = 4.0 * (31.4159265 / 4.0);
    const double d = 2.0 * 0.1 * 0.1;
    const double mag = (1.0 / 3.14159265) * 0.5 * k / d;
    EXPECT_NEAR(v->pressure_increment_out[0], 1.0 * mag, 1e-9);   // out edge (1,0)->(1,1): normal (1,0)
    EXPECT_NEAR(v->pressure_increment_out[1], 0.0, 1e-12);
    EXPECT_NEAR(v->pressure_increment_in[0], 0.0, 1e-12);         // in edge (0,0)->(1,0): normal (0,-1)
    EXPECT_NEAR(v->pressure_increment_in[1], -1.0 * mag, 1e-9);
    for (auto& e : sq.e)
        e->cell = nullptr;
    c.sides.clear();
}

TEST(EdgeRecord, NormalComponents)
{
    point3D a(0, 1, 2), b(1, 4, 6);
    edge e(0, &a, &b, nullptr);
    EXPECT_EQ(e.getnormal(0), 4.0);
    EXPECT_EQ(e.getnormal(1), -3.0);
    EXPECT_EQ(e.getnormal(2), 0.0);
    EXPECT_EQ(e.getnormal(-1), 0.0);
}

TEST(EdgeRecord, OutsideTestHasAHalfOpenBandOf1em11)
{
    point3D a(0, 0, 0), b(1, 1, 0);
    edge e(0, &a, &b, nullptr);  // along +x: outside is y < 0
    EXPECT_FALSE(e.judge_vert_out_side(0.5, 0.0));     // on the line
    EXPECT_FALSE(e.judge_vert_out_side(0.5, 1.0));     // left, inside
    EXPECT_TRUE(e.judge_vert_out_side(0.5, -1.0));
    // v = (p2.y - p1.y)(x - p1.x) + (p1.x - p2.x)(y - p1.y) = -y here.
    EXPECT_TRUE(e.judge_vert_out_side(0.5, -1e-11));
    EXPECT_FALSE(e.judge_vert_out_side(0.5, -0.9e-11));
}

TEST(EdgeRecord, TwistAtThreeHundredDegreesOrDoubleTurnBack)
{
    // Edge (1,0) -> (0,0); p1.prev = (2,-1) keeps the first dot product positive,
    // so only the angle at p2 decides. Its next lies at polar angle phi, so the
    // angle at p2 (from next round to prev (1,0)) is 360 - phi.
    point3D before(0, 2, -1), p1(1, 1, 0), p2(2, 0, 0), after(3, 0, 0);
    p1.prev = &before;
    p1.next = &p2;
    p2.prev = &p1;
    p2.next = &after;
    edge e(0, &p1, &p2, nullptr);

    // A unit direction whose polar angle computes to 60.0 exactly: 300 at p2.
    after.x = 0.500000001036284;
    after.y = 0.8660254031861399;
    ASSERT_EQ(p2.point_angle(), 300.0);
    EXPECT_TRUE(e.edge_twist());

    const double rad = 60.1 * 3.14159265 / 180.0;
    after.x = std::cos(rad);
    after.y = std::sin(rad);
    EXPECT_NEAR(p2.point_angle(), 299.9, 1e-6);
    EXPECT_FALSE(e.edge_twist());

    // Both dot products negative: the boundary turns back before and after.
    point3D q0(0, 0, 0), q1(1, 1, 0), q2(2, 0, 0), q3(3, 1, 0);
    q1.prev = &q0;
    q1.next = &q2;
    q2.prev = &q1;
    q2.next = &q3;
    edge back(0, &q1, &q2, nullptr);
    EXPECT_TRUE(back.edge_twist());
}
