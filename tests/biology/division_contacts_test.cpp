// The parent's welds at a division: each shape of weld record against the
// square cut vertically at P = vertex 2 (10,0) and Q = vertex 10 (10,20),
// and the contacts found around the two halves afterwards.
#include "division_fixtures.h"

#include "contact/welding.h"

namespace {

using welding::find_pair;

// Vertex ids of the parent's square: vertex k has id k; of neighbour cell c,
// id = 16 + (ring sizes of the neighbours before it) + k.
int pid(const dbReader& e, int c, int k)
{
    return vertexAt(e, c, k)->id;
}

// The contacts between x and y (removed or not), in id order.
std::vector<const interpair*> contactsBetween(const dbReader& e, const cell* x, const cell* y)
{
    std::vector<const interpair*> found;
    for (const interpair* p : e.interpairs)
        if ((p->cell1 == x && p->cell2 == y) || (p->cell1 == y && p->cell2 == x))
            found.push_back(p);
    return found;
}

// Whether every side from ring vertex `from` of cell c up to `to`
// (exclusive), and its partner, name K.
::testing::AssertionResult sidesNamed(const point3D* from, const point3D* to, const interpair* K)
{
    int k = 0;
    for (const point3D* v = from; v != to; v = v->next, ++k) {
        if (k > 64)
            return ::testing::AssertionFailure() << "run does not end";
        const edge* s = v->out_edge;
        if (s->pair != K || !s->partner || s->partner->pair != K)
            return ::testing::AssertionFailure() << "side " << s->id << " names contact " << (s->pair ? s->pair->id : -1);
    }
    return ::testing::AssertionSuccess();
}

// Neighbours of the square. With `beyond`, the left neighbour N2 is welded
// above and below to two small cells, so that it is bonded beyond its
// stretch with the parent; they also touch the parent at single points.
TissueLayout layoutA(bool beyond)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    l.cells.push_back({{{10, -10}, {20, -10}, {20, 0}, {15, 0}, {10, 0}}, 0});  // 1: N1, below right
    l.cells.push_back({{{5, 20}, {10, 20}, {15, 20}, {15, 30}, {5, 30}}, 0});   // 2: N3, above the middle
    l.cells.push_back({{{-10, 5}, {0, 5}, {0, 10}, {0, 15}, {-10, 15}}, 0});    // 3: N2, left
    l.welds.push_back({0, 2, 4, 1, 2, 4});    // case 1: starts at P
    l.welds.push_back({0, 9, 11, 2, 0, 2});   // case 3: runs across Q
    l.welds.push_back({0, 13, 15, 3, 1, 3});  // case 2: inside the daughter's run
    if (beyond) {
        l.cells.push_back({{{-10, 15}, {0, 15}, {-5, 22}}, 0});  // 4: above N2
        l.cells.push_back({{{-5, -2}, {0, 5}, {-10, 5}}, 0});    // 5: below N2
        l.welds.push_back({3, 3, 4, 4, 0, 1});
        l.welds.push_back({0, 13, 13, 4, 1, 1});  // case 7
        l.welds.push_back({3, 0, 1, 5, 1, 2});
        l.welds.push_back({0, 15, 15, 5, 1, 1});  // case 7
    }
    return l;
}

