// Stages 1 and 3 and the relaxation load: death marks by area, the drives
// a vertex gets from its cell's growth, target area and migration, and a
// lone cell that shrinks or grows towards its target in one step.
#include "mechanics_env.h"

namespace {

constexpr double kPi2 = 9.869604378534024;

// A regular n-gon of the given area around (cx, cy).
FixtureCell regularCell(int n, double area, double cx = 0.0, double cy = 0.0)
{
    const double r = std::sqrt(2.0 * area / (n * std::sin(2.0 * M_PI / n)));
    FixtureCell c;
    for (int i = 0; i < n; ++i)
        c.ring.push_back({cx + r * std::cos(2.0 * M_PI * i / n), cy + r * std::sin(2.0 * M_PI * i / n)});
    return c;
}

class Forces : public MechanicsTest {
protected:
    std::unique_ptr<dbReader> loneCell(int sides, double area, double target)
    {
        TissueLayout layout;
        layout.cells.push_back(regularCell(sides, area));
        auto e = typedTissue(layout);
        if (e)
            e->cells[0]->target_area = target;
        return e;
    }
    static double K(const cell* c) { return 2.0 * c->mu + c->lambda; }
};

TEST_F(Forces, CellsBelowTheDyingAreaAreMarkedButNotAtItOrWithNoArea)
{
    TissueLayout layout;
    const struct {
        double height;
        bool dying;
    } cases[] = {{51.9, true}, {51.96000000000001, false}, {60.0, false}, {1.0, true}};
    for (int i = 0; i < 4; ++i)
        layout.cells.push_back({{{100.0 * i, 0}, {100.0 * i + 1, 0}, {100.0 * i + 1, cases[i].height},
                                 {100.0 * i, cases[i].height}}});
    layout.cells.push_back(regularCell(6, 80.0, 1000.0));
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    e->cells[4]->sides[0]->p1->x = std::nan("");  // a NaN area
    for (cell* c : e->cells)
        c->area = 60.0;
    FemStep fem(*e);
    fem.update_areas();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bool(e->cells[i]->dying), cases[i].dying) << cases[i].height;
        EXPECT_EQ(e->cells[i]->area_history[0], 60.0);
    }
    EXPECT_TRUE(std::isnan(e->cells[4]->area));
    EXPECT_FALSE(e->cells[4]->dying);
    EXPECT_DOUBLE_EQ(e->cells[1]->area, 51.96000000000001);
}

TEST_F(Forces, TheNormalDriveFollowsTheClampedTargetUnlessDriven)
{
    for (bool driven : {false, true}) {
        auto e = loneCell(10, 100.0, 259.8);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        c->driven = driven;
        FemStep fem(*e);
        fem.update_areas();
        fem.take_cell_count();
        ASSERT_EQ(fem.number_and_load(), dbReader::STEP_OK);
        ASSERT_NEAR(c->area, 100.0, 1e-9);
        const double g = driven ? 0.0 : K(c) * 31.4159265 / (10 * kPi2);
        for (edge* s : c->sides) {
            point3D* v = s->p1;
            double u[2];
            unit_normal(v->out_edge, u);
            EXPECT_NEAR(v->pressure_increment_out[0], g * u[0], 1e-12);
            EXPECT_NEAR(v->pressure_increment_out[1], g * u[1], 1e-12);
            EXPECT_EQ(v->force_state, point3D::FORCE_NONE);
            // The vertex still records its tension and pressure, but a
            // driven cell's load leaves them out (else its softly held
            // free sides run away within a few steps).
            const double own[2] = {v->tension_next[0] + v->tension_prev[0] + v->pressure_out[0] + v->pressure_in[0],
                                   v->tension_next[1] + v->tension_prev[1] + v->pressure_out[1] + v->pressure_in[1]};
            ASSERT_GT(std::hypot(own[0], own[1]), 0.01);
            EXPECT_DOUBLE_EQ(v->total_force[0], own[0]);
            const int k = v->node->index;
            for (int d = 0; d < 2; ++d)
                EXPECT_NEAR(fem.F1[2 * k + d], (driven ? 0.0 : own[d]) + v->pressure_increment_out[d] +
                                                   v->pressure_increment_in[d],
                            1e-9);
        }
        // Driven cells' inner points carry no unknowns.
        EXPECT_EQ(fem.equations.size(), 10u + (driven ? 0u : c->inner_p.size()));
    }
}

