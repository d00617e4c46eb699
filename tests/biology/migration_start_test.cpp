// The start of a migration: the exit side of a direction, the leading front
// into free space or against a neighbour, the rear records, the gap between
// two cells, and the alternative start that wears a neighbour through.
#include "division_fixtures.h"

#include <QString>

#include <cmath>
#include <limits>

namespace {

constexpr double kCap = 31.4159265;

// Marked front vertices of c as ring indices, from ring vertex 0 on.
std::vector<int> markedFront(const dbReader& e, int c)
{
    std::vector<int> marked;
    const int n = static_cast<int>(e.cells[c]->sides.size());
    for (int k = 0; k < n; ++k)
        if (vertexAt(e, c, k)->migrate_mark)
            marked.push_back(k);
    return marked;
}

TEST_F(DivisionTest, FreeFrontFacesTheDirection)
{
    TissueLayout layout;
    layout.cells.push_back(regularPolygon(20, 10.0));
    for (double force : {50.0, 10.0}) {
        auto e = build(layout);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        // At 9 degrees the ray leaves through side 0; vertices 17 .. 4 face
        // the direction by more than 0.17, 16 and 5 are the first beyond.
        e->cell_migrate_response_1(c, 9.0, nullptr, force);
        EXPECT_EQ(c->migrate_responded, 1);
        EXPECT_EQ(c->remesh, 1);
        EXPECT_EQ(c->front_first, vertexAt(*e, 0, 16));
        EXPECT_EQ(c->front_last, vertexAt(*e, 0, 5));
        EXPECT_EQ(markedFront(*e, 0), (std::vector<int>{0, 1, 2, 3, 4, 5, 16, 17, 18, 19}));
        for (int k : markedFront(*e, 0))
            EXPECT_EQ(vertexAt(*e, 0, k)->migrate_force, std::min(force, kCap));
        EXPECT_EQ(vertexAt(*e, 0, 10)->migrate_force, 0.0);
        EXPECT_EQ(e->cell_migrate_angle(c, 9.0), nullptr);
    }
}

// The quarter turns up and down leave through the top and the bottom side.
TEST_F(DivisionTest, QuarterTurnsFindTopAndBottom)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}, 0});
    struct Case {
        double angle;
        int first, last;
    } cases[] = {{90.0, 3, 7}, {270.0, 7, 3}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.angle);
        auto e = build(layout);
        ASSERT_TRUE(e);
        e->cell_migrate_response_1(e->cells[0], k.angle, nullptr, 5.0);
        EXPECT_EQ(e->cells[0]->front_first, vertexAt(*e, 0, k.first));
        EXPECT_EQ(e->cells[0]->front_last, vertexAt(*e, 0, k.last));
    }
}

// Cell 0 pushes right into cell 1 (type 4) along the stretch (10,0) ..
// (10,10); its slanted sides beyond the stretch face right, its left side
// is welded to cell 2 (type 4). With `split`, the weld with cell 1 is two
// stretches meeting at (10,5).
TissueLayout pushingCells(bool split)
{
    TissueLayout l;
    l.cells.push_back({{{0, 0}, {8, -2}, {10, 0}, {10, 5}, {10, 10}, {8, 12}, {0, 10}}, 0});
    l.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 5}}, 4});
    l.cells.push_back({{{-10, 0}, {0, 0}, {0, 10}, {-10, 10}}, 4});
    if (split) {
        l.welds.push_back({0, 2, 3, 1, 4, 0});
        l.welds.push_back({0, 3, 4, 1, 3, 4});
    } else {
        l.welds.push_back({0, 2, 4, 1, 3, 0});
    }
    l.welds.push_back({0, 6, 0, 2, 1, 2});
    return l;
}

TEST_F(DivisionTest, WeldedFrontPushesIntoTheNeighbour)
{
    auto e = build(pushingCells(false));
    ASSERT_TRUE(e);
    cell* c = e->cells[0];
    EXPECT_EQ(e->cell_migrate_angle(c, 0.0), e->cells[1]);
    EXPECT_EQ(e->cell_migrate_angle(c, 180.0), e->cells[2]);
    e->cell_migrate_response_1(c, 0.0, nullptr, 50.0);
    EXPECT_EQ(c->front_first, vertexAt(*e, 0, 2));
    EXPECT_EQ(c->front_last, vertexAt(*e, 0, 4));
    EXPECT_EQ(markedFront(*e, 0), (std::vector<int>{2, 3, 4}));
    for (int k : {2, 3, 4})
        EXPECT_EQ(vertexAt(*e, 0, k)->migrate_force, 50.0);
    // The slanted free sides beyond both ends help, unmarked.
    EXPECT_EQ(vertexAt(*e, 0, 1)->migrate_force, kCap);
    EXPECT_EQ(vertexAt(*e, 0, 5)->migrate_force, kCap);
    EXPECT_EQ(vertexAt(*e, 0, 0)->migrate_force, 0.0);
    EXPECT_EQ(vertexAt(*e, 0, 6)->migrate_force, 0.0);
    EXPECT_TRUE(c->filling_cells.empty());  // no degradable list

    // Of two stretches, the one holding the exit side is the front.
    auto s = build(pushingCells(true));
    ASSERT_TRUE(s);
    s->cell_migrate_response_1(s->cells[0], 20.0, nullptr, 50.0);
    EXPECT_EQ(s->cells[0]->front_first, vertexAt(*s, 0, 3));
    EXPECT_EQ(s->cells[0]->front_last, vertexAt(*s, 0, 4));
}