TEST_F(DivisionTest, RecordsStartingAtPAcrossQAndInsideTheDaughter)
{
    for (bool beyond : {true, false}) {
        SCOPED_TRACE(beyond ? "N2 bonded beyond" : "N2 free beyond");
        auto e = build(layoutA(beyond));
        ASSERT_TRUE(e);
        const Counts before = countsOf(*e);
        cell* parent = e->cells[0];
        interpair* toN1 = e->interpairs[0];
        interpair* toN3 = e->interpairs[1];
        interpair* toN2 = e->interpairs[2];
        ASSERT_EQ(e->cell_division(parent, 0, 0, 0, 90.0), dbReader::STEP_OK);
        ASSERT_TRUE(topologyIsSound(*e));
        EXPECT_FALSE(boundariesCross(*e));
        ASSERT_EQ(e->cells.size(), before.cells + 1);
        cell* D = e->cells.back();
        const int Pt = static_cast<int>(before.points);
        const int Qt = Pt + 1;

        // Case 1: the parent keeps the weld, P' shares the end at P.
        EXPECT_TRUE(holds(toN1->MP.at(0), 2, 4, pid(*e, 1, 2), pid(*e, 1, 4)));
        const auto d1 = contactsBetween(*e, D, e->cells[1]);
        ASSERT_EQ(d1.size(), 1u);
        EXPECT_EQ(d1[0]->id, static_cast<int>(before.pairs));
        EXPECT_TRUE(holds(d1[0]->MP.at(0), Pt, Pt, pid(*e, 1, 4), pid(*e, 1, 4)));

        // Case 3: cut at Q and at Q's partner X on N3.
        const int X = pid(*e, 2, 1);
        EXPECT_TRUE(holds(toN3->MP.at(0), 9, 10, X, pid(*e, 2, 2)));
        const auto d3 = contactsBetween(*e, D, e->cells[2]);
        ASSERT_EQ(d3.size(), 1u);
        EXPECT_TRUE(holds(d3[0]->MP.at(0), Qt, 11, pid(*e, 2, 0), X));
        EXPECT_TRUE(sidesNamed(e->points[Qt], e->points[11], d3[0]));
        EXPECT_TRUE(sidesNamed(e->points[9], e->points[10], toN3));

        // Case 2: the stretch moves whole; the emptied contact is dissolved
        // only when N2 is bonded beyond it.
        EXPECT_TRUE(toN2->MP.empty());
        EXPECT_EQ(toN2->removed, beyond ? 1 : 0);
        const bool listed = std::count(parent->pairs.begin(), parent->pairs.end(), toN2) > 0;
        EXPECT_EQ(listed, !beyond);
        const auto d2 = contactsBetween(*e, D, e->cells[3]);
        ASSERT_EQ(d2.size(), 1u);  // the discovery finds N2 listed with D already
        EXPECT_TRUE(holds(d2[0]->MP.at(0), 13, 15, pid(*e, 3, 1), pid(*e, 3, 3)));
        EXPECT_TRUE(sidesNamed(e->points[13], e->points[15], d2[0]));

        if (beyond) {
            // Case 7, twice: single points on the daughter's run move.
            for (int c : {4, 5}) {
                const interpair* old = find_pair(parent, e->cells[c]);
                ASSERT_TRUE(old);
                EXPECT_TRUE(old->MP.empty());
                const auto moved = contactsBetween(*e, D, e->cells[c]);
                ASSERT_EQ(moved.size(), 1u);
                const int v = c == 4 ? 13 : 15;
                EXPECT_TRUE(holds(moved[0]->MP.at(0), v, v, pid(*e, c, 1), pid(*e, c, 1)));
            }
        }
        // Every contact made by the discovery has no weld.
        for (std::size_t k = before.pairs; k < e->interpairs.size(); ++k) {
            const interpair* p = e->interpairs[k];
            if (p->cell1 == parent && p->cell2 == D)
                continue;
            const bool rewelded = p->cell1 == D && !p->MP.empty();
            EXPECT_TRUE(rewelded || p->MP.empty()) << p->id;
        }
    }
}

