// Packings squeezed harder than the gentle runs: every cell pushed 0.6 a step
// towards the packing's centre, plus a uniform jitter of up to 0.3 on each
// axis. A step runs the contact stage alone, or the contact work as the step
// loop does it (the contact stage, the pick stage, and the edge stage, which
// pairs cells that came to cross without a pair and responds on those pairs).
// Every stage must end within a bounded number of contact responses (a step
// that runs past a time limit ends the test binary with a failure) and
// either fail with an "ERROR: " message or leave a sound tissue; after the
// edge stage, no two crossing cells may lack a live pair. Rigid pushes alone
// can fold a small cell or push one cell across another, so orientation and
// crossings are held only where they held after the push (on the whole
// tissue: a fusion at one contact moves vertices that other cells may then
// cross).
#include "contact_fixtures.h"
#include "contact/crossing_contacts.h"
#include "support/contact_run.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

using welding::ResponseCall;

namespace {

using CellCouple = std::pair<int, int>;

// The couples of cells whose boundaries cross ("edge 4 of cell 0 crosses
// edge 31 of cell 1").
std::set<CellCouple> crossingCouples(const dbReader& e, CrossingScope scope = CrossingScope::AllCells)
{
    std::set<CellCouple> out;
    for (const std::string& line : boundaryCrossings(e, scope)) {
        std::istringstream in(line);
        std::string w;
        int a = -1, b = -1, n = 0;
        while (in >> w) {
            if (w == "cell" && in >> n)
                (a < 0 ? a : b) = n;
        }
        out.insert({std::min(a, b), std::max(a, b)});
    }
    return out;
}

// Ends the test binary with a failure when the stages of one step run past
// `limit`: responses that re-run each other without a bound grow as two to
// the power of the nesting depth, and the step would otherwise run until
// the test runner's own timeout.
class StepTimeGuard {
public:
    StepTimeGuard(std::chrono::seconds limit, std::string what)
        : watcher([this, limit, what = std::move(what)] {
              std::unique_lock<std::mutex> lock(m);
              if (cv.wait_for(lock, limit, [this] { return done; }))
                  return;
              std::fprintf(stderr, "Failure: %s did not end within %d s\n", what.c_str(),
                           static_cast<int>(limit.count()));
              std::fflush(stderr);
              std::_Exit(1);
          })
    {
    }
    ~StepTimeGuard()
    {
        {
            std::lock_guard<std::mutex> lock(m);
            done = true;
        }
        cv.notify_all();
        watcher.join();
    }
    StepTimeGuard(const StepTimeGuard&) = delete;
    StepTimeGuard& operator=(const StepTimeGuard&) = delete;

private:
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watcher;
};

// A squeezed step's stages take well under a second each in the test
// build; an unbounded cascade of responses takes minutes and more.
constexpr std::chrono::seconds kStepLimit{60};

std::set<int> clockwiseCells(const std::vector<TopologyFault>& faults)
{
    std::set<int> out;
    for (const TopologyFault& f : faults)
        if (f.invariant == TopologyInvariant::Orientation)
            out.insert(std::stoi(f.what.substr(f.what.find("cell ") + 5)));
    return out;
}

// The most responses one call of a stage may enter: one per pair, and one
// more run of the pair the stage called, counted with the pairs at the
// step's end.
void expectResponsesBounded(const std::vector<ResponseCall>& calls, std::size_t pairs, int step)
{
    std::size_t inCall = 0;
    std::size_t most = 0;
    for (const ResponseCall& c : calls) {
        if (c.depth == 1 && !c.again)
            inCall = 0;
        most = std::max(most, ++inCall);
    }
    EXPECT_LE(most, pairs + 1) << "step " << step;
}

struct SqueezeRun {
    int failedAt = 0;           // the step that returned a failure, 0 when none did
    std::string failure;        // its message
    std::size_t mostCalls = 0;  // the most responses a step entered
};

// What a squeezed step runs after the push.
enum class StepWork {
    ContactStage,       // the contact stage alone
    SearchThenContact,  // cells crossing without a pair paired first, then the contact stage
    StepLoop,           // the contact, pick and edge stages, in the step loop's order
};

int runStepWork(dbReader& e, int step, StepWork work)
{
    if (work == StepWork::SearchThenContact)
        welding::pair_crossing_cells(e);
    if (work == StepWork::StepLoop)
        return runCorrectionStages(e, step);
    return e.detect_collision(step);
}

// Runs `steps` squeezed steps of a packing; checks every step that succeeded.
SqueezeRun squeeze(unsigned seed, int steps, StepWork work = StepWork::ContactStage)
{
    SqueezeRun run;
    std::string error;
    auto e = weldCentres(randomPacking(seed), &error);
    EXPECT_TRUE(e) << error;
    if (!e)
        return run;
    double cx = 0.0, cy = 0.0;
    for (const cell* c : e->cells) {
        cx += c->center[0] / e->cells.size();
        cy += c->center[1] / e->cells.size();
    }
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    for (int step = 1; step <= steps; ++step) {
        std::vector<Shift> v;
        for (const cell* c : e->cells) {
            const double dx = cx - c->center[0], dy = cy - c->center[1];
            const double l = std::hypot(dx, dy);
            const double jx = jitter(gen);
            const double jy = jitter(gen);
            v.push_back(l > 0.0 ? Shift{0.6 * dx / l + jx, 0.6 * dy / l + jy} : Shift{jx, jy});
        }
        e->cell_mesh_generation(step);
        shiftCells(*e, v);
        const std::set<int> foldedByPush = clockwiseCells(checkTopology(*e));
        const std::set<CellCouple> crossedByPush = crossingCouples(*e);

        ResponseLog log;
        int r = -1;
        {
            const StepTimeGuard guard(kStepLimit, "step " + std::to_string(step) + " of packing "
                                                      + std::to_string(seed));
            r = runStepWork(*e, step, work);
        }
        welding::record_responses(nullptr);
        run.mostCalls = std::max(run.mostCalls, log.calls.size());
        expectResponsesBounded(log.calls, e->interpairs.size(), step);
        if (r >= 0) {
            run.failedAt = step;
            run.failure = e->message.toStdString();
            EXPECT_EQ(run.failure.rfind("ERROR: ", 0), 0u) << run.failure;
            break;
        }
        std::vector<TopologyFault> kept;
        for (const TopologyFault& f : checkTopology(*e))
            if (f.invariant != TopologyInvariant::Orientation)
                kept.push_back(f);
        EXPECT_TRUE(kept.empty()) << "seed " << seed << " step " << step << "\n" << describeFaults(kept);
        if (foldedByPush.empty())
            for (int c : clockwiseCells(checkTopology(*e)))
                ADD_FAILURE() << "seed " << seed << " step " << step << ": cell " << c << " folded";
        const std::set<CellCouple> paired = crossingCouples(*e, CrossingScope::PairedCells);
        for (const CellCouple& x : crossingCouples(*e)) {
            if (work == StepWork::StepLoop && !paired.count(x))
                ADD_FAILURE() << "seed " << seed << " step " << step << ": cells " << x.first << " and " << x.second
                              << " cross without a live pair";
            else if (crossedByPush.empty())
                ADD_FAILURE() << "seed " << seed << " step " << step << ": cells " << x.first << " and " << x.second
                              << " crossed";
        }
        if (!kept.empty())
            break;
    }
    return run;
}

TEST(ContactSqueeze, AnXJunctionOfFourCellsEndsTheStepWithinBoundedResponses)
{
    // Paired before the contact stage, the crossing cells of packing 2
    // reach a junction of four cells at step 36, where each re-run of a
    // single-point contact asks for two more and welds nothing: unless one
    // call enters each pair a bounded number of times, the calls grow as two
    // to the power of the nesting depth. (The step loop's own order takes
    // another course from the first steps and does not meet that junction.)
    const SqueezeRun run = squeeze(2, 38, StepWork::SearchThenContact);
    EXPECT_EQ(run.failedAt, 0) << run.failure;
    std::cout << "  packing 2, paired first: " << (run.failedAt ? run.failure : "every step -1") << ", at most "
              << run.mostCalls << " responses a step" << std::endl;
}

TEST(ContactSqueeze, CellsPushedIntoEachOtherWithoutAContactArePairedByTheEdgeStage)
{
    // Through the step loop's stages: in these packings cells with no
    // contact are pushed across a gap into each other (packing 18 at step
    // 22, packing 22 at step 37), and only the edge stage's search pairs
    // them before the step ends.
    for (unsigned seed : {18u, 22u}) {
        const SqueezeRun run = squeeze(seed, 40, StepWork::StepLoop);
        EXPECT_EQ(run.failedAt, 0) << run.failure;
        std::cout << "  packing " << seed << ", step loop: " << (run.failedAt ? run.failure : "every step -1")
                  << ", at most " << run.mostCalls << " responses a step" << std::endl;
    }
}

class SqueezedPacking : public ::testing::TestWithParam<unsigned> {};

TEST_P(SqueezedPacking, EveryStageEndsBoundedAndSoundOrFailsWithAMessage)
{
    const SqueezeRun run = squeeze(GetParam(), 40);
    std::cout << "  packing " << GetParam() << ": " << (run.failedAt ? run.failure : "every step -1") << ", at most "
              << run.mostCalls << " responses a step" << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Seeds, SqueezedPacking, ::testing::Values(1u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u));

} // namespace