TEST_F(DivisionTest, RearRecordsOfDegradableNeighbours)
{
    auto e = build(pushingCells(false));
    ASSERT_TRUE(e);
    cell* c = e->cells[0];
    std::vector<int> degradable{4};
    e->cell_migrate_response_1(c, 0.0, &degradable, 50.0);
    e->cell_migrate_response_1(c, 0.0, &degradable, 50.0);
    ASSERT_EQ(c->filling_cells.size(), 2u);
    const rear_fc* self = c->filling_cells[0];
    EXPECT_EQ(self->id, 0);
    EXPECT_EQ(self->self_record, 1);
    EXPECT_EQ(self->filling_cell, c);
    EXPECT_EQ(self->NCs, std::vector<cell*>{e->cells[2]});
    const rear_fc* first = c->filling_cells[1];
    EXPECT_EQ(first->id, 1);
    EXPECT_EQ(first->filling_cell, e->cells[1]);
    EXPECT_TRUE(first->NCs.empty());
    EXPECT_EQ(first->angle, 0.0);
    EXPECT_EQ(first->x, c->center[0]);

    // Against cell 2: no record while the centre is within 10.0 of record 1's.
    c->filling_cells[1]->x = c->center[0] - 9.99;
    e->cell_migrate_response_1(c, 180.0, &degradable, 50.0);
    EXPECT_EQ(c->filling_cells.size(), 2u);
    c->filling_cells[1]->x = c->center[0] - 10.0;
    e->cell_migrate_response_1(c, 180.0, &degradable, 50.0);
    ASSERT_EQ(c->filling_cells.size(), 3u);
    EXPECT_EQ(c->filling_cells[2]->id, 2);
    EXPECT_EQ(c->filling_cells[2]->filling_cell, e->cells[2]);
    EXPECT_EQ(c->filling_cells[2]->angle, 180.0);
}

// Two diamonds facing each other tip to tip, `gap` apart.
TissueLayout facingDiamonds(double gap)
{
    TissueLayout l;
    l.cells.push_back({{{-10, 0}, {0, -10}, {10, 0}, {0, 10}}, 0});
    const double x = 20.0 + gap;
    l.cells.push_back({{{x - 10, 0}, {x, -10}, {x + 10, 0}, {x, 10}}, 0});
    return l;
}

TEST_F(DivisionTest, DistanceBetweenCells)
{
    auto e = build(facingDiamonds(0.0));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->cell_distance(e->cells[0], e->cells[1]), 0.0);

    auto a = build(facingDiamonds(5.0));
    ASSERT_TRUE(a);
    EXPECT_DOUBLE_EQ(a->cell_distance(a->cells[0], a->cells[1]), 5.0);

    // A cell without sides is infinitely far, and leaves nothing to start from.
    std::vector<edge*> sides;
    sides.swap(a->cells[1]->sides);
    EXPECT_EQ(a->cell_distance(a->cells[0], a->cells[1]), std::numeric_limits<double>::infinity());
    EXPECT_EQ(a->message, QString("ERROR: distance between cells 0 and 1 is NULL!"));
    EXPECT_EQ(a->cell_migrate_angle(a->cells[1], 0.0), nullptr);
    a->cell_migrate_response_1(a->cells[1], 0.0, nullptr, 5.0);
    EXPECT_EQ(a->cells[1]->migrate_responded, 0);
    sides.swap(a->cells[1]->sides);
}

// A thin degradable neighbour (2 wide) ahead: its small ear triangles reach
// its far side, which faces the direction, so the alternative start marks it
// dying and caps the front force; the ordinary start does neither.
TEST_F(DivisionTest, AlternativeStartWearsAThinNeighbourThrough)
{
    TissueLayout l;
    l.cells.push_back({{{0, 0}, {10, 0}, {10, 2.5}, {10, 5}, {10, 7.5}, {10, 10}, {0, 10}}, 0});
    l.cells.push_back(
        {{{10, 0}, {12, 0}, {12, 2}, {12, 4}, {12, 6}, {12, 8}, {12, 10}, {10, 10}, {10, 7.5}, {10, 5}, {10, 2.5}},
         4});
    l.welds.push_back({0, 1, 5, 1, 7, 0});
    std::vector<int> degradable{4};
    for (bool alternative : {false, true}) {
        SCOPED_TRACE(alternative);
        auto e = build(l);
        ASSERT_TRUE(e);
        e->cell_interior_resample(e->cells[1], 0);
        if (alternative)
            e->cell_migrate_response_0(e->cells[0], 0.0, &degradable, 50.0);
        else
            e->cell_migrate_response_1(e->cells[0], 0.0, &degradable, 50.0);
        EXPECT_EQ(e->cells[1]->dying, alternative ? 1 : 0);
        EXPECT_EQ(vertexAt(*e, 0, 3)->migrate_force, alternative ? kCap : 50.0);
        EXPECT_EQ(e->cells[0]->filling_cells.size(), 2u);
    }
}

}  // namespace
