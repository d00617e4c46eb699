// Whole tissues through the contact stage and both correction stages in the
// step loop's order, moved by scripted cell vectors: after every step that
// succeeds the topology is sound and no two boundaries cross.
#include "contact/corrections.h"
#include "model/tissue_file.h"
#include "support/contact_run.h"
#include "support/crossings.h"
#include "support/model_env.h"
#include "support/topology_check.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <random>

namespace {

// One step as the loop runs it: mesh, the scripted move in place of
// behaviour and mechanics, contact, pick, edge. `picks`, when given, counts
// the candidates the pick stage finds.
int loopStep(dbReader& e, int step, const std::function<void(dbReader&)>& move, int* picks = nullptr)
{
    e.cell_mesh_generation(step);
    move(e);
    int r = e.detect_collision(step);
    if (r < 0 && picks)
        *picks += static_cast<int>(corrections::pick_candidates(e).size());
    if (r < 0)
        r = e.cell_pick_response(step);
    if (r < 0)
        r = e.cell_edge_response(step);
    return r < 0 ? dbReader::STEP_OK : r;
}

int correctedStep(dbReader& e, int step, const std::vector<Shift>& v)
{
    return loopStep(e, step, [&v](dbReader& d) { shiftCells(d, v); });
}

int removedCells(const dbReader& e)
{
    int n = 0;
    for (const cell* c : e.cells)
        n += c->dead;
    return n;
}

double longestLiveSide(const dbReader& e)
{
    double longest = 0.0;
    for (const cell* c : e.cells)
        if (!c->dead)
            for (edge* s : c->sides)
                longest = std::max(longest, s->getlength());
    return longest;
}

TEST(CorrectionsRun, ACrushedCellLeavesAndItsNeighboursWeld)
{
    // A, X, B in a row, welded; A and B pushed together.
    std::string error;
    auto e = weldCentres({{-18.0, 0.0}, {0.0, 0.0}, {18.0, 0.0}}, &error);
    ASSERT_TRUE(e) << error;
    // A and B move as blocks, each taking along the vertices of X welded
    // to it; X itself is passive, so it is squeezed from both sides.
    auto pushTogether = [](dbReader& d) {
        std::vector<std::pair<point3D*, double>> moves;
        for (cell* c : d.cells) {
            if (c->dead)
                continue;
            for (edge* s : c->sides) {
                point3D* p = s->p1;
                double sum = 0.0;
                int k = 0;
                const std::vector<point3D*> group = p->node ? p->node->vertices : std::vector<point3D*>{p};
                for (const point3D* u : group) {
                    const cell* owner = welding::cell_of(u);
                    if (u->alive && owner && owner->id != 1) {
                        sum += owner->id == 0 ? 0.25 : -0.25;
                        ++k;
                    }
                }
                moves.push_back({p, k ? sum / k : 0.0});
            }
        }
        for (auto& [p, dx] : moves)
            p->x += dx;
        for (cell* c : d.cells)
            if (!c->dead)
                c->set_area();
    };
    int removedAt = -1, weldedAt = -1;
    const char* removedBy = nullptr;
    std::string log;
    for (int step = 1; step <= 120 && weldedAt < 0; ++step) {
        testing::internal::CaptureStdout();
        // The loop's order, stage by stage, to tell which one removes X.
        e->cell_mesh_generation(step);
        pushTogether(*e);
        int r = -1;
        const char* names[3] = {"contact", "pick", "edge"};
        for (int stage = 0; stage < 3 && r < 0; ++stage) {
            r = stage == 0 ? e->detect_collision(step) : stage == 1 ? e->cell_pick_response(step) : e->cell_edge_response(step);
            if (!removedBy && e->cells[1]->dead)
                removedBy = names[stage];
        }
        r = r < 0 ? -1 : r;
        log += testing::internal::GetCapturedStdout();
        ASSERT_EQ(r, -1) << "step " << step << ": " << e->message.toStdString();
        ASSERT_TRUE(soundAndUncrossed(*e, "step " + std::to_string(step)));
        if (removedAt < 0 && e->cells[1]->dead)
            removedAt = step;
        interpair* ab = welding::find_pair(e->cells[0], e->cells[2]);
        if (removedAt >= 0 && ab && !ab->MP.empty())
            weldedAt = step;
    }
    std::cout << "  crushed cell: removed at step " << removedAt << " by the " << (removedBy ? removedBy : "-")
              << " stage, neighbours welded at step " << weldedAt
              << (log.empty() ? "" : ", output:\n" + log) << std::endl;
    EXPECT_GE(removedAt, 1);
    EXPECT_GE(weldedAt, removedAt);
}

// Totals over several packings run for a number of steps.
struct PackingRuns {
    int clean = 0;    // runs with every step -1
    int removed = 0;  // cells removed
    int picks = 0;    // pick candidates found
};

// Each seed's packing moved by `vectors` (the cells' vectors of one step)
// for `steps` steps; sound and uncrossed after every step that succeeds.
PackingRuns runPackings(unsigned seeds, int steps,
                        const std::function<std::vector<Shift>(dbReader&, unsigned seed, int step)>& vectors)
{
    PackingRuns out;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        std::string error;
        auto e = weldCentres(randomPacking(seed), &error);
        EXPECT_TRUE(e) << error;
        if (!e)
            continue;
        std::string outcome = "every step -1";
        for (int step = 1; step <= steps; ++step) {
            const std::vector<Shift> v = vectors(*e, seed, step);
            testing::internal::CaptureStdout();
            const int r = loopStep(*e, step, [&](dbReader& d) { shiftCells(d, v); }, &out.picks);
            testing::internal::GetCapturedStdout();
            if (r >= 0) {
                outcome = "step " + std::to_string(step) + ": " + e->message.toStdString();
                EXPECT_EQ(e->message.left(7).toStdString(), "ERROR: ") << outcome;
                break;
            }
            const ::testing::AssertionResult ok = soundAndUncrossed(*e, "seed " + std::to_string(seed) + " step " + std::to_string(step));
            EXPECT_TRUE(ok);
            if (!ok) {
                outcome = "unsound";
                break;
            }
        }
        out.clean += outcome == "every step -1";
        out.removed += removedCells(*e);
        std::cout << "  seed " << seed << ": " << outcome << ", " << removedCells(*e) << " removed" << std::endl;
    }
    std::cout << "  " << out.removed << " cells removed, " << out.picks << " pick candidates in all" << std::endl;
    return out;
}

