// The wound sample run step after step in Relax mode with one driven cell
// and a transmission of 0.5, so that draws decide which welds of the driven
// cell's contacts load and tear.
//
// The engine-level run plays the step without the behaviour stage and the
// contact handling: re-mesh, mechanics, R-tree. Its driven cell has a free
// side. Every step keeps the topology, finite positions and uncrossed
// boundaries; one seed gives one result; the loads survive a save.
//
// A driven cell welded all round, beside a migrating cell, runs through the
// whole loop instead (contact and corrections after the mechanics). Its
// relaxation moves each junction by the neighbours' terms alone, every
// neighbour's side scaled to the length of the driven cell's own side, so a
// neighbour's junction edge pulls the junction as hard when it is short as
// when it is long; at the sample's damping of 0.01 the three sweeps move a
// junction 0.25 to 0.7 a step, past the far end of a junction edge shorter
// than that, and the edge folds over its neighbours (at step 22 of this run
// when only re-mesh, mechanics and R-tree are played). The edge corrections
// collapse every shared edge shorter than pi / 2 each step, so none is left
// short enough to fold.
#include "mechanics_env.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

constexpr int kSteps = 200;

class WoundUnderMechanics : public MechanicsTest {
protected:
    // The driven cell: the cell nearest the tissue's centre with a free side,
    // or (`weldedDriven`) the nearest one welded all round; the migrant, when
    // a test arms it: the nearest other one with a free side.
    void load(bool weldedDriven)
    {
        driven = migrant = nullptr;
        ASSERT_TRUE(loadSample("wound_center.vt"));
        reader->mech_mode = dbReader::MECH_RELAX;
        for (cell* c : reader->cells)
            index_trans_class[c->cell_type] = 0.5;
        // The sample's coordinates may move, its layout does not.
        double cx = 0, cy = 0;
        for (cell* c : reader->cells) {
            c->center_refresh();
            cx += c->center[0] / reader->cells.size();
            cy += c->center[1] / reader->cells.size();
        }
        std::vector<std::pair<double, cell*>> byDistance;
        for (cell* c : reader->cells)
            byDistance.push_back({std::hypot(c->center[0] - cx, c->center[1] - cy), c});
        std::sort(byDistance.begin(), byDistance.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        auto welded = [](const cell* c) {
            for (const edge* s : c->sides)
                if (!s->bonded)
                    return false;
            return true;
        };
        for (const auto& d : byDistance) {
            if (!driven && welded(d.second) == weldedDriven)
                driven = d.second;
            else if (!migrant && !welded(d.second))
                migrant = d.second;
        }
        ASSERT_TRUE(driven && migrant);
        driven->driven = 1;
        centre[0] = cx;
        centre[1] = cy;
    }

    // The behaviour stage's part that the tests play: the migrant heads for
    // the tissue's centre with its free vertices as the front.
    void arm()
    {
        frontSize = armFreeFront(migrant, centre[0] - migrant->center[0], centre[1] - migrant->center[1], 1.0);
    }

    // Re-mesh, mechanics, R-tree.
    int mechanicsStep(int n)
    {
        reader->cell_mesh_generation(n);
        const int r = reader->cell_dynamic_FEM(n);
        reader->r_tree_construction(reader->bounds);
        return r;
    }

    // The whole loop with the migrant armed before the mechanics.
    int loopTick(int n)
    {
        return loopStep(*reader, n, [this] { arm(); });
    }

    // What every step must keep: the topology, finite positions, and no two
    // cells' boundaries crossing.
    void expectSound(int n)
    {
        ASSERT_TRUE(topologyIsSound(*reader)) << "step " << n;
        std::string where;
        ASSERT_TRUE(positionsFinite(*reader, &where)) << "step " << n << ": " << where;
        ASSERT_FALSE(boundariesCross(*reader, &where)) << "step " << n << ": " << where;
    }

    std::vector<double> positions() const { return allPositions(*reader); }

    cell* driven = nullptr;
    cell* migrant = nullptr;
    double centre[2] = {0, 0};
    int frontSize = 0;
};

}  // namespace

