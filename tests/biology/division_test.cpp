// Cell division: the worked 20-gon, the choice of the cut line, the state
// both halves leave with, and the divisions that must leave the cell whole.
#include "division_fixtures.h"

#include "contact/welding.h"

#include <QString>

#include <cmath>
#include <limits>

namespace {

// The ring vertex of c at (x, y), or null.
const point3D* vertexNear(const cell* c, double x, double y, double tolerance = 1e-9)
{
    for (const edge* e : c->sides)
        if (std::fabs(e->p1->x - x) < tolerance && std::fabs(e->p1->y - y) < tolerance)
            return e->p1;
    return nullptr;
}

TEST_F(DivisionTest, TwentyGonCutAtThirtyDegrees)
{
    TissueLayout layout;
    layout.cells.push_back(regularPolygon(20, 10.0));
    auto e = build(layout);
    ASSERT_TRUE(e);
    const Counts before = countsOf(*e);
    cell* parent = e->cells[0];

    ASSERT_EQ(e->cell_division(parent, 7, 0, 0, 30.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    // Two twins, then five vertex pairs along the cut (L = 20, n = 6).
    expectCounts(*e, Counts{2, before.points + 12, before.edges + 12, before.nodes + 5, 1});
    cell* D = e->cells[1];
    EXPECT_EQ(D->id, 1);
    EXPECT_EQ(parent->birth_step, 7);
    EXPECT_EQ(D->birth_step, 7);

    // K: S1 = Q (vertex 12), S2 = P (vertex 2), T1 = P' (20), T2 = Q' (21).
    const interpair* K = e->interpairs[0];
    EXPECT_EQ(K->cell1, parent);
    EXPECT_EQ(K->cell2, D);
    ASSERT_EQ(K->MP.size(), 1u);
    EXPECT_TRUE(holds(K->MP[0], 12, 2, 20, 21));
    EXPECT_EQ(K->MP[0]->id, 1);

    // New vertices: A_k then A'_k at Q (1 - k/6) + P k/6, welded in a node of their own.
    const point3D* P = e->points[2];
    const point3D* Q = e->points[12];
    for (int k = 1; k <= 5; ++k) {
        const point3D* a = e->points[20 + 2 * k];
        const point3D* ad = e->points[21 + 2 * k];
        const double f = k / 6.0;
        EXPECT_NEAR(a->x, Q->x * (1 - f) + P->x * f, 1e-12);
        EXPECT_NEAR(a->y, Q->y * (1 - f) + P->y * f, 1e-12);
        EXPECT_EQ(a->x, ad->x);
        EXPECT_EQ(a->y, ad->y);
        ASSERT_EQ(a->node, e->nodes[19 + k]);
        EXPECT_EQ(a->node->vertices, (std::vector<point3D*>{e->points[20 + 2 * k], e->points[21 + 2 * k]}));
    }
    EXPECT_EQ(P->node, e->points[20]->node);
    EXPECT_EQ(Q->node, e->points[21]->node);

    // Sides, in ring order: each half keeps ten old ones and gets six on the
    // cut; the daughter's run goes from the side leaving Q' to the side
    // entering P', its cut from P' back to Q'.
    ASSERT_EQ(parent->sides.size(), 16u);
    ASSERT_EQ(D->sides.size(), 16u);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(parent->sides[k]->id, 2 + k);
        EXPECT_EQ(D->sides[k]->id, (12 + k) % 20);
    }
    EXPECT_EQ(D->sides[0]->p1, e->points[21]);
    EXPECT_EQ(D->sides[9]->p2, e->points[20]);
    for (int k = 0; k < 6; ++k) {
        const edge* mine = parent->sides[10 + k];
        const edge* twin = D->sides[15 - k];
        EXPECT_EQ(mine->id, 20 + 2 * k);
        EXPECT_EQ(twin->id, 21 + 2 * k);
        EXPECT_EQ(mine->partner, twin);
        EXPECT_EQ(mine->pair, K);
        EXPECT_EQ(mine->p1->x, twin->p2->x);
        EXPECT_EQ(mine->p2->y, twin->p1->y);
        EXPECT_EQ(mine->p1->mp, std::vector<point3D*>{twin->p2});
    }
    EXPECT_EQ(D->sides[10]->p1, e->points[20]);
    EXPECT_EQ(D->sides[15]->p2, e->points[21]);
    EXPECT_FALSE(parent->inner_t.empty());
    EXPECT_FALSE(D->inner_t.empty());
}

// The diamond (-10,0) (-5,-5) (0,-10) (5,-5) (10,0) (5,5) (0,10) (-5,5).
FixtureCell diamond()
{
    return FixtureCell{{{-10, 0}, {-5, -5}, {0, -10}, {5, -5}, {10, 0}, {5, 5}, {0, 10}, {-5, 5}}, 0};
}

// A tall rectangle whose vertices near x = 0 tell the vertical line from one
// tilted by half a degree: x = 0 is cut next to 0.1 (bottom) and -0.1 (top),
// the tilted line next to 0.4 and -0.4.
FixtureCell tallRectangle()
{
    return FixtureCell{{{-10, -30}, {-5, -30}, {-0.3, -30}, {0.1, -30}, {0.4, -30}, {5, -30}, {10, -30}, {10, 0},
                        {10, 30}, {5, 30}, {0.3, 30}, {-0.1, 30}, {-0.4, 30}, {-5, 30}, {-10, 30}, {-10, 0}},
                       0};
}

// A wide rectangle: the horizontal line cuts its short sides, its shape
// angle (about 288 degrees) its long ones near x = 0.
FixtureCell wideRectangle()
{
    return FixtureCell{{{-30, -10}, {-15, -10}, {-0.5, -10}, {0.5, -10}, {15, -10}, {30, -10}, {30, -0.5}, {30, 0.5},
                        {30, 10}, {15, 10}, {0.5, 10}, {-0.5, 10}, {-15, 10}, {-30, 10}, {-30, 0.5}, {-30, -0.5}},
                       0};
}

struct CutCase {
    const char* name;
    FixtureCell (*shape)();
    double angle;
    bool divides;
    double px, py, qx, qy;  // P and Q, when exact; NaN for a check of |x| only
    bool acrossLongSides;   // for NaN positions: P and Q near x = 0 (else near |x| = 30)
};

TEST_F(DivisionTest, CutLines)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CutCase cases[] = {
        // A line through two vertices cuts no side in the general case ...
        {"through vertices, general", diamond, 0.0, false, 0, 0, 0, 0, false},
        // ... while the vertical line takes each such vertex once.
        {"through vertices, vertical", diamond, 90.0, true, 0, -10, 0, 10, false},
        {"vertical 90.0", tallRectangle, 90.0, true, 0.1, -30, -0.1, 30, false},
        {"tangent 90.5", tallRectangle, 90.5, true, 0.4, -30, -0.4, 30, false},
        {"vertical 270.0", tallRectangle, 270.0, true, 0.1, -30, -0.1, 30, false},
        {"0 as given", wideRectangle, 0.0, true, nan, 0, nan, 0, false},
        {"360 as given", wideRectangle, 360.0, true, nan, 0, nan, 0, false},
        {"-1 takes the shape", wideRectangle, -1.0, true, nan, 0, nan, 0, true},
        {"400 takes the shape", wideRectangle, 400.0, true, nan, 0, nan, 0, true},
        {"NaN takes the shape", wideRectangle, nan, true, nan, 0, nan, 0, true},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        TissueLayout layout;
        layout.cells.push_back(c.shape());
        auto e = build(layout);
        ASSERT_TRUE(e);
        const std::string before = snapshot(*e);
        ASSERT_EQ(e->cell_division(e->cells[0], 0, 0, 0, c.angle), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        if (!c.divides) {
            EXPECT_EQ(snapshot(*e), before);
            continue;
        }
        ASSERT_EQ(e->cells.size(), 2u);
        const mergepair* m = e->interpairs.back()->MP.at(0);
        const point3D* P = m->S2;
        const point3D* Q = m->S1;
        if (std::isnan(c.px)) {
            const double want = c.acrossLongSides ? 1.0 : 29.0;
            EXPECT_EQ(std::fabs(P->x) < want, c.acrossLongSides) << P->x;
            EXPECT_EQ(std::fabs(Q->x) < want, c.acrossLongSides) << Q->x;
            continue;
        }
        EXPECT_EQ(P->x, c.px);
        EXPECT_EQ(P->y, c.py);
        EXPECT_EQ(Q->x, c.qx);
        EXPECT_EQ(Q->y, c.qy);
    }
}

// Cell 2 of the three-cell fixture, cut vertically, would be cut at the
// triple junction (10,10): P and Q both move one vertex on.
TEST_F(DivisionTest, CutOffTripleJunction)
{
    auto e = build(threeWeldedCells());
    ASSERT_TRUE(e);
    const Counts before = countsOf(*e);
    cell* parent = e->cells[2];
    ASSERT_EQ(e->cell_division(parent, 0, 0, 0, 90.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    EXPECT_FALSE(boundariesCross(*e));
    ASSERT_EQ(e->cells.size(), 4u);
    cell* D = e->cells[3];
    const interpair* K = welding::find_pair(parent, D);
    ASSERT_TRUE(K);
    // P = (20,10), Q = (0,20): L = 22.36, n = 7.
    EXPECT_EQ(K->MP[0]->S1, vertexNear(parent, 0, 20));
    EXPECT_EQ(K->MP[0]->S2, vertexNear(parent, 20, 10));
    EXPECT_EQ(e->points.size(), before.points + 2 + 12);
    EXPECT_EQ(e->nodes.size(), before.nodes + 6);
    // The junction and the stretches along y = 10 went to the daughter.
    EXPECT_TRUE(vertexNear(D, 10, 10));
    EXPECT_TRUE(welding::find_pair(D, e->cells[0]));
    EXPECT_TRUE(welding::find_pair(D, e->cells[1]));
}

// Cut vertices 5 apart: one pair of sides closes both rings.
TEST_F(DivisionTest, ShortCutIsOnePairOfSides)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {2.5, 0}, {5, 0}, {5, 2.5}, {5, 5}, {2.5, 5}, {0, 5}, {0, 2.5}}, 0});
    auto e = build(layout);
    ASSERT_TRUE(e);
    const Counts before = countsOf(*e);
    ASSERT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 10.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    expectCounts(*e, Counts{2, before.points + 2, before.edges + 2, before.nodes, 1});
    EXPECT_EQ(e->cells[0]->sides.size(), 5u);
    EXPECT_EQ(e->cells[1]->sides.size(), 5u);
    const edge* cutSide = e->edges[before.edges];
    EXPECT_EQ(cutSide->p1, e->points[7]);  // Q -> P on the parent
    EXPECT_EQ(cutSide->p2, e->points[3]);
}

