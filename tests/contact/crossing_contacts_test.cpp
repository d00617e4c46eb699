// Two cells that share no contact, pushed into each other across a gap too
// wide for the edge corrections' gap pairing: the edge stage pairs them
// after its gap pairing and welds them in the same step, so their
// boundaries no longer cross. This is
// the shape in which the wound sample's long Model run first left two
// crossing cells: both are welded to a third cell above the gap, and each
// bulges past the other below it.
#include "contact/crossing_contacts.h"
#include "contact/welding.h"
#include "support/contact_run.h"
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

TEST(CrossingContacts, OnlyCrossingCellsWithoutAWeldedContactArePaired)
{
    std::string error;
    // Boxes overlapping, boundaries apart: no pair.
    auto apart = buildTissue(bulgingPair(-0.5), &error);
    ASSERT_TRUE(apart) << error;
    const std::size_t pairs = apart->interpairs.size();
    EXPECT_TRUE(welding::pair_crossing_cells(*apart).empty());
    EXPECT_EQ(apart->interpairs.size(), pairs);

    // Crossing: one pair, made once, whatever the cells' order; until it
    // holds a stretch, it is the one to answer.
    auto crossing = buildTissue(bulgingPair(1.0), &error);
    ASSERT_TRUE(crossing) << error;
    EXPECT_EQ(welding::pair_crossing_cells(*crossing).size(), 1u);
    interpair* made = crossing->interpairs.back();
    EXPECT_EQ(made->cell1, crossing->cells[0]);
    EXPECT_EQ(made->cell2, crossing->cells[1]);
    const std::size_t count = crossing->interpairs.size();
    EXPECT_EQ(welding::pair_crossing_cells(*crossing), std::vector<interpair*>{made});
    EXPECT_EQ(crossing->interpairs.size(), count);

    // A dead cell is left alone.
    auto dead = buildTissue(bulgingPair(1.0), &error);
    ASSERT_TRUE(dead) << error;
    dead->cells[1]->dead = 1;
    EXPECT_TRUE(welding::pair_crossing_cells(*dead).empty());
}

// Four cells cut from the thousand-cell sample's long Model run (second
// seed), after the mechanics of the step where it showed. A (cell 0) and B
// (cell 1) are welded along a stretch ending at J = (-97.0539, 294.68);
// below J, A's free sides run down to (-95.1821, 289.359), welded to C (cell
// 2), and B's free side runs to K = (-93.8495, 292.347), welded to D (cell
// 3). C and D share a contact without a weld, and C pokes into D. The pairs
// are visited in the order of the run: A-B before C-D.
TissueLayout sideDraggedAcrossAPairedNeighbour()
{
    TissueLayout t;
    t.cells.push_back({{{-109.9220, 284.6470}, {-107.1450, 282.8880}, {-102.0690, 282.5600}, {-99.9796, 284.7520},
                        {-97.4795, 287.0430}, {-95.1821, 289.3590}, {-94.0121, 292.1460}, {-97.0539, 294.6800},
                        {-100.6740, 298.3070}, {-103.6800, 302.5040}, {-108.4130, 303.1670}, {-110.9690, 300.3210},
                        {-111.5700, 295.5950}, {-109.6190, 291.9340}, {-109.0410, 288.1710}},
                       3});
    t.cells.push_back({{{-94.8066, 310.5530}, {-99.0265, 309.8530}, {-101.5020, 306.2580}, {-103.6800, 302.5040},
                        {-100.6740, 298.3070}, {-97.0539, 294.6800}, {-93.8495, 292.3470}, {-89.6540, 293.9830},
                        {-87.4905, 296.0930}, {-85.8832, 298.2080}, {-88.7170, 300.9180}, {-90.6619, 304.1910},
                        {-91.4853, 307.8420}},
                       3});
    t.cells.push_back({{{-95.1821, 289.3590}, {-97.4795, 287.0430}, {-99.9796, 284.7520}, {-102.0690, 282.5600},
                        {-100.4920, 278.7810}, {-100.3200, 274.4480}, {-97.1444, 273.2710}, {-94.4769, 271.0880},
                        {-92.1015, 273.3600}, {-89.0568, 273.3010}, {-88.8328, 275.7100}, {-92.0662, 277.1920},
                        {-93.8716, 280.0490}, {-94.0085, 283.7430}, {-92.5174, 287.2930}, {-93.3475, 289.1530}},
                       3});
    t.cells.push_back({{{-89.1975, 286.9720}, {-84.6863, 286.2830}, {-81.1328, 288.8570}, {-83.6757, 291.7360},
                        {-86.7451, 293.3440}, {-89.6540, 293.9830}, {-93.8495, 292.3470}, {-93.9020, 287.4680}},
                       3});
    t.welds = {{1, 3, 5, 0, 7, 9}, {2, 0, 3, 0, 2, 5}, {3, 5, 6, 1, 6, 7}};
    return t;
}