TEST_F(Forces, GrowthDrivesBothLoadsUnlessTheCellRelaxesFromMigration)
{
    for (bool relaxing : {false, true}) {
        auto e = loneCell(8, 200.0, 200.0);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        index_stren_class[c->cell_type] = 1.0;  // mode 1: every vertex grows
        c->growth_rate = 2.0;
        c->migrate_relax = relaxing;
        c->tension = c->pressure = 0.0;
        FemStep fem(*e);
        fem.update_areas();
        fem.take_cell_count();
        ASSERT_EQ(fem.number_and_load(), dbReader::STEP_OK);
        const double g = K(c) * 2.0 / (8 * kPi2);
        for (int k = 0; k < 8; ++k) {
            point3D* v = fem.equations[k];
            double o[2], i[2];
            unit_normal(v->out_edge, o);
            unit_normal(v->in_edge, i);
            for (int d = 0; d < 2; ++d) {
                EXPECT_NEAR(fem.F1[2 * k + d], g * (o[d] + i[d]), 1e-12);
                EXPECT_NEAR(fem.F2[2 * k + d], relaxing ? 0.0 : g * (o[d] + i[d]), 1e-12);
            }
            EXPECT_EQ(v->force_state, point3D::FORCE_OUTWARD);
        }
    }
}

TEST_F(Forces, MigrationTractionAppliedForcesAndConsumedInputs)
{
    auto e = loneCell(8, 200.0, 200.0);
    ASSERT_TRUE(e);
    cell* c = e->cells[0];
    c->tension = c->pressure = 0.0;
    c->migrate_angle = 90.0;
    point3D* front = vertexAt(*e, 0, 2);
    front->migrate_force = 3.0;
    point3D* pushed = vertexAt(*e, 0, 5);
    pushed->applied_force[0] = 0.25;
    pushed->force[1] = -0.5;
    pushed->separation_force[0] = 1.0;
    FemStep fem(*e);
    fem.update_areas();
    fem.take_cell_count();
    ASSERT_EQ(fem.number_and_load(), dbReader::STEP_OK);
    const double t = 0.5 * K(c) * 3.0 / (8 * kPi2);
    EXPECT_NEAR(fem.F1[2 * 2 + 1], 2 * t, 1e-12);
    EXPECT_NEAR(fem.F2[2 * 2 + 1], 2 * t, 1e-12);
    EXPECT_NEAR(fem.F2[2 * 2], 0.0, 1e-8);  // pi is written 3.14159265
    EXPECT_EQ(front->force_state, point3D::FORCE_OUTWARD);
    // The pushed vertex: F1 takes the separation push, the applied force and
    // the force; F2 the applied force and the force.
    // (the cell is at its target, so only rounding of the normals remains)
    EXPECT_NEAR(fem.F1[2 * 5], 1.25, 1e-12);
    EXPECT_NEAR(fem.F1[2 * 5 + 1], -0.5, 1e-12);
    EXPECT_DOUBLE_EQ(fem.F2[2 * 5], 0.25);
    EXPECT_DOUBLE_EQ(fem.F2[2 * 5 + 1], -0.5);
    // The growth rule comes after the applied force: no growth, no state.
    EXPECT_EQ(pushed->force_state, point3D::FORCE_NONE);
    for (double f : {pushed->applied_force[0], pushed->force[1], pushed->separation_force[0]})
        EXPECT_EQ(f, 0.0);
    // The history moved one place back.
    EXPECT_EQ(front->x_history[0], front->x);
}

TEST_F(Forces, TheRelaxationLoadPullsTowardsTheTargetClamped)
{
    for (double below : {0.0, 100.0, 10.0}) {
        auto e = loneCell(10, 150.0, 150.0 + below);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        FemStep fem(*e);
        fem.update_areas();
        fem.take_cell_count();
        ASSERT_EQ(fem.number_and_load(), dbReader::STEP_OK);
        ASSERT_EQ(fem.assemble(), dbReader::STEP_OK);
        fem.relaxation_load(1);
        const double s = K(c) * std::min(below, 15.70796325) / (10 * kPi2);
        for (int k = 0; k < 10; ++k) {
            double o[2], i[2];
            unit_normal(fem.equations[k]->out_edge, o);
            unit_normal(fem.equations[k]->in_edge, i);
            for (int d = 0; d < 2; ++d)
                EXPECT_NEAR(fem.b3[2 * k + d], s * (o[d] + i[d]), 1e-12) << below;
        }
        for (std::size_t k = 10; k < fem.equations.size(); ++k)
            EXPECT_EQ(fem.b3[2 * k], 0.0);
    }
}

TEST_F(Forces, ALoneCellShrinksOrGrowsTowardsItsTargetInOneStep)
{
    for (double target : {120.0, 400.0}) {
        auto e = loneCell(12, 250.0, target);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        c->tension = c->pressure = 0.0;
        ASSERT_EQ(e->cell_dynamic_FEM(1), dbReader::STEP_OK) << e->message.toStdString();
        c->set_area();
        if (target < 250.0)
            EXPECT_LT(c->area, 250.0 - 1.0);
        else
            EXPECT_GT(c->area, 250.0 + 1.0);
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

}  // namespace