// Cytokines are halved in integer arithmetic; a new contact between two
// types gets the smaller strength times the table's adhesion.
TEST_F(DivisionTest, SpeciesAndAdhesionOfTheHalves)
{
    TissueLayout layout;
    layout.cells.push_back(regularPolygon(20, 10.0));
    auto e = build(layout);
    ASSERT_TRUE(e);
    const AdhesionOfTypes table(1, 0.5, 2, 0.8, 3.0);
    cell* parent = e->cells[0];
    parent->species[0] = 7;
    parent->species[1] = 8;
    parent->area = 314.0;
    parent->dying = 1;

    ASSERT_EQ(e->cell_division(parent, 0, 1, 2, 30.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    cell* D = e->cells[1];
    EXPECT_EQ(parent->species[0], 3);
    EXPECT_EQ(parent->species[1], 4);
    EXPECT_EQ(D->species[0], 3);
    EXPECT_EQ(D->species[1], 4);
    EXPECT_EQ(parent->cell_type, 1);
    EXPECT_EQ(D->cell_type, 2);
    EXPECT_DOUBLE_EQ(parent->radius, std::sqrt(314.0 * 0.5 / 3.14159265));
    EXPECT_EQ(D->radius, parent->radius);
    EXPECT_EQ(D->target_area, 259.8);
    EXPECT_EQ(D->dying, 1);
    const interpair* K = e->interpairs[0];
    EXPECT_DOUBLE_EQ(K->adhesion, 1.5);
    EXPECT_EQ(K->adhesion_copy, K->adhesion);
}

// A migrating parent keeps its front when the front stays on its own run;
// otherwise both halves stop migrating.
TEST_F(DivisionTest, MigrationFrontAcrossTheDivision)
{
    for (int first : {5, 15}) {
        SCOPED_TRACE(first);
        TissueLayout layout;
        layout.cells.push_back(regularPolygon(20, 10.0));
        auto e = build(layout);
        ASSERT_TRUE(e);
        cell* parent = e->cells[0];
        parent->migrating = 1;
        parent->front_first = vertexAt(*e, 0, first);
        parent->front_last = vertexAt(*e, 0, first + 2);
        ASSERT_EQ(e->cell_division(parent, 0, 0, 0, 30.0), dbReader::STEP_OK);
        cell* D = e->cells[1];
        const bool kept = first == 5;  // the parent keeps vertices 2 .. 12
        EXPECT_EQ(parent->migrating, kept ? 1 : 0);
        EXPECT_EQ(parent->front_first != nullptr, kept);
        EXPECT_EQ(D->migrating, 0);
        EXPECT_EQ(D->migrate_relax, 1);
        EXPECT_EQ(D->front_first, nullptr);
    }
}

// A U whose arms the line crosses four times, also along its shape: the
// cell stays whole and nothing changes.
TEST_F(DivisionTest, UShapeStaysWhole)
{
    TissueLayout layout;
    layout.cells.push_back(
        {{{0, 0}, {10, 0}, {20, 0}, {20, 40}, {14, 40}, {14, 10}, {10, 10}, {6, 10}, {6, 40}, {0, 40}}, 0});
    auto e = build(layout);
    ASSERT_TRUE(e);
    const std::string before = snapshot(*e);
    for (double angle : {0.0, -1.0}) {
        EXPECT_EQ(e->cell_division(e->cells[0], 0, 0, 0, angle), dbReader::STEP_OK);
        EXPECT_EQ(snapshot(*e), before);
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

// A square with a notch cut in from the left, reaching x = 9 between y = 13
// and 17; (10,0) is a junction with two small cells below. The vertical cut
// first meets (10,0) and (10,20); moved one vertex on, off the junction, the
// segment from (5,20) to (15,0) passes through the notch, and both halves
// would still enclose a positive area while overlapping each other.
TEST_F(DivisionTest, CutThroughANotchIsRefused)
{
    TissueLayout l;
    const double xs[19] = {0, 5, 10, 15, 20, 20, 20, 20, 20, 15, 10, 5, 0, 0, 9, 9, 0, 0, 0};
    const double ys[19] = {0, 0, 0, 0, 0, 5, 10, 15, 20, 20, 20, 20, 20, 17, 17, 13, 13, 10, 5};
    FixtureCell notched;
    for (int k = 0; k < 19; ++k)
        notched.ring.push_back({xs[k], ys[k]});
    l.cells.push_back(notched);
    l.cells.push_back({{{4, -6}, {10, -6}, {10, 0}}, 0});
    l.cells.push_back({{{10, -6}, {16, -6}, {10, 0}}, 0});
    l.welds.push_back({1, 1, 2, 2, 2, 0});
    l.welds.push_back({0, 2, 2, 1, 2, 2});
    l.welds.push_back({0, 2, 2, 2, 2, 2});
    auto e = build(l);
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    const std::string before = snapshot(*e);
    EXPECT_TRUE(dividesSoundlyOrNotAtAll(*e, e->cells[0], 90.0));
    EXPECT_EQ(snapshot(*e), before);
}

// Dead cells, cells of two sides and broken weld records are refused before
// anything changes.
TEST_F(DivisionTest, RefusalsChangeNothing)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    const std::string before = snapshot(*e);

    e->cells[1]->dead = 1;
    EXPECT_EQ(e->cell_division(e->cells[1], 0, 0, 0, 90.0), dbReader::STEP_OK);
    e->cells[1]->dead = 0;
    EXPECT_EQ(snapshot(*e), before);
    EXPECT_EQ(e->cell_division(nullptr, 0, 0, 0, 90.0), dbReader::STEP_OK);

    // The stretch's end on the neighbour moved onto the parent's ring.
    mergepair* m = e->interpairs[0]->MP[0];
    point3D* saved = m->T1;
    m->T1 = vertexAt(*e, 0, 0);
    const std::string corrupted = snapshot(*e);
    EXPECT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 60.0), 0);
    EXPECT_TRUE(e->message.startsWith("ERROR: ")) << e->message.toStdString();
    EXPECT_EQ(snapshot(*e), corrupted);
    m->T1 = saved;

    // The parent's end moved onto the neighbour's ring.
    e->message.clear();
    m->S2 = vertexAt(*e, 1, 1);
    EXPECT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 60.0), 0);
    EXPECT_TRUE(e->message.startsWith("ERROR: "));
    m->S2 = vertexAt(*e, 0, 3);
    EXPECT_EQ(snapshot(*e), before);
    EXPECT_TRUE(topologyIsSound(*e));

    // A ring whose links skip a vertex.
    e->message.clear();
    point3D* v = vertexAt(*e, 0, 1);
    v->next = vertexAt(*e, 0, 3);
    EXPECT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 60.0), 0);
    EXPECT_TRUE(e->message.startsWith("ERROR: "));
    v->next = vertexAt(*e, 0, 2);
    EXPECT_EQ(snapshot(*e), before);

    // Sound again, the vertical cut at x = 6 would leave the parent the
    // three collinear vertices of its right side: the cell stays whole.
    EXPECT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 90.0), dbReader::STEP_OK);
    EXPECT_EQ(snapshot(*e), before);
    // At 60 degrees it divides.
    EXPECT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 60.0), dbReader::STEP_OK);
    EXPECT_EQ(e->cells.size(), 3u);
    EXPECT_TRUE(topologyIsSound(*e));
}

}  // namespace