// In the contact stage's second pass, C-D's response welds C's tip to D and
// moves K with it, so B's free side J-K swings down across A's, after A-B's
// own second-pass response. The stage answers A-B again, and the step ends
// with no crossing.
TEST(CrossingContacts, ASideDraggedAcrossAPairedNeighbourIsWeldedInTheSameContactStage)
{
    std::string error;
    auto e = buildTissue(sideDraggedAcrossAPairedNeighbour(), &error);
    ASSERT_TRUE(e) << error;
    for (auto [a, b] : {std::pair{3, 2}, {0, 3}, {2, 1}})
        welding::new_pair(*e, e->cells[a], e->cells[b]);
    ASSERT_TRUE(topologyIsSound(*e));
    ASSERT_FALSE(welding::cells_cross(*e, e->cells[0], e->cells[1]));
    ASSERT_TRUE(welding::cells_cross(*e, e->cells[2], e->cells[3]));
    const point3D* K = vertexAt(*e, 1, 6);
    const int step = 290;
    e->cell_mesh_generation(step);
    ASSERT_EQ(e->detect_collision(step), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_LT(K->y, 292.0) << "K was not moved: the case is not met";
    EXPECT_TRUE(topologyIsSound(*e));
    const std::vector<std::string> paired = boundaryCrossings(*e, CrossingScope::PairedCells);
    EXPECT_TRUE(paired.empty()) << paired.front();
    ASSERT_EQ(e->cell_pick_response(step), dbReader::STEP_OK);
    ASSERT_LT(e->cell_edge_response(step), 0);
    EXPECT_TRUE(topologyIsSound(*e));
    std::string where;
    EXPECT_FALSE(boundariesCross(*e, &where)) << where;
}

// Two cells cut from the thousand-cell sample's long Model run (a fresh
// seed), as its edge stage found them: a cell between them left in the pick
// stage, and its death paired them across the gap. They cross, and their
// pair has no stretch yet; the contact stage, which welds such pairs, has
// run before the pair was made.
TEST(CrossingContacts, APairMadeAfterTheContactStageForCrossingCellsIsWeldedByTheEdgeStage)
{
    TissueLayout t;
    t.cells.push_back({{{745.2767, -83.8274}, {749.6706, -83.4624}, {754.0656, -78.5262}, {753.5269, -74.6984},
                        {752.2018, -71.6393}, {748.3831, -70.0824}, {744.3517, -71.2373}, {744.2860, -73.6286},
                        {744.6789, -76.0194}, {744.9681, -78.4795}, {745.2148, -81.0647}},
                       3});
    t.cells.push_back({{{755.7488, -77.0723}, {757.3456, -74.7107}, {757.4240, -72.5415}, {756.2265, -69.8468},
                        {753.3506, -66.1304}, {749.9468, -67.9567}, {750.6359, -73.2461}},
                       3});
    constexpr int none = FixtureWeld::kNoStretch;
    t.welds = {{0, none, none, 1, none, none}};
    std::string error;
    auto e = buildTissue(t, &error);
    ASSERT_TRUE(e) << error;
    ASSERT_TRUE(topologyIsSound(*e));
    ASSERT_FALSE(boundaryCrossings(*e).empty());
    const int step = 296;
    e->cell_mesh_generation(step);
    EXPECT_EQ(e->cell_edge_response(step), dbReader::STEP_OK) << e->message.toStdString();
    expectWeldedApart(*e);
}

// Cells cut from the wound sample's long Model run (a fresh seed), after the
// mechanics of two steps in a row. A (cell 0) and B (cell 1) had a thin
// cell between them, which died in the first step's mechanics; both then
// swept far into each other, welded only at J = (120.0755, 174.7476). In
// that step's contact stage, C's (cell 2, below) and D's (cell 3, above)
// contacts with them weld A and B at two more points, one on each side of
// the overlap, so that their sides meet only at welds.
TissueLayout overlapAfterAThinCellDied()
{
    TissueLayout t;
    t.cells.push_back({{{106.4285, 184.0637}, {106.0441, 180.7192}, {109.2807, 179.4135}, {112.4115, 178.1056},
                        {117.1289, 177.3751}, {120.0755, 174.7476}, {119.1560, 181.7339}, {116.5146, 183.7490},
                        {113.5698, 185.5738}, {110.2214, 185.9163}},
                       3});
    t.cells.push_back({{{122.6522, 187.6332}, {119.0079, 190.1253}, {113.6341, 189.1255}, {110.0877, 185.4720},
                        {110.6650, 180.7426}, {113.6959, 176.6348}, {120.0755, 174.7476}, {121.2980, 178.7715},
                        {122.2710, 183.1615}},
                       3});
    t.cells.push_back({{{122.3068, 176.3197}, {117.1289, 177.3751}, {112.4115, 178.1056}, {111.4047, 174.7425},
                        {111.3988, 171.3693}, {112.5850, 168.2843}, {117.5973, 165.9582}, {119.5020, 168.2597},
                        {121.0099, 170.8033}, {121.9544, 173.5477}},
                       3});
    t.cells.push_back({{{107.6519, 199.2242}, {103.8434, 197.9058}, {100.3216, 195.8820}, {100.7748, 191.4833},
                        {103.2525, 189.0085}, {105.7202, 186.7114}, {110.0877, 185.4720}, {113.6341, 189.1255},
                        {112.0986, 191.5435}, {110.6778, 194.1823}, {109.1887, 196.7616}},
                       3});
    // The pairs in the order of the run; two have no stretch yet.
    constexpr int none = FixtureWeld::kNoStretch;
    t.welds = {{3, 6, 7, 1, 2, 3}, {2, none, none, 1, none, none}, {0, 5, 5, 1, 6, 6}, {0, 3, 4, 2, 1, 2},
               {3, none, none, 0, none, none}};
    return t;
}

// The next step, with the overlap left as it was: its mechanics has pushed
// A's side from J across the welded join of B and E (cell 2, right); C
// (cell 3) lies below.
TissueLayout overlapOneStepLater()
{
    TissueLayout t;
    t.cells.push_back({{{107.4603, 183.9918}, {107.2166, 180.6700}, {111.1774, 177.1386}, {114.1008, 177.2359},
                        {118.7939, 177.0473}, {122.3354, 176.0872}, {122.7401, 179.1749}, {121.7758, 182.7525},
                        {118.9914, 185.6591}, {114.6423, 187.4908}, {110.2876, 186.0108}},
                       3});
    t.cells.push_back({{{122.9646, 187.7463}, {119.2682, 190.2712}, {113.8549, 189.2753}, {110.2876, 186.0108},
                        {109.6541, 180.2432}, {114.1008, 177.2359}, {118.2038, 176.6775}, {122.3354, 176.0872},
                        {122.3364, 179.3531}, {122.7096, 183.4213}},
                       3});
    t.cells.push_back({{{122.3364, 179.3531}, {122.3354, 176.0872}, {125.3725, 175.7944}, {128.6059, 175.7741},
                        {133.4070, 175.8497}, {136.1898, 180.4129}, {135.7582, 184.7955}, {134.6051, 189.3359},
                        {130.7823, 189.5125}, {126.8095, 188.9128}, {122.9646, 187.7463}, {122.7096, 183.4213}},
                       3});
    t.cells.push_back({{{118.2038, 176.6775}, {114.1008, 177.2359}, {111.1774, 177.1386}, {111.8113, 171.8248},
                        {113.1019, 168.6401}, {118.1359, 166.2726}, {120.2067, 168.4595}, {121.8002, 171.0291},
                        {122.7356, 173.8325}, {122.3354, 176.0872}},
                       3});
    t.welds = {{1, 7, 0, 2, 10, 1}, {3, 9, 9, 2, 1, 1}, {3, 9, 1, 1, 5, 7},
               {0, 5, 5, 1, 7, 7}, {0, 2, 3, 3, 1, 2}, {0, 5, 5, 2, 1, 1}};
    return t;
}

// The contact, pick and edge stages of one step on `e`, each of which must
// pass; then the tissue must be sound, with no two cells crossing or lying
// across each other.
void endStepSound(dbReader& e, int step)
{
    e.cell_mesh_generation(step);
    ASSERT_EQ(runCorrectionStages(e, step), dbReader::STEP_OK) << e.message.toStdString();
    EXPECT_TRUE(soundAndUncrossed(e));
    const std::vector<std::string> across = cellsLyingAcross(e);
    EXPECT_TRUE(across.empty()) << across.front();
}

// Where the contact stage's fusions with C and D have welded A and B at
// both ends of their overlap, the response the last phase gives them does
// not part them: A, the smaller, leaves when the step in which the overlap
// came to be ends, and so it does in a later step too. It is the one cell
// the phase takes.
TEST(CrossingContacts, CellsLeftLyingAcrossEachOtherAtTheirWeldsLoseTheSmaller)
{
    std::string error;
    for (const auto& [layout, step] : {std::pair{overlapAfterAThinCellDied(), 508}, {overlapOneStepLater(), 509}}) {
        SCOPED_TRACE(step);
        auto e = buildTissue(layout, &error);
        ASSERT_TRUE(e) << error;
        ASSERT_TRUE(topologyIsSound(*e));
        ASSERT_FALSE(cellsLyingAcross(*e).empty());
        ASSERT_NO_FATAL_FAILURE(endStepSound(*e, step));
        EXPECT_TRUE(e->cells[0]->dead);
        EXPECT_FALSE(e->cells[1]->dead);
        EXPECT_EQ(e->overlap_removals, 1);
    }
}

}  // namespace

