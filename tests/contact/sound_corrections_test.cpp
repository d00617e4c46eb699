// Corrections that would fold a cell across a neighbour, pinch a neighbour
// or remove the wrong cell: each is refused or made another way, and the
// tissue stays sound and uncrossed. The tissues are cut down from long runs
// of the samples, where these cases first showed.
#include "contact/corrections.h"
#include "support/contact_run.h"
#include "support/crossings.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<dbReader> buildSound(const TissueLayout& layout)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    if (e) {
        EXPECT_TRUE(soundAndUncrossed(*e));
    }
    return e;
}

// Z (cell 0) on the left has a free side rising from J = (0, 0) to z =
// (0, 6); W (cell 1) is welded to Z at J alone and runs up close beside that
// side, 0.3 to its right; X (cell 2) sits above W with its short free bottom
// edge A = (0, 6) -> B = (1, 6), A welded to z. Collapsing that edge at its
// middle would drag z to (0.5, 6) and swing Z's side J -> z across W.
TissueLayout swingAcrossAThirdCell()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-10, 0}, {-5, 0}, {0, 0}, {0, 6}, {-5, 6}, {-10, 6}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 0}, {4, 0}, {8, 0}, {8, 5}, {4, 5}, {0.3, 5}, {0.3, 3}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 6}, {1, 6}, {5, 6}, {5, 11}, {0, 11}}, 0});
    layout.welds = {{0, 2, 2, 1, 0, 0}, {0, 3, 3, 2, 0, 0}};
    return layout;
}

// X (cell 1) above Z (cell 0): X's short free bottom edge A = (0, 0) -> B =
// (1, 0) has both ends welded to Z, whose top dips into a small pocket
// between the two welds.
TissueLayout pocket()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{-5, -6}, {6, -6}, {6, 0}, {1, 0}, {0.5, -0.5}, {0, 0}, {-5, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{0, 0}, {1, 0}, {5, 3}, {0, 6}, {-4, 3}}, 0});
    layout.welds = {{0, 5, 5, 1, 0, 0}, {0, 3, 3, 1, 1, 1}};
    return layout;
}

// X (cell 0) above, Y (cell 1) a small cell below X's short bottom edge
// A = (0, 0) -> B = (1, 0), welded to it, and Z (cell 2) below both,
// wrapping round Y and welded to X and Y at A and at B.
TissueLayout smallCellInANotch()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{0, 0}, {1, 0}, {5, 0}, {5, 5}, {-4, 5}, {-4, 0}}, 0});
    layout.cells.push_back(FixtureCell{{{1, 0}, {0, 0}, {0.2, -0.8}, {0.8, -0.8}}, 0});
    layout.cells.push_back(
        FixtureCell{{{-4, -5}, {6, -5}, {6, -0.5}, {1, 0}, {0.9, -1}, {0.1, -1}, {0, 0}, {-4, -0.5}}, 0});
    layout.welds = {{0, 0, 1, 1, 0, 1}, {0, 0, 0, 2, 6, 6}, {1, 1, 1, 2, 6, 6}, {0, 1, 1, 2, 3, 3}, {1, 0, 0, 2, 3, 3}};
    return layout;
}

// K (cell 1) above L (cell 0). K's bottom runs Vp = (0, 0), V = (1.5, 0),
// Vn = (3, 0): Vp -> V welded to L (L is the pair's first cell), V -> Vn
// free over a pocket of L, and Vn welded to L at one point.
TissueLayout inSidePickOverAPocket()
{
    TissueLayout layout;
    layout.cells.push_back(
        FixtureCell{{{-3, -6}, {6, -6}, {6, -1}, {3, 0}, {2.25, -0.8}, {1.5, 0}, {0, 0}, {-3, -1}}, 0});
    layout.cells.push_back(
        FixtureCell{{{-3, 0}, {0, 0}, {1.5, 0}, {3, 0}, {6, 0.5}, {6, 4}, {3, 6}, {0, 6}, {-3, 4}}, 0});
    layout.welds = {{0, 5, 6, 1, 1, 2}, {0, 3, 3, 1, 3, 3}};
    return layout;
}

