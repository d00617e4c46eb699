// The end check and refresh of a re-welded stretch on two cells whose free
// boundaries cross once on each side of their weld: A above, dipping to
// y = -0.5 beside the weld, B below, rising to y = 0.5. The crossing on the
// left lies on A0 -> A1 and on B's edge into B's left corner, the one on the
// right mirrors it.
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// `stretch`: A2..A4 welded to B2..B4 (A's ring has 9 vertices, B's 9).
// Otherwise a single point A2 = B2 (7 vertices each); `roomy` gives A's top
// and B's bottom more vertices (10 each), so that the weld through A2 = B2
// is the shorter way round both rings.
std::unique_ptr<dbReader> crossingCells(bool stretch, bool roomy = false)
{
    TissueLayout layout;
    FixtureCell a;
    FixtureCell b;
    if (stretch) {
        a.ring = {{0, 0}, {2, -0.5}, {4, 0}, {6, 0}, {8, 0}, {10, -0.5}, {12, 0}, {12, 10}, {0, 10}};
        b.ring = {{12, -0.2}, {10, 0.5}, {8, 0}, {6, 0}, {4, 0}, {2, 0.5}, {0, -0.2}, {0, -10}, {12, -10}};
        layout.welds.push_back(FixtureWeld{0, 2, 4, 1, 2, 4});
    } else {
        a.ring = {{0, 0}, {2, -0.5}, {4, 0}, {6, -0.5}, {8, 0}, {8, 10}, {0, 10}};
        b.ring = {{8, -0.2}, {6, 0.5}, {4, 0}, {2, 0.5}, {0, -0.2}, {0, -10}, {8, -10}};
        if (roomy) {
            a.ring = {{0, 0}, {2, -0.5}, {4, 0}, {6, -0.5}, {8, 0}, {8, 5}, {8, 10}, {4, 10}, {0, 10}, {0, 5}};
            b.ring = {{8, -0.2}, {6, 0.5}, {4, 0}, {2, 0.5}, {0, -0.2}, {-1, -5}, {-1, -10}, {4.3, -11}, {9, -10}, {9, -5}};
        }
        layout.welds.push_back(FixtureWeld{0, 2, 2, 1, 2, 2});
    }
    layout.cells = {a, b};
    std::string error;
    auto engine = buildTissue(layout, &error);
    EXPECT_TRUE(engine) << error;
    return engine;
}

std::vector<std::pair<double, double>> positions(const dbReader& e)
{
    std::vector<std::pair<double, double>> out;
    for (const point3D* p : e.points)
        out.push_back({p->x, p->y});
    return out;
}

struct Cells {
    std::unique_ptr<dbReader> e;
    point3D* A(int j) const { return e->points[static_cast<std::size_t>(j)]; }
    point3D* B(int j) const { return e->points[e->cells[0]->sides.size() + static_cast<std::size_t>(j)]; }
    interpair* pair() const { return e->interpairs[0]; }
    cell* a() const { return e->cells[0]; }
};

TEST(EndCheck, CoupleAtAnEndAnswersWithoutWalking)
{
    Cells s{crossingCells(true)};
    ASSERT_TRUE(s.e);
    const auto before = positions(*s.e);
    point3D* first = nullptr;
    point3D* second = nullptr;
    // X1 = A2 (or Y2 = B4): the first end; X2 = A4 (or Y1 = B2): the second;
    // both hold: the first end wins.
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(2), s.B(0), &first, &second), 1);
    EXPECT_EQ(first, s.A(2));
    EXPECT_EQ(second, s.B(0));
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(0), s.B(4), &first, &second), 1);
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(4), s.B(0), &first, &second), 0);
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(0), s.B(2), &first, &second), 0);
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(2), s.B(2), &first, &second), 1);
    EXPECT_EQ(positions(*s.e), before);
}

TEST(EndCheck, StretchPicksTheSideWhoseWalkStopsSoonerAndMovesNothing)
{
    Cells s{crossingCells(true)};
    ASSERT_TRUE(s.e);
    const auto before = positions(*s.e);
    point3D* first = nullptr;
    point3D* second = nullptr;
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(0), s.B(6), &first, &second), 1);
    EXPECT_EQ(first, s.A(0));
    EXPECT_EQ(second, s.B(6));
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(6), s.B(0), &first, &second), 0);
    EXPECT_EQ(first, s.A(6));
    EXPECT_EQ(second, s.B(0));
    EXPECT_EQ(positions(*s.e), before);
    EXPECT_TRUE(topologyIsSound(*s.e));
}

