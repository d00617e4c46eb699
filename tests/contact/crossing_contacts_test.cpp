// Two cells that share no contact, pushed into each other across a gap too
// wide for the edge corrections' gap pairing: the edge stage pairs them
// after its gap pairing and welds them in the same step, so their
// boundaries no longer cross. This is
// the shape in which the wound sample's long Model run first left two
// crossing cells: both are welded to a third cell above the gap, and each
// bulges past the other below it.
#include "contact/crossing_contacts.h"
#include "contact/welding.h"
#include "support/crossings.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

// A (left) and B (right) are welded to C (between them, above the gap) and
// bulge into each other below C by `reach` past the middle line of the gap.
TissueLayout bulgingPair(double reach)
{
    const double mid = 6.0;
    TissueLayout t;
    t.cells.push_back({{{0, 2}, {4, 2}, {mid + reach, 5}, {4, 8}, {4, 10}, {4, 12}, {0, 12}}, 0});
    t.cells.push_back({{{8, 12}, {8, 10}, {8, 8}, {mid - reach, 5}, {8, 2}, {12, 2}, {12, 12}}, 0});
    // Three free edges at C's bottom and top: the gap walks around C give up
    // before reaching the other cell, so the gap pairing leaves A and B apart.
    t.cells.push_back(
        {{{4, 8}, {5.3, 8.3}, {6.7, 8.3}, {8, 8}, {8, 10}, {8, 12}, {6.7, 11.7}, {5.3, 11.7}, {4, 12}, {4, 10}}, 0});
    // Edge lengths within the band the edge corrections keep.
    for (FixtureCell& c : t.cells)
        for (auto& [x, y] : c.ring) {
            x *= 2.0;
            y *= 2.0;
        }
    t.welds.push_back({0, 3, 5, 2, 8, 0});
    t.welds.push_back({1, 0, 2, 2, 3, 5});
    return t;
}

// Cells 0 and 1 share a pair holding a weld, no boundaries cross, and the
// tissue is sound.
void expectWeldedApart(dbReader& e)
{
    const interpair* p = welding::find_pair(e.cells[0], e.cells[1]);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->MP.empty());
    std::string where;
    EXPECT_FALSE(boundariesCross(e, &where)) << where;
    const auto faults = checkTopology(e);
    EXPECT_TRUE(faults.empty()) << describeFaults(faults);
}