// Cut from a long Model run of a sample, at the contact stage of the step
// where it first showed: a thin cell M (cell 1) wedged between K (cell 0) and
// X (cell 2), welded to both, every side at their junction J = (303.452,
// 576.053) welded. The mechanics has pushed M's tip across itself: its side
// welded to K leaves J below the side welded to X, so K's and X's sides
// there cross M's and each other.
TissueLayout foldedWedgeTip()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{297.8150, 577.9120}, {294.0970, 574.7980}, {291.8220, 570.0940},
                                        {295.1340, 565.8090}, {298.5970, 561.7290}, {302.2610, 558.0670},
                                        {306.2110, 559.8910}, {309.6420, 562.2010}, {312.6890, 565.0030},
                                        {310.9730, 569.5120}, {307.9270, 573.2820}, {303.4520, 576.0530}},
                                       0});
    layout.cells.push_back(FixtureCell{{{323.0890, 558.3380}, {324.4660, 559.9920}, {325.7330, 561.7520},
                                        {322.2710, 564.7360}, {319.6510, 566.2920}, {316.9360, 567.8810},
                                        {314.2090, 569.5710}, {311.4700, 571.1380}, {308.8560, 572.7440},
                                        {306.1310, 574.3850}, {303.4520, 576.0530}, {307.9270, 573.2820},
                                        {310.9730, 569.5120}, {312.6890, 565.0030}, {316.0620, 562.3410},
                                        {319.9270, 560.9630}},
                                       0});
    layout.cells.push_back(FixtureCell{{{296.5960, 581.5350}, {297.8150, 577.9120}, {303.4520, 576.0530},
                                        {306.1310, 574.3850}, {308.8560, 572.7440}, {311.4700, 571.1380},
                                        {314.2090, 569.5710}, {316.9360, 567.8810}, {319.6510, 566.2920},
                                        {322.2710, 564.7360}, {320.3550, 568.0400}, {319.4640, 572.0250},
                                        {319.4620, 576.2820}, {316.3520, 579.8900}, {311.0110, 580.1110},
                                        {305.9740, 581.4700}, {301.2120, 583.7770}, {298.9260, 582.7400}},
                                       0});
    layout.welds = {{0, 8, 11, 1, 10, 13}, {0, 11, 0, 2, 1, 2}, {1, 3, 10, 2, 2, 9}};
    return layout;
}

// Cut from a long Model run of a sample, after the mechanics of the step
// where it first showed: K (cell 0) has a thin tongue between L (cell 1),
// welded along its lower side, and S (cell 2), welded along its upper side.
// The tongue has been squeezed past flat: K's vertex (759.076, 792.752),
// welded to S, lies just beyond K's own side (757.376, 790.649) ->
// (760.453, 794.463), welded to L, so K crosses itself and both neighbours.
TissueLayout tongueSqueezedPastFlat()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{775.2700, 811.2640}, {776.3390, 815.4760}, {778.2910, 819.4760},
                                        {776.6130, 822.7960}, {775.0350, 826.2010}, {772.9510, 825.4650},
                                        {770.7990, 824.8170}, {770.1820, 819.5840}, {768.1370, 815.1070},
                                        {764.9300, 811.8040}, {764.2660, 806.5610}, {761.9680, 801.7710},
                                        {761.2460, 796.8720}, {759.0760, 792.7520}, {756.0180, 789.5840},
                                        {752.3210, 788.0370}, {749.9120, 784.1960}, {745.7680, 782.1330},
                                        {744.7280, 779.9380}, {746.6570, 778.1570}, {750.8330, 779.4510},
                                        {754.3150, 781.7240}, {754.9940, 786.4700}, {757.3760, 790.6490},
                                        {760.4530, 794.4630}, {763.8940, 797.3570}, {765.2760, 802.4490},
                                        {767.8370, 806.9450}, {771.3070, 809.9980}},
                                       0});
    layout.cells.push_back(FixtureCell{{{771.8760, 786.3690}, {770.5520, 791.4750}, {767.2300, 794.3840},
                                        {763.8940, 797.3570}, {760.4530, 794.4630}, {757.3760, 790.6490},
                                        {754.9940, 786.4700}, {754.3150, 781.7240}, {758.5550, 778.4960},
                                        {763.0320, 775.4490}, {765.7610, 777.6690}, {768.1200, 780.2460},
                                        {770.1820, 783.1850}},
                                       0});
    layout.cells.push_back(FixtureCell{{{748.1190, 803.6160}, {747.0000, 800.0200}, {746.4840, 796.4160},
                                        {749.3850, 792.2010}, {752.3210, 788.0370}, {756.0180, 789.5840},
                                        {759.0760, 792.7520}, {761.2460, 796.8720}, {761.9680, 801.7710},
                                        {758.7110, 802.4340}, {755.2460, 802.8980}, {751.7430, 803.2580}},
                                       0});
    layout.welds = {{0, 21, 25, 1, 3, 7}, {0, 11, 15, 2, 4, 8}};
    return layout;
}