TEST(EndCheck, SinglePointSnapsExactlyOneCouple)
{
    Cells s{crossingCells(false)};
    ASSERT_TRUE(s.e);
    point3D* first = nullptr;
    point3D* second = nullptr;
    // Both crossings lie two ring steps away on each cell: the tie goes to the
    // second end.
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(0), s.B(4), &first, &second), 0);
    EXPECT_EQ(first, s.A(4));
    EXPECT_EQ(second, s.B(0));
    EXPECT_DOUBLE_EQ(first->x, 8.0);
    EXPECT_DOUBLE_EQ(first->y, -0.1);
    EXPECT_DOUBLE_EQ(second->y, -0.1);
    EXPECT_TRUE(first->checkmp(second));
    EXPECT_EQ(first->node, second->node);
    EXPECT_DOUBLE_EQ(s.A(0)->y, 0.0);
    EXPECT_DOUBLE_EQ(s.B(4)->y, -0.2);
    EXPECT_TRUE(topologyIsSound(*s.e));
}

TEST(EndCheck, BadInputChangesNothing)
{
    Cells s{crossingCells(true)};
    ASSERT_TRUE(s.e);
    point3D* first = nullptr;
    point3D* second = nullptr;
    // p on the wrong cell, a dead q.
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.B(0), s.A(0), &first, &second), -1);
    s.B(6)->alive = 0;
    EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(0), s.B(6), &first, &second), -1);
    s.B(6)->alive = 1;
    // A contact without a stretch: out of range, nothing changed.
    interpair* pair = s.pair();
    pair->remove_MP(pair->MP[0]);
    const auto before = positions(*s.e);
    EXPECT_THROW(s.e->boundary_merge_2_check(pair, s.a(), nullptr, s.A(0), s.B(6), &first, &second),
                 std::out_of_range);
    EXPECT_EQ(positions(*s.e), before);
    EXPECT_EQ(first, nullptr);
}

TEST(EndRefresh, StretchEndsMoveOntoTheFirstCrossing)
{
    Cells s{crossingCells(true)};
    ASSERT_TRUE(s.e);
    // The walk from A1 back and from B5 on meets the left crossing first: its
    // ends A0 and B6 are snapped and, being nearer to a's side, replace a
    // and c.
    point3D* a = s.A(1);
    point3D* b = s.A(4);
    point3D* c = s.B(2);
    point3D* d = s.B(5);
    s.e->boundary_merge_2_refresh(&a, &b, &c, &d, nullptr, nullptr);
    EXPECT_EQ(a, s.A(0));
    EXPECT_EQ(c, s.B(6));
    EXPECT_EQ(b, s.A(4));
    EXPECT_EQ(d, s.B(5));
    EXPECT_DOUBLE_EQ(s.A(0)->y, -0.1);
    EXPECT_TRUE(s.A(0)->checkmp(s.B(6)));
    EXPECT_TRUE(topologyIsSound(*s.e));

    // The weld's own ends: the first couple found is the weld itself.
    s.e = crossingCells(true);
    const auto before = positions(*s.e);
    a = s.A(2);
    b = s.A(4);
    c = s.B(2);
    d = s.B(4);
    s.e->boundary_merge_2_refresh(&a, &b, &c, &d, nullptr, nullptr);
    EXPECT_EQ(a, s.A(2));
    EXPECT_EQ(d, s.B(4));
    EXPECT_EQ(positions(*s.e), before);
}