namespace {

// A, a 10 x 10 square with 8 vertices, and B (area about 44) welded to it
// only at A's corner (10, 10); B's first side runs down beside A's right
// side but dips `d` into A, so that its next side crosses A's, leaving A at
// B's next vertex `exit` ((10.7, 1) unless given).
TissueLayout dippingBesideAWeld(double d, std::pair<double, double> exit = {10.7, 1.0})
{
    TissueLayout t;
    t.cells.push_back({{{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}, 0});
    t.cells.push_back({{{10, 10}, {10 - d, 5.5}, exit, {15, 1}, {15, 5.5}, {15, 10}, {12.5, 10}}, 0});
    t.welds = {{0, 4, 4, 1, 0, 0}};
    return t;
}

// A, a 10 x 10 square with 9 vertices, and B, the square to its right,
// welded at (10, 0) and (10, 10) by single-point stretches of their own
// pair. Between the welds their arcs are swapped: A's bulges `dl` into B and
// B's `dl` into A, with no crossing.
TissueLayout arcsSwappedBetweenTwoWelds(double dl)
{
    TissueLayout t;
    t.cells.push_back(
        {{{0, 0}, {5, 0}, {10, 0}, {10 + dl, 3.3}, {10 + dl, 6.7}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}, 0});
    t.cells.push_back(
        {{{10, 0}, {15, 0}, {20, 0}, {20, 5}, {20, 10}, {15, 10}, {10, 10}, {10 - dl, 6.7}, {10 - dl, 3.3}}, 0});
    t.welds = {{0, 2, 2, 1, 0, 0}, {0, 5, 5, 1, 6, 6}};
    return t;
}

// Cells 0 and 1 overlap at a weld: within two steps (the first through the
// edge stage alone when `edgeStageFirst`, else through the contact, pick and
// edge stages) both live, welded by a pair holding a stretch, the tissue
// sound, with nothing crossing, lying across or overlapping at a weld, and
// no cell removed.
void expectPartedWithBothAlive(const TissueLayout& layout, bool edgeStageFirst)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    ASSERT_TRUE(topologyIsSound(*e));
    ASSERT_EQ(welding::cells_overlapping_at_welds(*e).size(), 1u);
    bool clean = false;
    for (int step = 1; step <= 2 && !clean; ++step) {
        e->cell_mesh_generation(step);
        const int r = edgeStageFirst && step == 1 ? e->cell_edge_response(step) : runCorrectionStages(*e, step);
        ASSERT_EQ(r, dbReader::STEP_OK) << e->message.toStdString();
        ASSERT_FALSE(e->cells[0]->dead);
        ASSERT_FALSE(e->cells[1]->dead);
        ASSERT_TRUE(topologyIsSound(*e));
        clean = boundaryCrossings(*e).empty() && cellsLyingAcross(*e).empty() &&
                welding::cells_overlapping_at_welds(*e).empty();
    }
    EXPECT_TRUE(clean);
    EXPECT_EQ(e->overlap_removals, 0);
    const interpair* p = welding::find_pair(e->cells[0], e->cells[1]);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->MP.empty());
}

}  // namespace