TEST_F(WoundUnderMechanics, TwoHundredStepsKeepTheTissueSoundAndTheLoadsSurviveASave)
{
    load(false);
    double drivenMoved = 0.0;
    for (int n = 1; n <= kSteps; ++n) {
        ASSERT_EQ(mechanicsStep(n), dbReader::STEP_OK) << "step " << n << ": " << reader->message.toStdString();
        ASSERT_NO_FATAL_FAILURE(expectSound(n));
        for (edge* s : driven->sides)
            drivenMoved = std::max(drivenMoved, std::hypot(s->p1->x - s->p1->x_history[0], s->p1->y - s->p1->y_history[0]));
    }
    std::cout << "largest step of a driven vertex: " << drivenMoved << std::endl;
    EXPECT_LT(drivenMoved, 10.0);  // the driven cell's free side stays put
    // The driven cell's contacts were visited: their welds carry loads.
    int drivenLoaded = 0;
    for (interpair* p : driven->pairs)
        if (!p->MP.empty())
            for (double L : {p->MP[0]->adhesion_load_S1, p->MP[0]->adhesion_load_T1})
                drivenLoaded += L > 0.0;
    EXPECT_GT(drivenLoaded, 0);

    // Six significant digits of every load survive a save and a load.
    std::vector<double> loads;
    auto collect = [this](std::vector<double>& out) {
        for (const point3D* p : reader->points)
            out.push_back(p->adhesion_load);
        for (const interpair* p : reader->interpairs)
            if (!p->MP.empty())
                for (double L : {p->MP[0]->adhesion_load_S1, p->MP[0]->adhesion_load_S2,
                                 p->MP[0]->adhesion_load_T1, p->MP[0]->adhesion_load_T2})
                    out.push_back(L);
    };
    collect(loads);
    const int nonzero = int(std::count_if(loads.begin(), loads.end(), [](double L) { return L != 0.0; }));
    EXPECT_GT(nonzero, 0) << "no weld was ever loaded: the draws decided nothing";
    QTemporaryDir dir;
    const QString file = dir.filePath("run.vt");
    ASSERT_TRUE(TissueFile::writeFile(nullptr, reader, file));
    delete reader;
    reader = nullptr;
    ASSERT_TRUE(TissueFile::readDatabase(nullptr, reader, file, TissueFile::readLineCount(nullptr, file), 0));
    std::vector<double> reloaded;
    collect(reloaded);
    ASSERT_EQ(reloaded.size(), loads.size());
    for (std::size_t i = 0; i < loads.size(); ++i)
        EXPECT_NEAR(reloaded[i], loads[i], 5e-6 * std::fabs(loads[i])) << i;
}

TEST_F(WoundUnderMechanics, OneSeedGivesOneResult)
{
    std::vector<double> first;
    for (int run = 0; run < 2; ++run) {
        delete reader;
        reader = nullptr;
        load(false);
        for (int n = 1; n <= kSteps; ++n)
            ASSERT_EQ(mechanicsStep(n), dbReader::STEP_OK) << "run " << run << ", step " << n;
        if (run == 0)
            first = positions();
    }
    const std::vector<double> second = positions();
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(double)), 0);
}

TEST_F(WoundUnderMechanics, ADrivenCellWeldedAllRoundStaysSoundThroughTheWholeLoop)
{
    load(true);
    int cued = 0;
    for (int n = 1; n <= kSteps; ++n) {
        ASSERT_EQ(loopTick(n), dbReader::STEP_OK) << "step " << n << ": " << reader->message.toStdString();
        if (n == 1) {
            ASSERT_GT(frontSize, 0) << "the migrant has no free side";
        }
        ASSERT_NO_FATAL_FAILURE(expectSound(n));
        for (cell* c : reader->cells)
            cued += c->has_cue;
        EXPECT_FALSE(migrant->migrating);  // the step's reset
    }
    std::cout << "cues received over the run: " << cued << std::endl;
}
