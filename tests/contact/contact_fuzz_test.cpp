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
        const std::vector<std::string> crossed = boundaryCrossings(*e);
        EXPECT_TRUE(crossed.empty()) << "seed " << seed << " step " << step << ": " << crossed.front();
        if (!sound || !crossed.empty())
            break;
    }
    for (cell* c : e->cells)
        out.removed += c->dead;
    return out;
}

TEST(ContactFuzz, RandomPackingsStaySoundUnderRandomMoves)
{
    int clean = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const RunOutcome o = runFuzz(seed, 50);
        clean += o.everyStepOk;
        std::cout << "  seed " << seed << ": " << (o.everyStepOk ? "every step -1" : o.failure) << ", "
                  << o.removed << " removed" << std::endl;
    }
    EXPECT_GE(clean, 18);
}

} // namespace