// However the overlap beside the weld came to be (after the contact stage,
// as the pick stage and the edge stage's own phases can make one, or before
// it), and however shallow, both cells live: within two steps they are
// welded over it, with nothing crossing, lying across or overlapping at a
// weld. Through the three stages the contact stage welds the crossing
// before the edge stage meets it, so those cases guard the result only;
// the edge stage alone is what its last phase must answer.
TEST(CrossingContacts, AnOverlapBesideASingleWeldIsWeldedAndBothCellsLive)
{
    for (double d : {1e-5, 1e-4, 0.01, 0.5}) {
        for (bool edgeStageFirst : {true, false}) {
            SCOPED_TRACE(testing::Message() << "d " << d << (edgeStageFirst ? ", edge stage alone first" : ""));
            const TissueLayout layout = dippingBesideAWeld(d);
            const auto probe = buildTissue(layout);
            ASSERT_TRUE(probe && welding::cells_cross(*probe, probe->cells[0], probe->cells[1]));
            expectPartedWithBothAlive(layout, edgeStageFirst);
        }
    }
}

// B leaves A through its vertex (10 + eta, 3), on A's side or a hair inside
// it: the crossing there is a crossing beside the weld like any other (as
// at eta = 1e-8, where it lies properly on B's side), and the cells are
// welded over it.
TEST(CrossingContacts, AnOverlapLeftThroughAVertexOnTheSideIsWeldedAndBothCellsLive)
{
    for (double d : {1e-4, 0.5}) {
        for (double eta : {0.0, -5e-10, 1e-8}) {
            for (bool edgeStageFirst : {true, false}) {
                SCOPED_TRACE(testing::Message() << "d " << d << ", eta " << eta
                                                << (edgeStageFirst ? ", edge stage alone first" : ""));
                expectPartedWithBothAlive(dippingBesideAWeld(d, {10 + eta, 3}), edgeStageFirst);
            }
        }
    }
}