// Across P, a weld ending at Q, and a contact of two records whose first moves.
TEST_F(DivisionTest, RecordsAcrossPEndingAtQAndTwoRecordsInOneContact)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    l.cells.push_back({{{5, -10}, {15, -10}, {15, 0}, {10, 0}, {5, 0}}, 0});      // 1: N4 below the middle
    l.cells.push_back({{{10, 20}, {15, 20}, {20, 20}, {20, 30}, {10, 30}}, 0});   // 2: N5 above right
    l.cells.push_back({{{-10, 2}, {0, 5}, {0, 10}, {0, 15}, {-10, 18}}, 0});      // 3: N6 left
    l.welds.push_back({0, 1, 3, 1, 2, 4});     // case 4: runs across P
    l.welds.push_back({0, 8, 10, 2, 0, 2});    // case 1: ends at Q
    l.welds.push_back({0, 13, 14, 3, 2, 3});   // case 2, first record of N6
    l.welds.push_back({0, 15, 15, 3, 1, 1});   // case 7, second record of N6
    auto e = build(l);
    ASSERT_TRUE(e);
    const Counts before = countsOf(*e);
    cell* parent = e->cells[0];
    interpair* toN4 = e->interpairs[0];
    interpair* toN5 = e->interpairs[1];
    interpair* toN6 = e->interpairs[2];
    ASSERT_EQ(toN6->MP.size(), 2u);
    ASSERT_EQ(e->cell_division(parent, 0, 0, 0, 90.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    EXPECT_FALSE(boundariesCross(*e));
    cell* D = e->cells.back();
    const int Pt = static_cast<int>(before.points);
    const int Qt = Pt + 1;

    // Case 4: cut at P and at P's partner Y on N4.
    const int Y = pid(*e, 1, 3);
    EXPECT_TRUE(holds(toN4->MP.at(0), 2, 3, pid(*e, 1, 2), Y));
    const auto d4 = contactsBetween(*e, D, e->cells[1]);
    ASSERT_EQ(d4.size(), 1u);
    EXPECT_TRUE(holds(d4[0]->MP.at(0), 1, Pt, Y, pid(*e, 1, 4)));
    EXPECT_TRUE(sidesNamed(e->points[1], e->points[Pt], d4[0]));
    EXPECT_TRUE(sidesNamed(e->points[2], e->points[3], toN4));

    // Case 1 at Q: Q' shares the end.
    EXPECT_TRUE(holds(toN5->MP.at(0), 8, 10, pid(*e, 2, 0), pid(*e, 2, 2)));
    const auto d5 = contactsBetween(*e, D, e->cells[2]);
    ASSERT_EQ(d5.size(), 1u);
    EXPECT_TRUE(holds(d5[0]->MP.at(0), Qt, Qt, pid(*e, 2, 0), pid(*e, 2, 0)));

    // Both records of N6 moved, each to a contact of its own.
    EXPECT_TRUE(toN6->MP.empty());
    EXPECT_EQ(toN6->removed, 0);
    const auto d6 = contactsBetween(*e, D, e->cells[3]);
    ASSERT_EQ(d6.size(), 2u);
    EXPECT_TRUE(holds(d6[0]->MP.at(0), 13, 14, pid(*e, 3, 2), pid(*e, 3, 3)));
    EXPECT_TRUE(holds(d6[1]->MP.at(0), 15, 15, pid(*e, 3, 1), pid(*e, 3, 1)));
    EXPECT_TRUE(sidesNamed(e->points[13], e->points[14], d6[0]));
}

// Single points of a neighbour at Q and at P are shared with the twins.
TEST_F(DivisionTest, SinglePointsAtTheCutVertices)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    l.cells.push_back({{{10, 20}, {13, 25}, {7, 25}}, 0});  // 1: touches Q
    l.cells.push_back({{{10, 0}, {7, -5}, {13, -5}}, 0});   // 2: touches P
    l.welds.push_back({0, 10, 10, 1, 0, 0});  // case 5
    l.welds.push_back({0, 2, 2, 2, 0, 0});    // case 6
    auto e = build(l);
    ASSERT_TRUE(e);
    const Counts before = countsOf(*e);
    ASSERT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 90.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    cell* D = e->cells.back();
    const int Pt = static_cast<int>(before.points);
    const int Qt = Pt + 1;
    EXPECT_TRUE(holds(e->interpairs[0]->MP.at(0), 10, 10, pid(*e, 1, 0), pid(*e, 1, 0)));
    EXPECT_TRUE(holds(e->interpairs[1]->MP.at(0), 2, 2, pid(*e, 2, 0), pid(*e, 2, 0)));
    const auto atQ = contactsBetween(*e, D, e->cells[1]);
    const auto atP = contactsBetween(*e, D, e->cells[2]);
    ASSERT_EQ(atQ.size(), 1u);
    ASSERT_EQ(atP.size(), 1u);
    EXPECT_TRUE(holds(atQ[0]->MP.at(0), Qt, Qt, pid(*e, 1, 0), pid(*e, 1, 0)));
    EXPECT_TRUE(holds(atP[0]->MP.at(0), Pt, Pt, pid(*e, 2, 0), pid(*e, 2, 0)));
}