// Cut from a long Model run of a sample, after the mechanics of the step
// where it showed, before its contact stage: S (cell 0) is a sliver between
// L (cell 1), welded along its right side, and R (cell 2), welded along its
// left side. The mechanics pressed the two sides through each other: S's
// left side, welded to R, runs through (15.3757, 60.6831), right of its own
// right side (15.0715, 58.6216) -> (15.3985, 63.7087), welded to L, so S
// crosses itself and L and R cross each other where they have no contact.
TissueLayout sliverPressedThroughItself()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{1.1491, 35.4313}, {2.8932, 34.1241}, {6.2421, 37.0484},
                                        {10.4275, 38.9691}, {14.9790, 39.7100}, {15.9075, 42.8565},
                                        {17.9403, 45.6097}, {16.2683, 49.5223}, {16.6586, 53.9655},
                                        {15.0715, 58.6216}, {15.3985, 63.7087}, {16.4724, 67.5688},
                                        {15.5583, 70.6989}, {13.9754, 69.5120}, {15.2829, 64.7691},
                                        {15.3757, 60.6831}, {14.0350, 57.1084}, {13.7186, 52.1518},
                                        {10.6410, 48.0766}, {10.1705, 44.0579}, {7.6341, 40.5706},
                                        {3.6346, 38.4027}},
                                       0});
    layout.cells.push_back(FixtureCell{{{25.2408, 66.0657}, {21.0339, 67.5182}, {16.4724, 67.5688},
                                        {15.3985, 63.7087}, {15.0715, 58.6216}, {16.6586, 53.9655},
                                        {21.0534, 54.9321}, {25.0446, 56.8001}, {24.8716, 61.4377}},
                                       0});
    layout.cells.push_back(FixtureCell{{{15.2829, 64.7691}, {13.9754, 69.5120}, {8.9600, 71.4972},
                                        {5.3777, 67.6055}, {2.1868, 63.4409}, {3.1680, 59.5832},
                                        {6.9689, 59.0984}, {10.6514, 58.3857}, {14.0350, 57.1084},
                                        {15.3757, 60.6831}},
                                       0});
    layout.welds = {{0, 8, 11, 1, 2, 5}, {2, 8, 1, 0, 13, 16}};
    return layout;
}

// A tissue whose cell 0 is folded across itself, cut after the mechanics of
// `step`, built into `e`: the step's contact, pick and edge stages must leave
// every cell unfolded and the tissue sound and uncrossed. A stage that fails
// ends the test (call under ASSERT_NO_FATAL_FAILURE).
void endStepOfFoldedCell(const TissueLayout& layout, int step, std::unique_ptr<dbReader>& e)
{
    std::string error;
    e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    ASSERT_TRUE(e->cell_self_collision(e->cells[0], 0));
    ASSERT_FALSE(boundaryCrossings(*e).empty());
    e->cell_mesh_generation(step);
    ASSERT_EQ(runCorrectionStages(*e, step), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_TRUE(soundAndUncrossed(*e));
    EXPECT_FALSE(e->cell_self_collision(e->cells[0], 0));
}
} // namespace