// Arcs swapped between two welds of the pair's own, however shallow: the
// response the last phase gives the pair welds them over the overlap, so
// nothing is removed.
TEST(CrossingContacts, ArcsSwappedBetweenThePairsOwnWeldsArePartedAndBothCellsLive)
{
    for (double dl : {0.1, 1e-3, 1e-5}) {
        for (bool edgeStageFirst : {true, false}) {
            SCOPED_TRACE(testing::Message() << "dl " << dl << (edgeStageFirst ? ", edge stage alone first" : ""));
            const TissueLayout layout = arcsSwappedBetweenTwoWelds(dl);
            const auto probe = buildTissue(layout);
            ASSERT_TRUE(probe && !welding::cells_cross(*probe, probe->cells[0], probe->cells[1]));
            ASSERT_FALSE(cellsLyingAcross(*probe).empty());
            expectPartedWithBothAlive(layout, edgeStageFirst);
        }
    }
}

namespace {

// A, a 30 x 30 square with a vertex every 2.5, and B (area about 320)
// welded to it only at A's corner (30, 30); B's first arc runs down inside
// A, 1 from its right side, and leaves it only near A's bottom corner.
TissueLayout deepOverlapBesideAWeld()
{
    TissueLayout t;
    FixtureCell a;
    for (int k = 0; k < 12; ++k)
        a.ring.push_back({2.5 * k, 0});
    for (int k = 0; k < 12; ++k)
        a.ring.push_back({30, 2.5 * k});
    for (int k = 0; k < 12; ++k)
        a.ring.push_back({30 - 2.5 * k, 30});
    for (int k = 0; k < 12; ++k)
        a.ring.push_back({0, 30 - 2.5 * k});
    t.cells.push_back(a);
    FixtureCell b;
    b.ring.push_back({30, 30});
    for (int k = 11; k >= 1; --k)
        b.ring.push_back({29, 2.5 * k});
    for (int k = 0; k < 3; ++k)
        b.ring.push_back({31.5 + 2.5 * k, 0.5});
    for (int k = 0; k < 12; ++k)
        b.ring.push_back({40, 0.5 + 2.475 * k});
    for (int k = 0; k < 3; ++k)
        b.ring.push_back({40 - 2.5 * k, 30});
    t.cells.push_back(b);
    t.welds = {{0, 24, 24, 1, 0, 0}};
    return t;
}

}  // namespace