TEST(CorrectionsRun, RandomPackingsStaySoundUnderRandomMovesWithCorrections)
{
    // Seeded random cell vectors of length up to 0.2.
    std::mt19937 gen;
    const PackingRuns runs = runPackings(20, 50, [&gen](dbReader& e, unsigned seed, int step) {
        if (step == 1)
            gen.seed(seed * 7919u + 1u);
        std::uniform_real_distribution<double> angle(0.0, 2.0 * 3.14159265358979);
        std::uniform_real_distribution<double> length(0.0, 0.2);
        std::vector<Shift> v;
        for (std::size_t c = 0; c < e.cells.size(); ++c) {
            const double a = angle(gen);
            const double l = length(gen);
            v.push_back({l * std::cos(a), l * std::sin(a)});
        }
        return v;
    });
    EXPECT_GE(runs.clean, 18);
}

TEST(CorrectionsRun, CompressedPackingsStaySoundAndTheirJunctionsAreCorrected)
{
    // Every cell 0.25 a step toward the packing's centre: cells are
    // squeezed, edges shortened and junctions crowded, so the pick and edge
    // stages have work.
    const PackingRuns runs = runPackings(6, 40, [](dbReader& e, unsigned, int) {
        double cx = 0.0, cy = 0.0;
        for (cell* c : e.cells) {
            cx += c->center[0] / e.cells.size();
            cy += c->center[1] / e.cells.size();
        }
        std::vector<Shift> v;
        for (cell* c : e.cells) {
            const double dx = cx - c->center[0], dy = cy - c->center[1];
            const double len = std::sqrt(dx * dx + dy * dy);
            v.push_back(len > 0.0 ? Shift{0.25 * dx / len, 0.25 * dy / len} : Shift{0.0, 0.0});
        }
        return v;
    });
    EXPECT_GE(runs.clean, 5);
    EXPECT_GE(runs.picks, 1);
}

TEST(CorrectionsRun, AStretchedSheetHasItsLongEdgesSplit)
{
    // The wound sample scaled by 2.5 about its centre: every weld stays
    // sound, every side is about 2.5 pi long. Ten static steps.
    ASSERT_TRUE(model_env::prepareEngine());
    const QString file = QDir(qEnvironmentVariable("VANTU_SAMPLES")).filePath("wound_center.vt");
    const int lines = TissueFile::readLineCount(nullptr, file);
    dbReader* reader = nullptr;
    ASSERT_TRUE(TissueFile::readDatabase(nullptr, reader, file, lines, 0));
    std::unique_ptr<dbReader> e(reader);
    double lo[2] = {1e12, 1e12}, hi[2] = {-1e12, -1e12};
    for (const point3D* p : e->points) {
        lo[0] = std::min(lo[0], p->x);
        lo[1] = std::min(lo[1], p->y);
        hi[0] = std::max(hi[0], p->x);
        hi[1] = std::max(hi[1], p->y);
    }
    const double cx = 0.5 * (lo[0] + hi[0]), cy = 0.5 * (lo[1] + hi[1]);
    for (point3D* p : e->points) {
        p->x = cx + 2.5 * (p->x - cx);
        p->y = cy + 2.5 * (p->y - cy);
    }
    for (cell* c : e->cells) {
        c->set_area();
        c->center_refresh();
    }
    ASSERT_TRUE(soundAndUncrossed(*e, "scaled"));
    ASSERT_GT(longestLiveSide(*e), corrections::kLongEdge);

    const std::vector<Shift> still(e->cells.size(), Shift{0.0, 0.0});
    for (int step = 1; step <= 10; ++step) {
        const std::size_t before = e->points.size();
        const int r = correctedStep(*e, step, still);
        ASSERT_EQ(r, -1) << "step " << step << ": " << e->message.toStdString();
        ASSERT_TRUE(soundAndUncrossed(*e, "step " + std::to_string(step)));
        if (step == 1) {
            EXPECT_GT(e->points.size(), before);  // the first step splits
        }
        if (step >= 3) {
            EXPECT_LE(longestLiveSide(*e), corrections::kLongEdge) << "step " << step;
        }
    }
}

} // namespace