TEST(SoundCorrections, AWedgeTipFoldedAtAWeldedJunctionIsGoneWhenTheStepEnds)
{
    std::string error;
    auto e = buildTissue(foldedWedgeTip(), &error);
    ASSERT_TRUE(e) << error;
    EXPECT_TRUE(topologyIsSound(*e));
    ASSERT_FALSE(boundaryCrossings(*e).empty());
    const int step = 553;
    e->cell_mesh_generation(step);
    // The contact stage walks beyond the ends of welded stretches only: the
    // fold, inside three welds, is left as it is, and nothing else crosses.
    const std::vector<std::string> folded = boundaryCrossings(*e);
    ASSERT_EQ(e->detect_collision(step), dbReader::STEP_OK);
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_EQ(boundaryCrossings(*e), folded);
    // The pick stage slides M's tip away from the junction.
    ASSERT_EQ(e->cell_pick_response(step), dbReader::STEP_OK);
    EXPECT_TRUE(soundAndUncrossed(*e));
    ASSERT_LT(e->cell_edge_response(step), 0);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(SoundCorrections, ATongueSqueezedPastFlatIsOpenedWhenTheStepEnds)
{
    std::unique_ptr<dbReader> e;
    ASSERT_NO_FATAL_FAILURE(endStepOfFoldedCell(tongueSqueezedPastFlat(), 694, e));
    // The tongue's vertex went back, not away: it is still welded where it
    // was, within the width of the fold.
    const point3D* tip = vertexAt(*e, 0, 13);
    ASSERT_TRUE(tip->alive);
    EXPECT_NEAR(tip->x, 759.076, 0.02);
    EXPECT_NEAR(tip->y, 792.752, 0.02);
    for (const point3D* w : tip->mp) {
        EXPECT_DOUBLE_EQ(w->x, tip->x);
        EXPECT_DOUBLE_EQ(w->y, tip->y);
    }
}

TEST(SoundCorrections, AFreeCollapseDoesNotSwingAWeldedNeighbourAcrossAThirdCell)
{
    auto e = buildSound(swingAcrossAThirdCell());
    ASSERT_TRUE(e);
    edge* AB = sideAt(*e, 2, 0);
    point3D* A = AB->p1;
    point3D* B = AB->p2;
    point3D* C = B->next;
    point3D* z = vertexAt(*e, 0, 3);
    EXPECT_EQ(e->edge_response_m(AB), dbReader::STEP_OK);
    // Collapsed all the same, at A's own place, which moves nobody else.
    EXPECT_FALSE(B->alive);
    EXPECT_EQ(A->next, C);
    EXPECT_DOUBLE_EQ(A->x, 0.0);
    EXPECT_DOUBLE_EQ(z->x, 0.0);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(SoundCorrections, ACollapseBetweenTwoWeldsToOneCellDoesNotPinchIt)
{
    auto e = buildSound(pocket());
    ASSERT_TRUE(e);
    edge* AB = sideAt(*e, 1, 0);
    EXPECT_EQ(e->edge_response_m(AB), dbReader::STEP_OK);
    // Z's two vertices would share a node without being welded: the edge
    // stays as it is.
    EXPECT_TRUE(AB->p2->alive);
    EXPECT_EQ(AB->p1->next, AB->p2);
    EXPECT_DOUBLE_EQ(vertexAt(*e, 0, 3)->x, 1.0);
    EXPECT_TRUE(soundAndUncrossed(*e));

    // The same for a welded edge whose two cells meet one third cell at
    // both ends.
    e = buildSound(smallCellInANotch());
    ASSERT_TRUE(e);
    edge* welded = sideAt(*e, 0, 0);
    ASSERT_TRUE(welded->bonded);
    EXPECT_EQ(e->edge_response_m(welded), dbReader::STEP_OK);
    EXPECT_TRUE(welded->p2->alive);
    EXPECT_TRUE(welded->partner->p1->alive);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(SoundCorrections, ASideSlideDoesNotMistakeTheNeighbourItselfForAThirdCell)
{
    auto e = buildSound(inSidePickOverAPocket());
    ASSERT_TRUE(e);
    point3D* V = vertexAt(*e, 1, 2);
    // Vn's partner lies on L: L is no third cell that could squeeze K out.
    EXPECT_EQ(e->pick_correction(V), dbReader::STEP_OK);
    EXPECT_FALSE(e->cells[1]->dead);
    // Sliding would pinch L at M between its vertices at Vp and Vn: the
    // pick stays.
    EXPECT_TRUE(V->alive);
    EXPECT_TRUE(soundAndUncrossed(*e));
}

TEST(SoundCorrections, APickWhoseOutEdgeHasNoCellNamesItsOwnCell)
{
    auto e = buildSound(twoWeldedCells());
    ASSERT_TRUE(e);
    point3D* V = vertexAt(*e, 1, 1);
    V->out_edge->cell = nullptr;
    EXPECT_EQ(e->pick_correction(V), 1);
    EXPECT_EQ(e->message, "ERROR: the boundary of cell 1 is broken!");
}

TEST(SoundCorrections, ASliverPressedThroughItselfIsOpenedWhenTheStepEnds)
{
    // The shallowest way back across a crossed side moves S's vertex
    // (15.3985, 63.7087) only to make its next side cross instead, and the
    // next try moves it back; the vertex that opens the sliver lies deeper.
    std::unique_ptr<dbReader> e;
    EXPECT_NO_FATAL_FAILURE(endStepOfFoldedCell(sliverPressedThroughItself(), 470, e));
}

namespace {

// Four cells cut from the small sample's long Model run (a fresh seed), as
// its edge stage found them. C (cell 3) is a thin cell between Z (cell 0)
// below and W (cell 2) on the left, welded to both; its side from
// (545.4594, 403.5476), a junction with Z and Y (cell 1), to
// (542.6071, 411.9415), welded to W, is free and folds, so the stage
// collapses it. Z and W meet at the collapse point then, while their own
// stretch lies on C's far side: extended to the new junction, it would run
// the long way round Z, dropping ten of its vertices and laying eleven of
// its sides (fourteen by then: the stage has split two long ones) on one
// chord.
TissueLayout thinCellBetweenTwoWeldedCells()
{
    TissueLayout t;
    t.cells.push_back({{{546.5573, 389.8002}, {549.1097, 394.0115}, {550.3586, 400.1695}, {545.4594, 403.5476}, {538.4966, 402.2449}, {534.2549, 402.2186}, {530.8501, 398.7170}, {529.4640, 393.4473}, {532.4583, 390.5401}, {535.7385, 387.8231}, {539.4012, 388.8831}, {542.9475, 389.5921}}, 3});  // 0: cell 5084 of the run
    t.cells.push_back({{{560.1201, 399.8130}, {562.2128, 404.7019}, {559.9780, 409.2021}, {548.8770, 412.2555}, {545.4594, 403.5476}, {550.3586, 400.1695}, {556.8838, 400.5796}}, 3});  // 1: cell 9799 of the run
    t.cells.push_back({{{539.0780, 412.4782}, {535.7694, 413.5149}, {533.5132, 411.5384}, {531.0043, 409.8913}, {532.8353, 406.1479}, {534.2549, 402.2186}, {538.4966, 402.2449}, {538.9867, 404.8362}, {539.8540, 407.2705}, {541.0407, 409.6573}, {542.6071, 411.9415}}, 3});  // 2: cell 11248 of the run
    t.cells.push_back({{{538.9867, 404.8362}, {538.4966, 402.2449}, {545.4594, 403.5476}, {542.6071, 411.9415}, {541.0407, 409.6573}, {539.8540, 407.2705}}, 3});  // 3: cell 12848 of the run
    t.welds = {{2, 5, 6, 0, 4, 5}, {3, 1, 2, 0, 3, 4}, {3, 2, 2, 1, 4, 4}, {3, 3, 1, 2, 6, 10}, {0, 2, 3, 1, 4, 5}};
    return t;
}

}  // namespace

TEST(SoundCorrections, AFreeCollapseExtendsNoStretchAroundTheFarSideOfACell)
{
    auto e = buildSound(thinCellBetweenTwoWeldedCells());
    ASSERT_TRUE(e);
    const int step = 776;
    e->cell_mesh_generation(step);
    EXPECT_EQ(e->cell_edge_response(step), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_FALSE(e->cells[0]->dead);
    EXPECT_TRUE(soundAndUncrossed(*e));
    const std::vector<std::string> across = cellsLyingAcross(*e);
    EXPECT_TRUE(across.empty()) << across.front();
}