// The response the last phase gives a crossing beside a weld removes the
// smaller cell where the fusion would swallow too much: the phase took that
// cell, and counts it.
TEST(CrossingContacts, ACellTheLastPhasesResponseRemovesIsCounted)
{
    std::string error;
    auto e = buildTissue(deepOverlapBesideAWeld(), &error);
    ASSERT_TRUE(e) << error;
    ASSERT_TRUE(topologyIsSound(*e));
    ASSERT_TRUE(welding::cells_cross(*e, e->cells[0], e->cells[1]));
    e->cell_mesh_generation(1);
    ASSERT_EQ(e->cell_edge_response(1), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_FALSE(e->cells[0]->dead);
    EXPECT_TRUE(e->cells[1]->dead);
    EXPECT_EQ(e->overlap_removals, 1);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

namespace {

// Three cells cut from the thousand-cell sample's Model run under seed 7,
// after the mechanics of step 302. A (cell 1) and B (cell 2) are welded at
// one point, (767.5447, 193.7299); C (cell 0) has been pushed into both,
// and B's free sides from the weld run deep into A.
TissueLayout crossingBeyondAThirdCellsSide()
{
    TissueLayout t;
    t.cells.push_back({{{765.1857, 196.1436}, {763.5165, 193.0174}, {760.2240, 190.1293}, {761.1358, 186.0660},
                        {762.5801, 182.6740}, {766.5491, 182.8815}, {770.3142, 184.1310}, {769.4075, 186.8396},
                        {768.5843, 189.6912}, {767.3385, 192.9659}},
                       3});
    t.cells.push_back({{{767.9253, 202.4410}, {765.6727, 206.1214}, {762.0122, 203.2309}, {759.2501, 200.3634},
                        {761.5027, 195.0820}, {767.5447, 193.7299}, {771.2884, 197.6811}},
                       3});
    t.cells.push_back({{{755.4038, 198.1456}, {754.4103, 193.5438}, {757.2869, 191.8014}, {760.2240, 190.1293},
                        {763.5165, 193.0174}, {767.5447, 193.7299}, {763.2012, 200.1805}, {759.4119, 200.4562}},
                       3});
    constexpr int none = FixtureWeld::kNoStretch;
    t.welds = {{0, none, none, 1, none, none}, {2, 3, 4, 0, 1, 2}, {2, 5, 5, 1, 5, 5}};
    return t;
}

}  // namespace

// The contact stage visits the pairs by index. In the fixture's order (C and
// A first, as in the run) it welds C to A along A's side up to the weld, and
// to B at both ends of that side, so A's side before the weld is C's. B's
// sides beyond the weld run into A and cross its first free side beyond C's,
// but the walk of A and B's response from the weld runs only where the sides
// beyond it are free on both cells: once C holds A's side there, no response
// of the step parts them. (Of the six orders of the three pairs, the four
// that do not visit C and A first part A and B in the contact stage itself.)
// The edge stage's last phase gives them the response and then takes B, the
// smaller, so the step does not end with the two crossing.
TEST(CrossingContacts, CellsCrossingBeyondASideAThirdCellHoldsLoseTheSmaller)
{
    std::string error;
    auto e = buildTissue(crossingBeyondAThirdCellsSide(), &error);
    ASSERT_TRUE(e) << error;
    ASSERT_TRUE(topologyIsSound(*e));
    const int step = 302;
    e->cell_mesh_generation(step);
    ASSERT_EQ(e->detect_collision(step), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_TRUE(welding::cells_cross(*e, e->cells[1], e->cells[2])) << "the contact stage parted A and B: the case is not met";
    ASSERT_EQ(e->cell_pick_response(step), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_EQ(e->cell_edge_response(step), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_FALSE(e->cells[0]->dead);
    EXPECT_FALSE(e->cells[1]->dead);
    EXPECT_TRUE(e->cells[2]->dead);
    EXPECT_EQ(e->overlap_removals, 1);
    EXPECT_TRUE(soundAndUncrossed(*e));
    const std::vector<std::string> across = cellsLyingAcross(*e);
    EXPECT_TRUE(across.empty()) << across.front();
}

// A ring that passes through the other's side exactly at its own vertices
// crosses it, though no two sides cross inside both: a diamond lying across
// the right side of a square, its vertices on that side at heights 3 and 7
// (off the side's middle, where the crossing coding claims a vertex of the
// first ring given to cells_cross for neither of its edges). The crossing
// test must see it as the contact response's walks do: otherwise the
// responses repeated while a pair's cells cross (respond_while_crossing)
// would stop short, and the search for crossing cells without a welded
// contact (pair_crossing_cells) would pass such a couple by. The edge
// stage's last phase would still meet it, as cells lying across each other
// (the diamond's vertex (8, 5) lies inside the square).
TEST(CrossingContacts, ARingPassingThroughASideAtItsVerticesCrossesIt)
{
    TissueLayout t = singleSquare();
    t.cells.push_back({{{8, 5}, {10, 3}, {14, 5}, {10, 7}}, 0});
    std::string error;
    auto e = buildTissue(t, &error);
    ASSERT_TRUE(e) << error;
    EXPECT_TRUE(welding::cells_cross(*e, e->cells[0], e->cells[1]));
    EXPECT_TRUE(welding::cells_cross(*e, e->cells[1], e->cells[0]));
}