TEST(EndRefresh, SinglePointsTakeBothCrossings)
{
    Cells s{crossingCells(false, true)};
    ASSERT_TRUE(s.e);
    point3D* a = s.A(2);
    point3D* b = s.A(2);
    point3D* c = s.B(2);
    point3D* d = s.B(2);
    s.e->boundary_merge_2_refresh(&a, &b, &c, &d, nullptr, nullptr);
    EXPECT_EQ(a, s.A(0));
    EXPECT_EQ(c, s.B(4));
    EXPECT_EQ(b, s.A(4));
    EXPECT_EQ(d, s.B(0));
    EXPECT_TRUE(s.A(4)->checkmp(s.B(0)));
    EXPECT_TRUE(s.A(0)->checkmp(s.B(4)));
    EXPECT_TRUE(topologyIsSound(*s.e));
    // The refreshed ends are a weld through the old point: re-welded, the
    // far sides keep their places.
    s.e->boundary_merge_2(a, b, c, d);
    EXPECT_TRUE(topologyIsSound(*s.e));
    EXPECT_DOUBLE_EQ(s.e->points[7]->y, 10.0);
    EXPECT_DOUBLE_EQ(s.e->points[16]->y, -10.0);

    // One single-point side and one stretch side: nothing changes.
    s.e = crossingCells(false);
    const auto before = positions(*s.e);
    a = s.A(2);
    b = s.A(2);
    c = s.B(1);
    d = s.B(3);
    s.e->boundary_merge_2_refresh(&a, &b, &c, &d, nullptr, nullptr);
    EXPECT_EQ(c, s.B(1));
    EXPECT_EQ(d, s.B(3));
    EXPECT_EQ(positions(*s.e), before);
    // Ends on one cell are refused.
    a = s.A(1);
    c = s.A(3);
    EXPECT_FALSE(welding::end_refresh(*s.e, &a, &b, &c, &d));
}

// Crossings that would leave the weld point outside the refreshed weld are
// nothing usable: on small rings the shorter way round both cells runs over
// their far sides, and two cells that also meet at another corner have
// their collinear sides there taken for crossings. Re-welding either would
// weld sides that do not meet.
TEST(EndRefresh, SinglePointKeepsItsWeldOrChangesNothing)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<dbReader>()> build;
        int a, c; // ring indices of the weld point on cells 0 and 1
    };
    const Case cases[] = {
        {"small rings", [] { return crossingCells(false); }, 2, 2},
        {"facing runs welded at both corners", [] { return buildTissue(facingRuns(2, 2, 9.0)); }, 0, 3},
    };
    for (const Case& k : cases) {
        auto e = k.build();
        ASSERT_TRUE(e) << k.name;
        const auto before = positions(*e);
        point3D* pa = vertexAt(*e, 0, k.a);
        point3D* pc = vertexAt(*e, 1, k.c);
        point3D* a = pa;
        point3D* b = pa;
        point3D* c = pc;
        point3D* d = pc;
        EXPECT_TRUE(welding::end_refresh(*e, &a, &b, &c, &d)) << k.name;
        EXPECT_EQ(a, pa) << k.name;
        EXPECT_EQ(b, pa) << k.name;
        EXPECT_EQ(c, pc) << k.name;
        EXPECT_EQ(d, pc) << k.name;
        EXPECT_EQ(positions(*e), before) << k.name;
        EXPECT_TRUE(topologyIsSound(*e)) << k.name;
    }
}

TEST(EndRefresh, CollinearFirstCrossingMovesTheEndsUnsnapped)
{
    // B's left side lies on A's right side: the first test that meets it is
    // a collinear one (code 9), whose ends become c's end without moving.
    TissueLayout layout;
    FixtureCell a;
    a.ring = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    FixtureCell b;
    b.ring = {{10, 2}, {20, 2}, {20, 8}, {10, 8}};
    layout.cells = {a, b};
    Cells s{buildTissue(layout)};
    ASSERT_TRUE(s.e);
    const auto before = positions(*s.e);
    point3D* pa = s.A(2);
    point3D* pb = s.A(0);
    point3D* pc = s.B(1);
    point3D* pd = s.B(2);
    ASSERT_EQ(s.e->intersection_type(s.B(3), s.A(2)), 9);
    s.e->boundary_merge_2_refresh(&pa, &pb, &pc, &pd, nullptr, nullptr);
    EXPECT_EQ(pa, s.A(2));
    EXPECT_EQ(pc, s.B(3));
    EXPECT_EQ(pb, s.A(0));
    EXPECT_EQ(pd, s.B(2));
    EXPECT_EQ(positions(*s.e), before);
    EXPECT_TRUE(s.B(3)->mp.empty());
}

