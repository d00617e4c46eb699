// The responses inside the whole mechanics step: a cell that shrank leaves in
// the same step, a friction failure ends the step with the migrating state
// kept, a migrating cell that crosses itself leaves and is skipped by the
// rear pass, and a failing unwelding response ends its stage at once.
#include "mechanics_env.h"

namespace {

class StepResponses : public MechanicsTest {};

// A square of side s welded to a rectangle twice its size.
TissueLayout twoSquares(double s)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {s, 0}, {s, s}, {0, s}}, 0});
    layout.cells.push_back({{{s, 0}, {3 * s, 0}, {3 * s, s}, {s, s}}, 0});
    layout.welds.push_back({0, 1, 2, 1, 3, 0});
    return layout;
}

TEST_F(StepResponses, ACellThatShrankLeavesInTheSameStep)
{
    auto e = typedTissue(twoSquares(std::sqrt(51.9)));
    ASSERT_TRUE(e);
    e->cells[0]->area = 60.0;
    EXPECT_EQ(e->cell_dynamic_FEM(1), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_TRUE(e->cells[0]->dead);
    EXPECT_FALSE(e->cells[0]->dying);
    EXPECT_EQ(e->cells[0]->area_history[0], 60.0);
    EXPECT_FALSE(e->cells[1]->dead);
    EXPECT_TRUE(e->interpairs[0]->removed);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST_F(StepResponses, AFrictionFailureEndsTheStepWithTheMigratingStateKept)
{
    auto e = typedTissue(threeWeldedCells());
    ASSERT_TRUE(e);
    cell* c = e->cells[0];
    c->migrating = 1;
    c->growth_rate = 0.5;
    c->front_first = nullptr;
    c->front_last = vertexAt(*e, 0, 1);
    EXPECT_EQ(e->cell_dynamic_FEM(3), 0);
    EXPECT_EQ(e->message, "ERROR: no migrating mark points at migrating cell 0 at time step 3");
    EXPECT_TRUE(c->migrating);
    EXPECT_EQ(c->growth_rate, 0.5);
}

TEST_F(StepResponses, AMigratingCellThatCrossesItselfLeavesAndIsNotDetached)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{40, 0}, {50, 0}, {50, 10}, {40, 10}}, 0});
    auto e = typedTissue(layout);
    ASSERT_TRUE(e);
    cell* c = e->cells[0];
    cell* F = e->cells[1];
    e->cell_death_response(F);
    // Side 2 now runs down across side 0.
    vertexAt(*e, 0, 3)->y = -5.0;
    c->migrating = 1;
    c->front_first = vertexAt(*e, 0, 1);
    c->front_last = vertexAt(*e, 0, 2);
    for (int k = 0; k < 3; ++k) {
        auto* r = new rear_fc(k);
        r->filling_cell = k == 1 ? F : c;
        r->x = 200.0;
        c->filling_cells.push_back(r);
    }
    ASSERT_TRUE(e->cell_self_collision(c, 1));
    EXPECT_EQ(e->cell_dynamic_FEM(1), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_TRUE(c->dead);
    EXPECT_EQ(c->filling_cells.size(), 3u);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST_F(StepResponses, AFailingResponseEndsTheStageAtOnce)
{
    auto e = typedTissue(threeWeldedCells());
    ASSERT_TRUE(e);
    interpair* pr = e->interpairs[0];  // cells 0 and 1
    pr->remove_MP(pr->MP[0]);
    point3D* junction = vertexAt(*e, 2, 1);  // (10,10) on cell 2
    const std::size_t partners = junction->mp.size();
    FemStep fem(*e);
    fem.unweld_edges.push_back(sideAt(*e, 0, 1));
    fem.split_points.push_back(junction);
    EXPECT_EQ(fem.respond_to_breakage(), 0);
    EXPECT_EQ(e->message, "ERROR: pair between cells 0 and 1 was empty!");
    EXPECT_EQ(junction->mp.size(), partners);
    EXPECT_TRUE(sideAt(*e, 2, 0)->bonded);
}

}  // namespace