// A C-shaped neighbour welded from square vertex 8 round the top, left and
// bottom to vertex 4: its one stretch holds both Q and P, and the whole of
// the daughter's run lies inside it.
TEST_F(DivisionTest, StretchAroundBothCutVertices)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    FixtureCell around;
    around.ring = {{20, 0}, {15, 0},  {10, 0},  {5, 0},    {0, 0},    {0, 5},    {0, 10},  {0, 15},
                   {0, 20}, {5, 20},  {10, 20}, {15, 20},  {20, 20},  {20, 30},  {-10, 30}, {-10, -10},
                   {20, -10}};
    l.cells.push_back(around);
    l.welds.push_back({0, 8, 4, 1, 0, 12});
    auto e = build(l);
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(dividesSoundlyOrNotAtAll(*e, e->cells[0], 90.0));
}

// A lone Q whose record names a stretch of the neighbour on the right: Q'
// shares it as P' would. The
// record is not read as running across P, which would hand every side of
// the daughter's run, those welded to the left neighbour too, to the contact
// with the neighbour above.
TEST_F(DivisionTest, LoneQWeldedToAStretch)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    l.cells.push_back({{{-10, 5}, {0, 5}, {0, 10}, {0, 15}, {-10, 15}}, 0});  // 1: left
    // 2: round the right half, touching the square at Q and at P only.
    l.cells.push_back({{{10, 20}, {22, 22}, {22, -2}, {10, 0}, {10, -10}, {30, -10}, {30, 30}, {10, 30}}, 0});
    l.welds.push_back({0, 13, 15, 1, 1, 3});
    l.welds.push_back({0, 2, 2, 2, 3, 3});
    l.welds.push_back({0, 10, 10, 2, 0, 0});
    auto e = build(l);
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    interpair* toRight = e->interpairs[1];
    ASSERT_EQ(toRight->MP.size(), 2u);
    mergepair* lone = toRight->MP[1];
    lone->T1 = vertexAt(*e, 2, 7);  // the stretch (10,30) -> (10,20) of the neighbour
    const Counts before = countsOf(*e);

    ASSERT_EQ(e->cell_division(e->cells[0], 0, 0, 0, 90.0), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_EQ(e->cells.size(), before.cells + 1);
    cell* D = e->cells.back();
    const int Qt = static_cast<int>(before.points) + 1;
    const auto faults = checkTopology(*e);
    EXPECT_FALSE(hasFault(faults, TopologyInvariant::Bonds)) << describeFaults(faults);
    EXPECT_FALSE(hasFault(faults, TopologyInvariant::Ring)) << describeFaults(faults);
    EXPECT_FALSE(boundariesCross(*e));
    // The parent keeps the record as it was; D gets the same at Q'.
    EXPECT_TRUE(holds(lone, 10, 10, pid(*e, 2, 7), pid(*e, 2, 0)));
    const auto atQ = contactsBetween(*e, D, e->cells[2]);
    ASSERT_EQ(atQ.size(), 2u);  // at Q' and at P'
    EXPECT_TRUE(holds(atQ[1]->MP.at(0), Qt, Qt, pid(*e, 2, 7), pid(*e, 2, 0)));
    // The left neighbour's stretch moved to D whole, its sides with it.
    const auto left = contactsBetween(*e, D, e->cells[1]);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(sidesNamed(e->points[13], e->points[15], left[0]));
}

