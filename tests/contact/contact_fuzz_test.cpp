// Whole tissues moved by seeded random cell vectors through the contact
// stage, as the step loop runs it: every step that succeeds leaves a sound
// topology and no crossing boundaries.
#include "support/contact_run.h"
#include "support/crossings.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct RunOutcome {
    bool everyStepOk = true;
    std::string failure;  // the message of the step that failed
    int removed = 0;      // cells removed during the run
};

RunOutcome runFuzz(unsigned seed, int steps)
{
    RunOutcome out;
    std::string error;
    auto e = weldCentres(randomPacking(seed), &error);
    EXPECT_TRUE(e) << error;
    if (!e)
        return out;
    std::mt19937 gen(seed * 7919u + 1u);
    std::uniform_real_distribution<double> angle(0.0, 2.0 * 3.14159265358979);
    std::uniform_real_distribution<double> length(0.0, 0.2);
    for (int step = 1; step <= steps; ++step) {
        std::vector<Shift> v;
        for (std::size_t c = 0; c < e->cells.size(); ++c) {
            const double a = angle(gen);
            const double l = length(gen);
            v.push_back({l * std::cos(a), l * std::sin(a)});
        }
        const int r = runContactStep(*e, step, v);
        if (r >= 0) {
            out.everyStepOk = false;
            out.failure = "step " + std::to_string(step) + ": " + e->message.toStdString();
            EXPECT_EQ(e->message.left(7).toStdString(), "ERROR: ") << out.failure;
            break;
        }
        const ::testing::AssertionResult sound = topologyIsSound(*e);
        EXPECT_TRUE(sound) << "seed " << seed << " step " << step;
        // Cells that come into contact without a pair are paired by the
        // edge stage, which these runs leave out.
        const std::vector<std::string> crossed = boundaryCrossings(*e, CrossingScope::PairedCells);
        EXPECT_TRUE(crossed.empty()) << "seed " << seed << " step " << step << ": " << crossed.front();
        if (!sound || !crossed.empty())
            break;
    }
    for (cell* c : e->cells)
        out.removed += c->dead;
    return out;
}

// Twenty packings, in two halves so that the runs are spread: at least 18
// of them must succeed at every step, the others stop with an "ERROR: "
// result.
int cleanRuns(unsigned firstSeed, unsigned lastSeed)
{
    int clean = 0;
    for (unsigned seed = firstSeed; seed <= lastSeed; ++seed) {
        const RunOutcome o = runFuzz(seed, 50);
        clean += o.everyStepOk;
        std::cout << "  seed " << seed << ": " << (o.everyStepOk ? "every step -1" : o.failure) << ", "
                  << o.removed << " removed" << std::endl;
    }
    return clean;
}

TEST(ContactFuzz, RandomPackingsOneToTenStaySoundUnderRandomMoves) { EXPECT_GE(cleanRuns(1, 10), 9); }

TEST(ContactFuzz, RandomPackingsElevenToTwentyStaySoundUnderRandomMoves) { EXPECT_GE(cleanRuns(11, 20), 9); }

} // namespace

namespace {

using Pt = std::pair<double, double>;

// A cluster of centres 12 to 15 apart: neighbours overlap by 5 to 8 units,
// more than the initial pass welds cleanly.
std::vector<Pt> densePacking(unsigned seed) { return randomPacking(seed, 12.0, 15.0, 8, 30); }

// Ten steps without any move: the contact stage may weld and remove, but
// adds no crossing to what the initial pass left.
void staticSteps(const std::vector<Pt>& centres, int& removed)
{
    std::string error;
    auto e = weldCentres(centres, &error);
    ASSERT_TRUE(e) << error;
    std::size_t crossings = boundaryCrossings(*e).size();
    const std::vector<Shift> still(e->cells.size(), Shift{0.0, 0.0});
    for (int step = 1; step <= 10; ++step) {
        const int r = runContactStep(*e, step, still);
        if (r >= 0) {
            EXPECT_TRUE(e->message.startsWith("ERROR: ")) << e->message.toStdString();
            break;
        }
        const std::size_t now = boundaryCrossings(*e).size();
        EXPECT_LE(now, crossings) << "step " << step;
        crossings = std::min(crossings, now);
    }
    removed = 0;
    for (const cell* c : e->cells)
        removed += c->dead;
}

class DensePacking : public ::testing::TestWithParam<unsigned> {};

TEST_P(DensePacking, StaticStepsAddNoCrossing)
{
    int removed = 0;
    staticSteps(densePacking(GetParam()), removed);
    std::cout << "  seed " << GetParam() << ": " << removed << " removed" << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Seeds, DensePacking, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

TEST(AwkwardLayouts, StaticStepsAddNoCrossing)
{
    const std::vector<std::vector<Pt>> layouts = {
        {{0.0, 0.0}, {0.0, 0.0}, {19.0, 0.0}},                 // coincident centres
        {{0.0, 0.0}, {1e-4, 2e-4}, {9.0, 15.0}},               // a hair apart
        {{0.0, 0.0}, {8.0, 0.0}, {4.0, 6.9}},                  // three deeply overlapping
        {{0.0, 0.0}, {12.0, 0.0}, {24.0, 0.0}, {36.0, 0.0}},   // a deep row
    };
    for (std::size_t k = 0; k < layouts.size(); ++k) {
        SCOPED_TRACE(k);
        int removed = 0;
        staticSteps(layouts[k], removed);
        std::cout << "  layout " << k << ": " << removed << " removed" << std::endl;
    }
}

// Packings pushed towards their centre for 30 steps: new contacts, grown
// welds, third cells and removals, every step a success and every topology
// sound. (Welded vertices of a junction move by the mean of its cells, so
// a junction can fold; straightening folds is the pick correction's work.)
TEST(ContactSqueeze, PackingsPushedTogetherStaySound)
{
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        std::string error;
        auto e = weldCentres(randomPacking(seed), &error);
        ASSERT_TRUE(e) << error;
        double cx = 0.0, cy = 0.0;
        for (const cell* c : e->cells) {
            cx += c->center[0] / e->cells.size();
            cy += c->center[1] / e->cells.size();
        }
        for (int step = 1; step <= 30; ++step) {
            std::vector<Shift> v;
            for (const cell* c : e->cells) {
                const double dx = cx - c->center[0], dy = cy - c->center[1];
                const double l = std::hypot(dx, dy);
                v.push_back(l > 0.0 ? Shift{0.3 * dx / l, 0.3 * dy / l} : Shift{0.0, 0.0});
            }
            ASSERT_EQ(runContactStep(*e, step, v), dbReader::STEP_OK) << e->message.toStdString();
            ASSERT_TRUE(topologyIsSound(*e)) << "step " << step;
        }
    }
}

} // namespace