TEST(EndRefresh, OneCoupleFoundByBothGroupsSnapsOnceAndIsPlacedByRingDistance)
{
    // The boundaries cross on one side of the single point only, so both
    // groups of walks meet the same couple. The outer corners are slanted so
    // that no far side lies on the other cell's and reads as collinear.
    for (const bool right : {true, false}) {
        SCOPED_TRACE(right ? "crossing on the right" : "crossing on the left");
        TissueLayout layout;
        FixtureCell a;
        FixtureCell b;
        const double l = right ? 0.5 : -0.5;
        a.ring = {{0, 0}, {2, l}, {4, 0}, {6, -l}, {8, 0}, {8, 10}, {0, 10}};
        b.ring = {{8, -0.2}, {6, l}, {4, 0}, {2, -l}, {0, -0.2}, {-1, -10}, {9, -10}};
        layout.cells = {a, b};
        layout.welds.push_back(FixtureWeld{0, 2, 2, 1, 2, 2});
        Cells s{buildTissue(layout)};
        ASSERT_TRUE(s.e);
        const std::size_t nodes = s.e->nodes.size();
        point3D* pa = s.A(2);
        point3D* pb = s.A(2);
        point3D* pc = s.B(2);
        point3D* pd = s.B(2);
        s.e->boundary_merge_2_refresh(&pa, &pb, &pc, &pd, nullptr, nullptr);
        // The couple nearer along next from the point becomes b/d, the one
        // nearer along prev becomes a/c; the other ends stay at the point.
        point3D* k2 = right ? s.A(4) : s.A(0);
        point3D* k1 = right ? s.B(0) : s.B(4);
        EXPECT_EQ(pa, right ? s.A(2) : k2);
        EXPECT_EQ(pc, right ? s.B(2) : k1);
        EXPECT_EQ(pb, right ? k2 : s.A(2));
        EXPECT_EQ(pd, right ? k1 : s.B(2));
        EXPECT_EQ(k2->mp, std::vector<point3D*>{k1});
        EXPECT_EQ(k1->mp, std::vector<point3D*>{k2});
        EXPECT_EQ(k1->x, k2->x);
        EXPECT_EQ(k1->y, k2->y);
        EXPECT_EQ(s.e->nodes.size(), nodes);
        EXPECT_TRUE(topologyIsSound(*s.e));
    }
}

} // namespace

namespace {

// A2..A4 welded to B2..B4, and beside each end a crossing on the free edge
// next to it: A's edge A1 -> A2 crosses B5 -> B6 (B's corner poking up into
// A beside the first end), and A4 -> A5 crosses B0 -> B1 beside the second.
// Each walk tests first the two edges next to its own end (beyond the
// first end A's out edges against B's in edges, beyond the second B's out
// edges against A's in edges), so a couple there is answered at its own
// end with the crossing beside it. Testing the edges the other way round
// skips the edge that ends at the welded end, finds nothing on that side,
// and answers with the far end's crossing.
TEST(EndCheck, EachWalkFindsTheCrossingNextToItsOwnEnd)
{
    TissueLayout layout;
    FixtureCell a;
    FixtureCell b;
    a.ring = {{0, 0}, {2, 0.5}, {4, 0}, {6, 0}, {8, 0}, {10, 0.5}, {12, 0}, {12, 10}, {0, 10}};
    b.ring = {{9.2, -1}, {9.2, 1}, {8, 0}, {6, 0}, {4, 0}, {2.8, 1}, {2.8, -1}, {0, -10}, {12, -10}};
    layout.cells = {a, b};
    layout.welds.push_back(FixtureWeld{0, 2, 4, 1, 2, 4});
    auto e = buildChecked(layout);
    ASSERT_TRUE(e);
    Cells s{std::move(e)};
    const auto before = positions(*s.e);
    struct Row {
        int p, q;       // the couple asked about (A's vertex, B's)
        int side;       // 1: the first end, 0: the second
        int first, second;
    };
    for (const Row& row : {Row{1, 6, 1, 1, 5}, Row{5, 0, 0, 5, 1}}) {
        point3D* first = nullptr;
        point3D* second = nullptr;
        EXPECT_EQ(s.e->boundary_merge_2_check(s.pair(), s.a(), nullptr, s.A(row.p), s.B(row.q), &first, &second),
                  row.side)
            << "A" << row.p;
        EXPECT_EQ(first, s.A(row.first)) << "A" << row.p;
        EXPECT_EQ(second, s.B(row.second)) << "A" << row.p;
    }
    EXPECT_EQ(positions(*s.e), before);
}

} // namespace