// A cell near the daughter's half, in contact with the parent but not
// welded, gets a contact with the daughter; the adhesion follows the types.
TEST_F(DivisionTest, DiscoveryGivesTheDaughterItsNeighbours)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    l.cells.push_back({{{-12, 4}, {-2, 4}, {-2, 16}, {-12, 16}}, 3});
    auto e = build(l);
    ASSERT_TRUE(e);
    const AdhesionOfTypes table(0, 0.25, 3, 1.0, 2.0);
    cell* parent = e->cells[0];
    cell* X = e->cells[1];
    welding::new_pair(*e, parent, X);
    e->cell_interior_resample(X, 0);
    ASSERT_EQ(e->cell_division(parent, 0, 0, 0, 90.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    cell* D = e->cells.back();
    const auto found = contactsBetween(*e, D, X);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0]->MP.empty());
    EXPECT_EQ(found[0]->cell1, D);
    EXPECT_DOUBLE_EQ(found[0]->adhesion, 0.5);
    EXPECT_EQ(std::count(X->pairs.begin(), X->pairs.end(), found[0]), 1);
    // The parent keeps its own contact and gets no second one.
    EXPECT_EQ(contactsBetween(*e, parent, X).size(), 1u);
}

}  // namespace

namespace {

// The daughter's half is welded all round (to N_a above, N_b left, N_c
// below); X sits off its corner, in contact with the parent but unwelded.
TEST_F(DivisionTest, BuriedDaughterDropsTheContactsTheDiscoveryMade)
{
    TissueLayout l;
    l.cells.push_back(cutSquare());
    l.cells.push_back({{{0, 20}, {5, 20}, {10, 20}, {10, 30}, {0, 30}}, 0});                    // 1: N_a
    l.cells.push_back({{{-10, 0}, {0, 0}, {0, 5}, {0, 10}, {0, 15}, {0, 20}, {-10, 20}}, 0});  // 2: N_b
    l.cells.push_back({{{0, -10}, {10, -10}, {10, 0}, {5, 0}, {0, 0}}, 0});                    // 3: N_c
    l.cells.push_back({{{-5, 20.5}, {-0.5, 20.5}, {-0.5, 25}, {-5, 25}}, 0});                  // 4: X
    l.welds.push_back({0, 10, 12, 1, 0, 2});
    l.welds.push_back({0, 12, 0, 2, 1, 5});
    l.welds.push_back({0, 0, 2, 3, 2, 4});
    l.welds.push_back({1, 0, 0, 2, 5, 5});
    l.welds.push_back({2, 1, 1, 3, 4, 4});
    auto e = build(l);
    ASSERT_TRUE(e);
    cell* parent = e->cells[0];
    welding::new_pair(*e, parent, e->cells[4]);
    for (int c = 1; c <= 4; ++c)
        e->cell_interior_resample(e->cells[c], 0);
    const std::size_t before = e->interpairs.size();
    ASSERT_EQ(e->cell_division(parent, 0, 0, 0, 90.0), dbReader::STEP_OK);
    ASSERT_TRUE(topologyIsSound(*e));
    cell* D = e->cells.back();
    ASSERT_EQ(D->burry, 1);
    for (const interpair* p : D->pairs)
        EXPECT_FALSE(p->MP.empty()) << p->id;
    std::size_t dropped = 0;
    for (std::size_t k = before; k < e->interpairs.size(); ++k) {
        const interpair* p = e->interpairs[k];
        if (p->MP.empty()) {
            EXPECT_EQ(p->removed, 1);
            ++dropped;
        }
    }
    EXPECT_GT(dropped, 0u);
}

}  // namespace
