// Crossing codes of P's outgoing edge (A = P -> B = P.next) against Q's
// incoming edge (E = Q.prev -> F = Q). The edges are laid out so that the
// crossing sits at the wanted parameters: B = (0, 0), A = (1, 0), and Q's
// edge vertical at x = uP from (uP, -uQ) to (uP, 1 - uQ).
#include "contact/welding.h"
#include "support/tissue_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Chains {
    std::vector<std::unique_ptr<point3D>> points;
    std::vector<std::unique_ptr<edge>> edges;
    point3D* P = nullptr;
    point3D* Q = nullptr;

    point3D* add(double x, double y)
    {
        points.push_back(std::make_unique<point3D>(static_cast<int>(points.size()), x, y));
        return points.back().get();
    }
    void link(point3D* a, point3D* b)
    {
        edges.push_back(std::make_unique<edge>(static_cast<int>(edges.size()), a, b, nullptr));
        a->next = b;
        b->prev = a;
        a->out_edge = edges.back().get();
        b->in_edge = edges.back().get();
    }
    // prevP -> P -> nextP and prevQ -> Q -> nextQ.
    Chains(double ax, double ay, double bx, double by, double ex, double ey, double fx, double fy,
           double pprevx = -5.0, double pprevy = 5.0, double qnextx = 50.0, double qnexty = 50.0)
    {
        point3D* pp = add(pprevx, pprevy);
        P = add(ax, ay);
        point3D* pn = add(bx, by);
        point3D* qp = add(ex, ey);
        Q = add(fx, fy);
        point3D* qn = add(qnextx, qnexty);
        link(pp, P);
        link(P, pn);
        link(qp, Q);
        link(Q, qn);
    }
};

Chains at(double uP, double uQ)
{
    return Chains(1.0, 0.0, 0.0, 0.0, uP, -uQ, uP, 1.0 - uQ);
}

class IntersectionType : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        engine = buildTissue(singleSquare(), &error);
        ASSERT_TRUE(engine) << error;
    }
    std::unique_ptr<dbReader> engine;
};

TEST_F(IntersectionType, ProperCrossingsByHalf)
{
    struct Row {
        double uP, uQ;
        int code;
    };
    const Row rows[] = {
        {0.25, 0.25, 3}, {0.75, 0.75, 4}, {0.75, 0.25, 5}, {0.25, 0.75, 6},
        {0.75, 0.5, 5},  {0.5, 0.75, 6},  {0.5, 0.5, -1},  {0.5, 0.25, -1},
        {0.25, 0.5, -1},
    };
    for (const Row& r : rows) {
        Chains c = at(r.uP, r.uQ);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), r.code) << "uP " << r.uP << " uQ " << r.uQ;
    }
}

TEST_F(IntersectionType, EndsAndSnapping)
{
    struct Row {
        double uP, uQ;
        int code;
    };
    const Row rows[] = {
        {1.0, 1.0, 1},
        {0.0, 0.0, 2},
        {0.0, 1.0, 7},
        {1.0, 0.0, 8},
        {1.0 - 5e-10, 1.0 + 5e-10, 1}, // within 1e-9 of both ends
        {2e-10, 0.3, -1},              // an end on the inside of the other edge
        {0.3, 1.0, -1},                // Q on the inside of P's edge: no T code
        {1.5, 0.5, -1},                // crossing beyond P's edge
        {0.5, -0.5, -1},               // crossing beyond Q's edge
    };
    for (const Row& r : rows) {
        Chains c = at(r.uP, r.uQ);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), r.code) << "uP " << r.uP << " uQ " << r.uQ;
    }
}

TEST_F(IntersectionType, ParallelEdgesCompareOnlyX)
{
    // P's edge (1,0)->(0,0); Q's edge horizontal too.
    Chains sameX(1.0, 0.0, 0.0, 0.0, 0.0, 3.0, 1.0, 3.0);
    EXPECT_EQ(engine->intersection_type(sameX.P, sameX.Q), 9);
    // P's prev and Q's next at one place.
    Chains closed(1.0, 0.0, 0.0, 0.0, 0.0, 3.0, 1.0, 3.0, 7.0, 7.0, 7.0, 7.0);
    EXPECT_EQ(engine->intersection_type(closed.P, closed.Q), 10);
    // Overlapping but P.x != Q.x.
    Chains overlap(1.0, 0.0, 0.0, 0.0, -0.5, 0.0, 0.5, 0.0);
    EXPECT_EQ(engine->intersection_type(overlap.P, overlap.Q), -1);
    // No weld override on parallel edges.
    Chains welded(1.0, 0.0, 0.0, 0.0, 0.0, 3.0, 1.0, 3.0);
    welded.P->next->pushmp(welded.Q->prev);
    welded.P->pushmp(welded.Q);
    EXPECT_EQ(engine->intersection_type(welded.P, welded.Q), 9);
}