TEST(CrossingContacts, CellsPushedIntoEachOtherAreWeldedByTheEdgeStage)
{
    std::string error;
    // The contact stage alone runs as it would without the search: no pair
    // is made, and the cells stay crossed.
    auto e = buildTissue(bulgingPair(1.0), &error);
    ASSERT_TRUE(e) << error;
    ASSERT_TRUE(boundariesCross(*e));
    const std::size_t pairs = e->interpairs.size();
    EXPECT_EQ(e->detect_collision(1), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_EQ(e->interpairs.size(), pairs);
    EXPECT_TRUE(boundariesCross(*e));

    // The gap pairing leaves them unpaired; the search after it pairs them,
    // and the edge stage's contact response welds them.
    EXPECT_EQ(e->cell_edge_response(1), dbReader::STEP_OK) << e->message.toStdString();
    expectWeldedApart(*e);
    // Once paired, the next step's search finds nothing more to pair.
    EXPECT_TRUE(welding::pair_crossing_cells(*e).empty());
}

TEST(CrossingContacts, ADissolvedPairOfCrossingCellsIsRevivedAndWelded)
{
    // The rear detachment of a migrating cell flags its unwelded contacts
    // removed; cells pushed into each other afterwards get that pair back.
    std::string error;
    auto e = buildTissue(bulgingPair(1.0), &error);
    ASSERT_TRUE(e) << error;
    interpair* dissolved = welding::new_pair(*e, e->cells[1], e->cells[0]);
    dissolved->removed = 1;
    const std::size_t pairs = e->interpairs.size();
    EXPECT_EQ(e->cell_edge_response(1), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_FALSE(dissolved->removed);
    EXPECT_FALSE(dissolved->MP.empty());
    EXPECT_EQ(welding::find_pair(e->cells[0], e->cells[1]), dissolved);
    EXPECT_GE(e->interpairs.size(), pairs);
    std::string where;
    EXPECT_FALSE(boundariesCross(*e, &where)) << where;
    EXPECT_TRUE(topologyIsSound(*e));
}

// Two cells of the wound sample's long Model run as the edge stage found
// them, cut free of their other neighbours: each pokes one vertex into the
// other, so the overlap has two sides on each cell. The new contact's first
// response welds the poking vertex of B (cell 1) to A's side at one point;
// A's vertex (551.0755, 144.0995) is then still inside B.
TissueLayout pokingIntoEachOther()
{
    TissueLayout t;
    t.cells.push_back({{{568.5820, 150.5103}, {564.4582, 149.8925}, {560.3308, 149.4840}, {556.2133, 149.3521},
                        {552.8320, 147.6844}, {551.0755, 144.0995}, {551.5693, 139.8093}, {554.2764, 136.1107},
                        {558.5048, 133.8976}, {563.3489, 133.7349}, {567.7996, 135.6279}, {570.9926, 139.1867},
                        {570.3576, 141.8891}, {569.7122, 144.6640}, {569.0893, 147.5591}},
                       0});
    t.cells.push_back({{{535.9301, 149.3355}, {537.5007, 145.8522}, {537.9294, 142.0540}, {537.1764, 138.2568},
                        {539.1312, 137.4593}, {541.0301, 136.5004}, {542.7916, 135.4436}, {546.7913, 138.0170},
                        {550.0009, 141.4858}, {552.1289, 145.6314}, {552.9238, 150.0827}, {552.2087, 154.2694},
                        {550.9358, 157.1630}, {549.2531, 158.5732}, {544.1506, 156.8948}, {541.8710, 153.8743},
                        {539.1215, 151.3327}},
                       0});
    return t;
}

TEST(CrossingContacts, ANewContactIsWeldedOverItsWholeOverlapInTheStepItIsMade)
{
    std::string error;
    auto e = buildTissue(pokingIntoEachOther(), &error);
    ASSERT_TRUE(e) << error;
    ASSERT_EQ(boundaryCrossings(*e).size(), 2u);
    EXPECT_EQ(e->cell_edge_response(208), dbReader::STEP_OK) << e->message.toStdString();
    expectWeldedApart(*e);
}

TEST(CrossingContacts, OnlyCrossingCellsWithoutALivePairArePaired)
{
    std::string error;
    // Boxes overlapping, boundaries apart: no pair.
    auto apart = buildTissue(bulgingPair(-0.5), &error);
    ASSERT_TRUE(apart) << error;
    const std::size_t pairs = apart->interpairs.size();
    EXPECT_TRUE(welding::pair_crossing_cells(*apart).empty());
    EXPECT_EQ(apart->interpairs.size(), pairs);

    // Crossing: one pair, made once, whatever the cells' order.
    auto crossing = buildTissue(bulgingPair(1.0), &error);
    ASSERT_TRUE(crossing) << error;
    EXPECT_EQ(welding::pair_crossing_cells(*crossing).size(), 1u);
    const interpair* made = crossing->interpairs.back();
    EXPECT_EQ(made->cell1, crossing->cells[0]);
    EXPECT_EQ(made->cell2, crossing->cells[1]);
    EXPECT_TRUE(welding::pair_crossing_cells(*crossing).empty());

    // A dead cell is left alone.
    auto dead = buildTissue(bulgingPair(1.0), &error);
    ASSERT_TRUE(dead) << error;
    dead->cells[1]->dead = 1;
    EXPECT_TRUE(welding::pair_crossing_cells(*dead).empty());
}

}  // namespace
