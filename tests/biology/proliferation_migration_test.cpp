// Proliferation, quiescence and the migration stage on fixture tissues.
#include "behaviour_fixtures.h"

namespace {

using namespace behaviour;

// A diamond whose diagonal is exactly 35.0: (0,0) (17.5,-5) (35,0) (17.5,5).
FixtureCell diamond(double x = 0.0)
{
    return {{{x, 0}, {x + 17.5, -5}, {x + 35, 0}, {x + 17.5, 5}}, 0};
}

void setRules(int type, std::vector<QString> rules)
{
    behavior_class[type] = std::move(rules);
}

// ---- proliferation and quiescence --------------------------------------------------------

TEST_F(BehaviourTest, ProliferationDividesLargeOrLongCellsAtOnce)
{
    TissueLayout l;
    l.cells.push_back(regularPolygon(20, 10.0));
    l.cells.push_back(diamond(30.0));
    auto e = build(l);
    ASSERT_TRUE(e);
    e->cells[0]->area = 519.6;
    e->cells[1]->area = 175.0;
    for (cell* c : e->cells) {
        c->behavior = cell::PROLIFERATION;
        c->growth_rate = 3.0;
        c->keep_growth_rate = 1;
    }
    const double cx = e->cells[0]->center[0], cy = e->cells[0]->center[1];
    EXPECT_EQ(proliferate(*e, 7, quiet), dbReader::STEP_OK);
    ASSERT_EQ(e->cells.size(), 3u);
    EXPECT_EQ(e->division_log, (std::vector<double>{cx, cy, 7.0, 1.0}));
    EXPECT_EQ(e->cells[0]->behavior, 0);
    EXPECT_EQ(e->cells[0]->keep_growth_rate, 0);
    // The diamond's diagonal is not above 35: it cycles instead.
    EXPECT_EQ(e->cells[1]->behavior, cell::PROLIFERATION);
    EXPECT_EQ(e->cells[1]->behavior_steps[cell::PROLIFERATION], 1);
    // The daughter is idle and was not visited.
    EXPECT_EQ(e->cells[2]->behavior, 0);
    EXPECT_EQ(e->cells[2]->growth_rate, 0.0);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST_F(BehaviourTest, CycleEndsPastItsLength)
{
    struct Case {
        const char* name;
        double area;
        int species1;
        std::size_t cellsAfter;
        double flag;
    } cases[] = {
        {"small, carrying species 1", 300.0, 5, 1, -1.0},
        {"small, without species 1", 300.0, 0, 2, 0.0},
        {"large enough", 400.0, 5, 2, 1.0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TissueLayout l;
        l.cells.push_back(diamond());
        auto e = build(l);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        c->area = k.area;
        c->species[1] = k.species1;
        c->behavior = cell::PROLIFERATION;
        c->behavior_steps[cell::PROLIFERATION] = 24;
        // No rules: T 24, drive 20 / 24 * 10 pi, the count goes to 25.
        EXPECT_EQ(proliferate(*e, 1, quiet), dbReader::STEP_OK);
        EXPECT_NEAR(c->growth_rate, 26.17993875, 1e-8);
        EXPECT_EQ(c->behavior_steps[cell::PROLIFERATION], 25);
        EXPECT_EQ(e->cells.size(), 1u);
        // 25 > 24: the cycle ends.
        EXPECT_EQ(proliferate(*e, 2, quiet), dbReader::STEP_OK);
        EXPECT_EQ(c->behavior, 0);
        EXPECT_EQ(c->growth_rate, 0.0);
        EXPECT_EQ(e->cells.size(), k.cellsAfter);
        if (k.flag >= 0.0) {
            ASSERT_EQ(e->division_log.size(), 4u);
            EXPECT_EQ(e->division_log[3], k.flag);
        }
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST_F(BehaviourTest, CycleTimeFollowsTheRules)
{
    name_index_cytokine_class["EGF"] = 1;
    name_index_cytokine_class["Far"] = 30;
    cell c(0);
    c.species[1] = 10;
    struct Case {
        std::vector<QString> rules;
        double T;
    } cases[] = {
        {{}, 24.0},
        {{"EGF", "1", "0.54", "0", "0", "0", "0", "0", "0"}, 3.75},
        {{"EGF", "2", "0.5", "0", "0", "0", "0", "0", "0"}, 144.0},
        {{"EGF", "3", "0.5", "0", "0", "0", "0", "0", "0"}, 24.0},
        // A factor not above 0 is passed over; so is an incomplete rule.
        {{"EGF", "1", "-0.1", "0", "0", "0", "0", "0", "0"}, 24.0},
        {{"EGF", "2", "-1", "0", "0", "0", "0", "0", "0", "EGF", "1"}, 24.0},
        // A cytokine past the counts reads 0; a missing name is index 0.
        {{"Far", "1", "5", "0", "0", "0", "0", "0", "0"}, 24.0},
        {{"None", "1", "1", "0", "0", "0", "0", "0", "0"}, 24.0},
    };
    for (const Case& k : cases) {
        setRules(0, k.rules);
        EXPECT_DOUBLE_EQ(cycleTime(&c), k.T) << k.rules.size();
    }
}

TEST_F(BehaviourTest, ProducerNeighbourShortensTheCycle)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    name_index_cytokine_class["EGF"] = 1;
    name_index_class["FC"] = 4;
    setRules(0, {"EGF", "1", "0.54", "0", "0", "0", "0", "0", "0"});
    index_chemo_class[0] = "EGF";
    synthesis_cytokine_class[1] = {"FC"};
    cell* c = e->cells[0];
    c->species[1] = 10;
    c->area = 100.0;
    c->behavior = cell::PROLIFERATION;
    // Tc = 3 without a producer: the count 3 is not past it, 4 is.
    EXPECT_FALSE(hasProducerNeighbour(*e, c));
    c->behavior_steps[cell::PROLIFERATION] = 3;
    EXPECT_EQ(proliferate(*e, 1, quiet), dbReader::STEP_OK);
    EXPECT_EQ(c->behavior_steps[cell::PROLIFERATION], 4);
    // A producer: 3 / 3 = 1, raised to 4, so 4 is not past it.
    e->cells[1]->cell_type = 4;
    EXPECT_TRUE(hasProducerNeighbour(*e, c));
    EXPECT_EQ(proliferate(*e, 2, quiet), dbReader::STEP_OK);
    EXPECT_EQ(c->behavior_steps[cell::PROLIFERATION], 5);
    EXPECT_EQ(c->behavior, cell::PROLIFERATION);
}

TEST_F(BehaviourTest, QuiescenceLastsSixVisits)
{
    TissueLayout l;
    l.cells.push_back(regularPolygon(8, 5.0));
    auto e = build(l);
    ASSERT_TRUE(e);
    cell* c = e->cells[0];
    c->behavior = cell::QUIESCENCE;
    for (int visit = 1; visit <= 6; ++visit) {
        c->growth_rate = 1.0;
        rest(*e, 1);
        EXPECT_EQ(c->behavior_steps[cell::QUIESCENCE], visit);
        EXPECT_EQ(c->behavior, cell::QUIESCENCE);
        EXPECT_EQ(c->growth_rate, 0.0);
    }
    rest(*e, 1);
    EXPECT_EQ(c->behavior, 0);
    // A static type never rests here.
    index_static_class[0] = 1;
    c->behavior = cell::QUIESCENCE;
    c->behavior_steps[cell::QUIESCENCE] = 0;
    rest(*e, 1);
    EXPECT_EQ(c->behavior_steps[cell::QUIESCENCE], 0);
}

// ---- migration -----------------------------------------------------------------------------

constexpr double kForce60 = 188.495559;

// The migrant's type 0 with mechanism m, cue "EGF" (species 1), strength 1,
// degrading type 1 when `degrades`.
void motileType(int m, bool degrades)
{
    index_mechanism_class[0] = m;
    index_chemo_class[0] = "EGF";
    name_index_cytokine_class["EGF"] = 1;
    index_stren_class[0] = 1.0;
    name_index_class["Clot"] = 1;
    if (degrades)
        degrade_class[0] = {"Clot"};
}

// The mechanics would clear these before the next step.
void endOfStep(cell* c)
{
    c->migrating = 0;
    c->migrate_relax = 0;
    c->front_first = nullptr;
    c->front_last = nullptr;
}

TEST_F(BehaviourTest, RestingChemotacticCellFollowsItsCue)
{
    struct Case {
        const char* name;
        double cueAngle;  // 198 meets the neighbour, 18 free space
        bool degrades;
        int amount;
        double weight, growth;
        bool marks;
    } cases[] = {
        {"into a neighbour", 198.0, false, 2, 0.1, 0.0, false},
        {"into a neighbour, amount 3", 198.0, false, 3, 0.3, 22.61946708, false},
        {"into a degradable neighbour", 198.0, true, 2, 0.8, 0.0, true},
        {"into free space", 18.0, false, 2, 1.0, 0.0, false},
        {"into free space, amount 5", 18.0, false, 5, 1.0, 37.6991118, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::srand(1);
        numeric_detail::randn_trig_reset();
        clear_parameter_tables();
        auto e = build(surroundedPolygon(10, {{3, 8}}));
        ASSERT_TRUE(e);
        e->cells[1]->cell_type = 1;
        motileType(1, k.degrades);
        cell* c = e->cells[0];
        c->behavior = cell::QUIESCENCE;
        c->species[1] = k.amount;
        c->has_cue = 1;
        c->cue_force[0] = std::cos(k.cueAngle * 3.14159265 / 180.0);
        c->cue_force[1] = std::sin(k.cueAngle * 3.14159265 / 180.0);
        MigrationTrace trace;
        EXPECT_EQ(migrate(*e, 1, quiet, &trace), dbReader::STEP_OK);
        ASSERT_EQ(trace.forces.size(), 1u);
        EXPECT_NEAR(trace.forces[0], k.weight * kForce60, 1e-9);
        EXPECT_NEAR(std::remainder(trace.angles[0] - k.cueAngle, 360.0), 0.0, 40.0);
        EXPECT_EQ(c->growth_rate, k.growth);
        EXPECT_EQ(c->behavior, cell::MIGRATION);
        EXPECT_EQ(c->behavior_steps[cell::MIGRATION], 0);
        EXPECT_EQ(c->migrating, 1);
        EXPECT_EQ(c->migrate_count, 1);
        EXPECT_EQ(e->cells[1]->dying, k.marks);
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST_F(BehaviourTest, StrengthFactor)
{
    const double strengths[] = {0.0, 0.5, 1.0};
    const double factors[] = {1.5, 1.5, 1.0};
    for (int k = 0; k < 3; ++k) {
        index_stren_class[0] = strengths[k];
        EXPECT_EQ(strengthFactor(0), factors[k]);
    }
}

TEST_F(BehaviourTest, DegradableTargetsWithinReach)
{
    struct Case {
        int mechanism;
        double gap;
        bool target;
    } cases[] = {{1, 29.9, true}, {1, 30.0, false}, {3, 49.9, true}, {3, 50.0, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.mechanism) + " at " + std::to_string(k.gap));
        clear_parameter_tables();
        auto e = gapPair(k.gap, 0, 1);
        ASSERT_TRUE(e);
        motileType(k.mechanism, true);
        cell* c = e->cells[0];
        c->behavior = cell::MIGRATION;
        c->species[1] = 1;  // too little for the chemokinetic fallback
        MigrationTrace trace;
        EXPECT_EQ(migrate(*e, 1, quiet, &trace), dbReader::STEP_OK);
        EXPECT_EQ(trace.forces.size(), k.target ? 1u : 0u);
        EXPECT_EQ(e->migrate_angles.size(), k.target ? 1u : 0u);
        EXPECT_EQ(c->behavior, k.target ? cell::MIGRATION : (k.mechanism == 1 ? 0 : cell::MIGRATION));
        if (k.target) {
            EXPECT_EQ(c->behavior_steps[cell::MIGRATION], 1);
        }
    }
}

TEST_F(BehaviourTest, TargetDrivenMigrationPersistsSevenSteps)
{
    auto e = gapPair(5.0, 0, 1);
    ASSERT_TRUE(e);
    motileType(1, true);
    cell* c = e->cells[0];
    c->behavior = cell::MIGRATION;
    MigrationTrace trace;
    for (int step = 1; step <= 7; ++step) {
        EXPECT_EQ(migrate(*e, step, quiet, &trace), dbReader::STEP_OK);
        EXPECT_EQ(trace.forces.size(), std::size_t(step));
        EXPECT_EQ(c->behavior, step < 7 ? cell::MIGRATION : 0) << step;
        endOfStep(c);
    }
    EXPECT_EQ(c->migrate_count, 7);
    // No rules: 96 pi into free space; growth from the 24-step cycle.
    EXPECT_NEAR(trace.forces[0], 301.5928944, 1e-9);
    EXPECT_NEAR(c->growth_rate, 26.17993875, 1e-8);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST_F(BehaviourTest, CueGapScalesTheTargetForce)
{
    auto e = gapPair(5.0, 0, 1);
    ASSERT_TRUE(e);
    motileType(1, true);
    setRules(0, {"EGF", "0", "0", "1", "1", "0", "0", "0", "0"});
    cell* c = e->cells[0];
    c->behavior = cell::MIGRATION;
    c->species[1] = 2;
    e->cells[1]->species[1] = 5;  // gap 3: 4 x 96 pi, capped at 192 pi
    MigrationTrace trace;
    EXPECT_EQ(migrate(*e, 1, quiet, &trace), dbReader::STEP_OK);
    ASSERT_EQ(trace.forces.size(), 1u);
    EXPECT_NEAR(trace.forces[0], 603.1857888, 1e-9);
    // An inhibiting rule divides instead: 96 pi / 4.
    setRules(0, {"EGF", "0", "0", "2", "1", "0", "0", "0", "0"});
    endOfStep(c);
    EXPECT_EQ(migrate(*e, 2, quiet, &trace), dbReader::STEP_OK);
    ASSERT_EQ(trace.forces.size(), 2u);
    EXPECT_NEAR(trace.forces[1], 301.5928944 / 4.0, 1e-9);
}

TEST_F(BehaviourTest, MotionDivisionAngle)
{
    struct Case {
        double angle, shape, want;
    } cases[] = {
        {10.0, 100.0, 100.0},  {10.0, 145.0, 100.0}, {10.0, 280.0, 100.0}, {10.0, 170.0, 170.0},
        {10.7, 20.5, 20.0},    {350.2, 80.0, 80.0},  {-100.5, 350.0, 350.0},
    };
    for (const Case& k : cases)
        EXPECT_EQ(motionDivisionAngle(k.angle, k.shape), k.want) << k.angle << " " << k.shape;
}

TEST_F(BehaviourTest, CohesotaxisWithoutNeighbourStillDivides)
{
    TissueLayout l;
    l.cells.push_back(regularPolygon(20, 14.0));
    auto e = build(l);
    ASSERT_TRUE(e);
    motileType(2, false);
    cell* c = e->cells[0];
    c->behavior = cell::QUIESCENCE;
    c->species[1] = 5;
    c->area = 600.0;
    MigrationTrace trace;
    EXPECT_EQ(migrate(*e, 1, quiet, &trace), dbReader::STEP_OK);
    EXPECT_TRUE(trace.forces.empty());
    EXPECT_EQ(e->cells.size(), 2u);
    EXPECT_EQ(e->division_log.size(), 4u);
    EXPECT_TRUE(topologyIsSound(*e));
}

// The direction noise of chemotaxis: 33 degrees about the cue.
TEST_F(BehaviourTest, ChemotacticStartsScatterAboutTheCue)
{
    TissueLayout l;
    l.cells.push_back(regularPolygon(20, 10.0));
    auto e = build(l);
    ASSERT_TRUE(e);
    motileType(1, false);
    cell* c = e->cells[0];
    std::srand(21);
    MigrationTrace trace;
    std::vector<double> deviations;
    for (int k = 0; k < 2000; ++k) {
        const double cue = k * 360.0 / 2000.0;
        c->behavior = cell::QUIESCENCE;
        c->has_cue = 1;
        c->cue_force[0] = std::cos(cue * 3.14159265 / 180.0);
        c->cue_force[1] = std::sin(cue * 3.14159265 / 180.0);
        ASSERT_EQ(migrate(*e, 1, quiet, &trace), dbReader::STEP_OK);
        endOfStep(c);
        deviations.push_back(
            std::remainder(trace.angles.back() - vector2angle(c->cue_force[0], c->cue_force[1]), 360.0));
    }
    double mean = 0.0, square = 0.0;
    for (double d : deviations)
        mean += d / deviations.size();
    for (double d : deviations)
        square += (d - mean) * (d - mean) / (deviations.size() - 1);
    EXPECT_NEAR(mean, 0.0, 3.0);
    EXPECT_NEAR(std::sqrt(square), 33.0, 2.1);
}

}  // namespace
