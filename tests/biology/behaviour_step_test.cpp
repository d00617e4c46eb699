// The behaviour step's frame, Relax and Grow, the live numbering, the
// diffusion between cells in contact and the stochastic behaviour choice.
#include "behaviour_fixtures.h"

#include "mechanics/mechanics_env.h"
#include "support/progress_watch.h"

#include <QApplication>

#include <numeric>

namespace {

using namespace behaviour;

constexpr double kPointWeight = 1.570796325;

// ---- frame ----------------------------------------------------------------------

TEST_F(BehaviourTest, ModeSelectsTheBranchAndItsDialog)
{
    struct Case {
        int mode;
        const char* lastLabel;
        QList<int> values;
    } cases[] = {
        {1, "Reading cell-cytokine network done!", {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 97, -1}},
        {5, "Reading cell-cytokine network done!", {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 97, -1}},
        {-1, "Reading cell-cytokine network done!", {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 97, -1}},
        {0, "Tissue growing...", {}},
        {2, "Tissue relaxing...", {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.mode);
        auto e = build(twoWeldedCells());
        ASSERT_TRUE(e);
        e->mech_mode = k.mode;
        ProgressWatch watch("Retrieve Biological Info");
        EXPECT_EQ(e->cell_setupbiobehaviors(1), dbReader::STEP_OK);
        QApplication::processEvents();
        EXPECT_EQ(watch.label, QString(k.lastLabel));
        EXPECT_EQ(watch.maximum, 99);
        // The dialog resets itself (-1) the moment it reaches its maximum 99.
        // Relax and Grow pace their per-cell values; their ends are fixed.
        if (k.mode == 0 || k.mode == 2) {
            ASSERT_FALSE(watch.values.isEmpty());
            EXPECT_EQ(watch.values.front(), 0);
            EXPECT_EQ(watch.values.back(), -1);
        } else {
            EXPECT_EQ(watch.values, k.values);
        }
        EXPECT_FALSE(anyProgressVisible());
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST_F(BehaviourTest, LiveNumbersSkipDeadCells)
{
    TissueLayout l;
    for (int k = 0; k < 5; ++k)
        l.cells.push_back(regularPolygon(8, 5.0, 20.0 * k));
    auto e = build(l);
    ASSERT_TRUE(e);
    e->cells[2]->dead = 1;
    LiveNumbering live = numberLiveCells(*e, 5);
    EXPECT_EQ(live.number, (std::vector<int>{0, 1, -1, 2, 3}));
    EXPECT_EQ(live.live, (std::vector<int>{0, 1, 3, 4}));
    ASSERT_EQ(static_cast<int>(live.amounts.size()), e->biology->getNumRealSpecies());
    for (const auto& table : live.amounts)
        EXPECT_EQ(table, std::vector<double>(4, 0.0));

    for (cell* c : e->cells)
        c->dead = 1;
    live = numberLiveCells(*e, 5);
    EXPECT_TRUE(live.live.empty());
    for (const auto& table : live.amounts)
        EXPECT_TRUE(table.empty());
}

// ---- Relax -------------------------------------------------------------------------

TEST_F(BehaviourTest, RelaxCollapsesOnlyTheFirstIsolatedFreeSide)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> runs;
        bool dead;
        std::size_t sidesAfter;
    } cases[] = {
        {"one free side", {{1, 4}, {4, 7}, {7, 10}}, false, 9},
        {"isolated sides 0 and 5: side 0 goes", {{1, 5}, {6, 10}}, false, 9},
        {"neighbouring free sides 0 and 1", {{2, 10}}, false, 10},
        {"free last and first sides", {{1, 9}}, false, 10},
        {"a dead cell is left alone", {{1, 4}, {4, 7}, {7, 10}}, true, 10},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto e = build(surroundedPolygon(10, k.runs));
        ASSERT_TRUE(e);
        ASSERT_TRUE(topologyIsSound(*e));
        e->cell_mesh_generation(0);
        for (cell* c : e->cells)
            c->growth_rate = 5.0;
        cell* c = e->cells[0];
        c->dead = k.dead;
        point3D* firstEnd = c->sides[0]->p2;
        point3D* sixthEnd = c->sides[5]->p2;
        EXPECT_EQ(relaxTissue(*e, 1, quiet), dbReader::STEP_OK) << e->message.toStdString();
        EXPECT_EQ(c->sides.size(), k.sidesAfter);
        for (const cell* d : e->cells)
            EXPECT_EQ(d->growth_rate, 0.0);
        if (k.sidesAfter == 9) {
            EXPECT_FALSE(firstEnd->alive);
            EXPECT_TRUE(sixthEnd->alive);
        }
        c->dead = 0;
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

TEST_F(BehaviourTest, RelaxLeavesATriangle)
{
    auto e = build(surroundedPolygon(3, {{1, 3}}));
    ASSERT_TRUE(e);
    EXPECT_EQ(relaxTissue(*e, 1, quiet), dbReader::STEP_OK);
    EXPECT_EQ(e->cells[0]->sides.size(), 3u);
    EXPECT_TRUE(topologyIsSound(*e));
}

// ---- Grow ----------------------------------------------------------------------------

TEST_F(BehaviourTest, GrowDividesLargeCellsIntoTypeZeroHalves)
{
    TissueLayout l;
    for (int k = 0; k < 4; ++k)
        l.cells.push_back(regularPolygon(20, 10.0, 30.0 * k));
    auto e = build(l);
    ASSERT_TRUE(e);
    const double areas[4] = {519.6, 519.5, 600.0, 600.0};
    for (int k = 0; k < 4; ++k)
        e->cells[k]->area = areas[k];
    e->cells[2]->dead = 1;
    e->cells[3]->cell_type = 3;
    EXPECT_EQ(growTissue(*e, 1, quiet), dbReader::STEP_OK);
    ASSERT_EQ(e->cells.size(), 6u);  // cells 0 and 3 divided once each
    for (int k : {0, 3, 4, 5})
        EXPECT_EQ(e->cells[k]->cell_type, 0) << k;
    EXPECT_EQ(e->cells[1]->sides.size(), 20u);
    for (const cell* c : e->cells)
        EXPECT_EQ(c->growth_rate, c->dead ? 0.0 : 188.495559) << c->id;
    e->cells[2]->dead = 0;  // its records were left alive
    EXPECT_TRUE(topologyIsSound(*e));
}

// The division angle goes in whole degrees, towards zero.
TEST_F(BehaviourTest, GrowCutsAtTheShapeAngleInWholeDegrees)
{
    // A cell elongated along 34 degrees: its shape angle lies near 124.
    TissueLayout l;
    FixtureCell c;
    for (int k = 0; k < 24; ++k) {
        const double t = k * 2.0 * 3.14159265358979 / 24, r = 34.3 * 3.14159265358979 / 180.0;
        const double x = 20.0 * std::cos(t), y = 8.0 * std::sin(t);
        c.ring.push_back({x * std::cos(r) - y * std::sin(r), x * std::sin(r) + y * std::cos(r)});
    }
    l.cells.push_back(c);
    auto grown = build(l), cut = build(l);
    ASSERT_TRUE(grown && cut);
    const double angle = grown->cells[0]->shape_based_division_angle();
    ASSERT_NE(angle, std::trunc(angle));
    grown->cells[0]->area = 600.0;
    cut->cells[0]->area = 600.0;
    EXPECT_EQ(growTissue(*grown, 1, quiet), dbReader::STEP_OK);
    ASSERT_EQ(cut->cell_division(cut->cells[0], 1, 0, 0, std::trunc(angle)), dbReader::STEP_OK);
    ASSERT_EQ(grown->cells.size(), 2u);
    for (cell* d : cut->cells)
        d->growth_rate = 188.495559;
    EXPECT_EQ(snapshot(*grown), snapshot(*cut));
    EXPECT_TRUE(topologyIsSound(*grown));
}

// ---- diffusion -------------------------------------------------------------------------

// Every cytokine gets D * D0 = rate and the integration spans `span`.
void setDiffusion(dbReader& e, double rate, double span)
{
    e.biology->D0 = 1.0;
    for (double& d : e.biology->D)
        d = rate;
    e.biology->DeltaT = span;
}

TEST_F(BehaviourTest, WeldedContactExchangesByTheLengthOfItsStretch)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    double w = 0.0;
    // From S1 = (10,0): the sides leaving (10,5) and (10,10) count.
    EXPECT_EQ(contactWeight(*e, e->cells[0], e->interpairs[0], w), dbReader::STEP_OK);
    EXPECT_DOUBLE_EQ(w, 15.0);
    EXPECT_EQ(contactWeight(*e, e->cells[1], e->interpairs[0], w), dbReader::STEP_OK);
    EXPECT_DOUBLE_EQ(w, 15.0);

    // Weight 3 with D * D0 = 1 moves 3 * 100 * 0.1 in the first step.
    setDiffusion(*e, 0.2, 0.1);
    e->cells[0]->species[0] = 100;
    e->cells[1]->species[0] = 0;
    LiveNumbering live = numberLiveCells(*e, 2);
    EXPECT_EQ(diffuseCytokines(*e, live, 2, quiet), dbReader::STEP_OK);
    EXPECT_EQ(e->cells[0]->species[0], 70);
    EXPECT_EQ(e->cells[1]->species[0], 30);

    // Longer, both settle towards 50.
    e->biology->DeltaT = 5.0;
    live = numberLiveCells(*e, 2);
    EXPECT_EQ(diffuseCytokines(*e, live, 2, quiet), dbReader::STEP_OK);
    EXPECT_NEAR(e->cells[0]->species[0], 50, 1);
    EXPECT_NEAR(e->cells[1]->species[0], 50, 1);
}

TEST_F(BehaviourTest, ContactWeights)
{
    // A single welded point.
    {
        TissueLayout l;
        l.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
        l.cells.push_back({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, 0});
        l.welds.push_back({0, 2, 2, 1, 0, 0});
        auto e = build(l);
        ASSERT_TRUE(e);
        double w = 0.0;
        EXPECT_EQ(contactWeight(*e, e->cells[0], e->interpairs[0], w), dbReader::STEP_OK);
        EXPECT_EQ(w, kPointWeight);
    }
    // Unwelded contacts by their gap.
    struct Gap {
        double gap, weight;
    } gaps[] = {{0.0, kPointWeight}, {5.0, 1.17809724375}, {9.99, kPointWeight - 3.14159265 * 9.99 / 40.0},
                {10.0, 0.0}};
    for (const Gap& g : gaps) {
        SCOPED_TRACE(g.gap);
        auto e = gapPair(g.gap);
        ASSERT_TRUE(e);
        double w = -1.0;
        EXPECT_EQ(contactWeight(*e, e->cells[0], e->interpairs[0], w), dbReader::STEP_OK);
        EXPECT_NEAR(w, g.weight, 1e-12);
    }
    // Across a thin cell welded to both: the facing sides are welded.
    {
        TissueLayout l;
        l.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
        l.cells.push_back({{{10, 0}, {14, 0}, {14, 10}, {10, 10}}, 0});
        l.cells.push_back({{{14, 0}, {24, 0}, {24, 10}, {14, 10}}, 0});
        l.welds.push_back({0, 1, 2, 1, 3, 0});
        l.welds.push_back({1, 1, 2, 2, 3, 0});
        auto e = build(l);
        ASSERT_TRUE(e);
        auto* p = new interpair(static_cast<int>(e->interpairs.size()), e->cells[0], e->cells[2]);
        e->interpairs.push_back(p);
        e->cells[0]->pairs.push_back(p);
        e->cells[2]->pairs.push_back(p);
        double w = -1.0;
        EXPECT_EQ(contactWeight(*e, e->cells[0], p, w), dbReader::STEP_OK);
        EXPECT_EQ(w, 0.0);
    }
    // A contact that outlived its other cell.
    {
        auto e = build(twoWeldedCells());
        ASSERT_TRUE(e);
        e->cells[1]->dead = 1;
        double w = -1.0;
        EXPECT_EQ(contactWeight(*e, e->cells[0], e->interpairs[0], w), dbReader::STEP_OK);
        EXPECT_EQ(w, 0.0);
        setDiffusion(*e, 1.0, 1.0);
        e->cells[0]->species[0] = 80;
        LiveNumbering live = numberLiveCells(*e, 2);
        EXPECT_EQ(diffuseCytokines(*e, live, 2, quiet), dbReader::STEP_OK);
        EXPECT_EQ(e->cells[0]->species[0], 80);
    }
}

TEST_F(BehaviourTest, WriteBackCapsAndTruncates)
{
    TissueLayout l;
    l.cells.push_back(regularPolygon(8, 5.0));
    auto e = build(l);
    ASSERT_TRUE(e);
    e->cells[0]->migrate_responded = 1;
    LiveNumbering live = numberLiveCells(*e, 1);
    ASSERT_GE(live.amounts.size(), 2u);
    live.amounts[0][0] = 250.7;
    live.amounts[1][0] = 3.99;
    writeBackAmounts(*e, live, 1);
    EXPECT_EQ(e->cells[0]->species[0], 200);
    EXPECT_EQ(e->cells[0]->species[1], 3);
    EXPECT_EQ(live.amounts[0][0], 200.0);
    EXPECT_EQ(e->cells[0]->migrate_responded, 0);
}

TEST_F(BehaviourTest, BrokenStretchEndsTheStep)
{
    struct Case {
        const char* message;
        bool deadEnd;
    } cases[] = {
        {"ERROR: pair endpoints are already dead!\nPair 0: between cells 0 and 1!", true},
        {"ERROR: pair endpoints are mismatched!\nPair 0: between cells 0 and 1!", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.message);
        auto e = build(twoWeldedCells());
        ASSERT_TRUE(e);
        mergepair* m = e->interpairs[0]->MP.front();
        point3D* s2 = m->S2;
        if (k.deadEnd)
            m->S1->alive = 0;
        else
            m->S2 = vertexAt(*e, 1, 1);  // off cell 0's ring: the walk never meets it
        e->cells[0]->behavior = cell::QUIESCENCE;
        e->cells[0]->species[0] = 40;
        EXPECT_EQ(e->cell_setupbiobehaviors(1), 0);
        EXPECT_EQ(e->message, QString(k.message));
        // Nothing after the diffusion ran, and the counts stand.
        EXPECT_EQ(e->cells[0]->behavior_steps[cell::QUIESCENCE], 0);
        EXPECT_EQ(e->cells[0]->species[0], 40);
        m->S1->alive = 1;
        m->S2 = s2;
    }
}

// Diffusion on the wound sample keeps every cytokine's total through the
// integration; the write-back loses less than one count per cell.
class LoadedTissue : public MechanicsTest {};

TEST_F(LoadedTissue, DiffusionConservesEveryCytokine)
{
    ASSERT_TRUE(loadSample("wound_center.vt"));
    dbReader& e = *reader;
    std::srand(3);
    for (cell* c : e.cells)
        for (int& s : c->species)
            s = std::rand() % 150;
    const int n = static_cast<int>(e.cells.size());
    LiveNumbering live = numberLiveCells(e, n);
    DiffusionLinks links;
    ASSERT_EQ(buildDiffusionLinks(e, live, n, links), dbReader::STEP_OK) << e.message.toStdString();
    ASSERT_GT(links.target.size(), live.live.size());  // contacts carry links
    std::vector<double> before;
    for (const auto& table : live.amounts)
        before.push_back(std::accumulate(table.begin(), table.end(), 0.0));
    integrateDiffusion(e, links, live);
    for (std::size_t s = 0; s < live.amounts.size(); ++s) {
        const double after = std::accumulate(live.amounts[s].begin(), live.amounts[s].end(), 0.0);
        EXPECT_NEAR(after, before[s], 1e-12 * before[s]) << s;
    }
    writeBackAmounts(e, live, n);
    for (std::size_t s = 0; s < live.amounts.size(); ++s) {
        double counts = 0.0;
        for (int i : live.live)
            counts += e.cells[i]->species[s];
        EXPECT_LE(counts, before[s]);
        EXPECT_GT(counts, before[s] - live.live.size());
    }
}

// The trace of the rate look-ups: one line a behaviour step, not one per
// look-up (about a hundred per cell, a hundred thousand a step at a thousand
// cells, all of it on the terminal of whoever runs the program).
TEST_F(LoadedTissue, ModelStepTracesItsLookUpsOnce)
{
    ASSERT_TRUE(loadSample("wound_center.vt"));
    reader->mech_mode = dbReader::MECH_MODEL;
    for (int step = 1; step <= 2; ++step) {
        testing::internal::CaptureStdout();
        const int r = reader->cell_setupbiobehaviors(step);
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(r, dbReader::STEP_OK) << reader->message.toStdString();
        int traced = 0;
        for (std::size_t at = out.find("get kl done!\n"); at != std::string::npos;
             at = out.find("get kl done!\n", at + 1))
            ++traced;
        EXPECT_EQ(traced, 1) << "step " << step;
    }
}

// ---- behaviour choice ---------------------------------------------------------------------

TEST_F(BehaviourTest, DrawFallsInItsRange)
{
    struct Case {
        double u, area;
        int code;
    } cases[] = {
        {0.1, 500, cell::PROLIFERATION}, {0.35, 500, cell::MIGRATION},    {0.55, 500, cell::APOPTOSIS},
        {0.7, 500, cell::QUIESCENCE},    {1.0, 500, cell::QUIESCENCE},    {0.7, 600, cell::PROLIFERATION},
        {1.0, 600, cell::PROLIFERATION}, {0.7, 519.6, cell::QUIESCENCE},  {0.2, 500, cell::MIGRATION},
    };
    for (const Case& k : cases)
        EXPECT_EQ(behaviourForDraw(0.4, 0.2, 0.3, k.u, k.area), k.code) << k.u << " " << k.area;
    // Every range holds its lower bound.
    EXPECT_EQ(behaviourForDraw(0.4, 0.2, 0.0, 0.2, 500), cell::APOPTOSIS);

    // Unnormalised weights behave alike; a draw is made whatever the weights.
    struct Weights {
        double d, g, m, a;
        int draws;
    } weights[] = {{4, 2, 3, 1, 1}, {0.4, 0.2, 0.3, 0.1, 1}, {0, 0, 0, 0, 1}, {-1, 0, 0, 0, 1}};
    for (const Weights& w : weights) {
        for (unsigned seed : {1u, 2u, 3u}) {
            cell a(0);
            std::srand(seed);
            const double u = (std::rand() + 1.0) * 4.656612873077393e-10;
            std::srand(seed);
            const int code = drawBehaviour(&a, w.d, w.g, w.m, w.a);
            EXPECT_EQ(drawsSince(seed, std::rand()), w.draws);
            const double total = w.d + w.g + w.m + w.a;
            const int want = total > 0 ? behaviourForDraw(w.d / total, w.g / total, w.m / total, u, 0.0) : 0;
            EXPECT_EQ(code, want);
            EXPECT_EQ(a.behavior, want);
        }
    }
    // A negative weight counts as 0: only do-nothing is left.
    cell c(0);
    EXPECT_EQ(drawBehaviour(&c, 1.0, -5.0, 0.0, 0.0), cell::QUIESCENCE);
}

TEST_F(BehaviourTest, StaticDeadAndBusyCellsDrawNothing)
{
    TissueLayout l;
    for (int k = 0; k < 4; ++k)
        l.cells.push_back(regularPolygon(8, 5.0, 20.0 * k, 0.0));
    for (FixtureCell& c : l.cells)
        c.type = 1;
    l.cells[0].type = 0;
    auto e = build(l);
    ASSERT_TRUE(e);
    index_static_class[0] = 1;
    index_static_class[1] = 0;
    e->cells[0]->growth_rate = 7.0;
    e->cells[1]->dead = 1;
    e->cells[2]->behavior = cell::MIGRATION;
    std::srand(5);
    chooseBehaviours(*e, 3);  // cell 3 is past the count
    EXPECT_EQ(drawsSince(5, std::rand()), 0);
    EXPECT_EQ(e->cells[0]->growth_rate, 0.0);
    EXPECT_EQ(e->cells[0]->behavior, 0);

    // One idle cell without a model of its type: one draw, no behaviour.
    std::srand(5);
    chooseBehaviours(*e, 4);
    EXPECT_EQ(drawsSince(5, std::rand()), 1);
    EXPECT_EQ(e->cells[3]->behavior, 0);

    // Apoptosis marks live cells of types that are not static.
    for (cell* c : e->cells)
        c->behavior = cell::APOPTOSIS;
    markApoptosis(*e, 4);
    EXPECT_EQ(e->cells[0]->dying, 0);  // static
    EXPECT_EQ(e->cells[1]->dying, 0);  // dead
    EXPECT_EQ(e->cells[2]->dying, 1);
    EXPECT_EQ(e->cells[3]->dying, 1);
}

// Chi-squared of observed against expected counts.
double chiSquared(const std::vector<int>& observed, const std::vector<double>& expected)
{
    double x = 0.0;
    for (std::size_t k = 0; k < observed.size(); ++k)
        if (expected[k] > 0)
            x += (observed[k] - expected[k]) * (observed[k] - expected[k]) / expected[k];
    return x;
}

TEST_F(BehaviourTest, DrawsFollowTheProbabilities)
{
    struct Case {
        double area;
        std::vector<double> expected;  // codes 1 .. 4
        double limit;
    } cases[] = {
        {500.0, {4000, 2000, 1000, 3000}, 22.0},
        {600.0, {0, 6000, 1000, 3000}, 19.3},
    };
    for (const Case& k : cases) {
        for (unsigned seed : {11u, 12u}) {
            std::srand(seed);
            std::vector<int> observed(4, 0);
            for (int draw = 0; draw < 10000; ++draw) {
                cell c(0);
                c.area = k.area;
                const int code = drawBehaviour(&c, 0.4, 0.2, 0.3, 0.1);
                ASSERT_GE(code, 1);
                ++observed[code - 1];
            }
            EXPECT_LT(chiSquared(observed, k.expected), k.limit) << k.area << " seed " << seed;
            if (k.area > 519.6) {
                EXPECT_EQ(observed[0], 0);
            }
        }
    }
}

}  // namespace