TEST_F(IntersectionType, WeldsOverrideGeometry)
{
    // Far apart: geometry alone gives -1.
    auto far = [] { return Chains(1.0, 0.0, 0.0, 0.0, 10.0, 10.0, 11.0, 12.0); };
    {
        Chains c = far();
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), -1);
    }
    {
        Chains c = far();
        c.P->pushmp(c.Q);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 1);
    }
    {
        Chains c = far();
        c.P->pushmp(c.Q->prev);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 8);
    }
    {
        Chains c = far();
        c.P->next->pushmp(c.Q->prev);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 2);
    }
    {
        Chains c = far();
        c.P->next->pushmp(c.Q);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 7);
    }
    {
        // The partner listed first decides.
        Chains c = far();
        c.P->pushmp(c.Q->prev);
        c.P->pushmp(c.Q);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 8);
    }
    {
        // P and Q at one place: 1, even with P's next welded to Q's prev.
        Chains c = at(1.0, 1.0);
        c.P->next->pushmp(c.Q->prev);
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 1);
    }
    {
        // P has partners, none of them Q: geometry (snapped to both ends) decides.
        Chains c = at(1.0, 1.0);
        auto other = std::make_unique<point3D>(99, 7.0, 7.0);
        c.P->pushmp(other.get());
        EXPECT_EQ(engine->intersection_type(c.P, c.Q), 1);
        Chains d = at(0.25, 0.75);
        d.P->pushmp(other.get());
        EXPECT_EQ(engine->intersection_type(d.P, d.Q), 6);
    }
}

// A ring that passes through the inside of the other cell's edge at one of
// its vertices, or a hair beside it, crosses there: the contact response's
// code sees it once, on the edge of the vertex that the crossing lies on
// (the one ending at the vertex when it lies on the line); a vertex that
// touches the edge and turns back is no crossing. intersection_type itself
// keeps -1 for an end on the inside of the other edge.
TEST_F(IntersectionType, TheResponseSeesACrossingThroughAVertexOnce)
{
    auto isCrossing = [](int code) { return code >= 3 && code <= 6; };
    // Q's ring (0.2, -1) -> Q = (0.3, eta) -> (0.4, back ? -1 : 1) against
    // P's edge (1, 0) -> (0, 0): the couples of Q's incoming and outgoing
    // edges.
    struct Row {
        double eta;
        bool back;
        int in, out; // crossing_type of the two couples
    };
    const Row rows[] = {
        {0.0, false, 6, -1}, {5e-10, false, 6, -1}, {-5e-10, false, -1, 3}, {0.0, true, -1, -1}, {-5e-10, true, -1, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "eta " << r.eta << (r.back ? ", turning back" : ""));
        Chains c(1.0, 0.0, 0.0, 0.0, 0.2, -1.0, 0.3, r.eta, -5.0, 5.0, 0.4, r.back ? -1.0 : 1.0);
        point3D* after = c.Q->next;
        EXPECT_EQ(welding::crossing_type(c.P, c.Q), r.in);
        EXPECT_EQ(welding::crossing_type(c.P, after), r.out);
        EXPECT_FALSE(isCrossing(engine->intersection_type(c.P, c.Q)));
        EXPECT_FALSE(isCrossing(engine->intersection_type(c.P, after)));
    }
    // P's ring (0, 0.3) -> (0.5 + eta, 0.3) -> (1, 0.4) through Q's edge
    // (0.5, -1) -> (0.5, 1): on the outgoing edge of P or of P's next.
    for (double eta : {0.0, 1e-10, -1e-10}) {
        SCOPED_TRACE(testing::Message() << "eta " << eta);
        Chains c(0.0, 0.3, 0.5 + eta, 0.3, 0.5, -1.0, 0.5, 1.0);
        point3D* beyond = c.add(1.0, 0.4);
        c.link(c.P->next, beyond);
        const int first = welding::crossing_type(c.P, c.Q);
        const int second = welding::crossing_type(c.P->next, c.Q);
        EXPECT_EQ(isCrossing(first) + isCrossing(second), 1) << first << " " << second;
        EXPECT_EQ(isCrossing(first), eta >= 0.0);
    }
}

} // namespace
