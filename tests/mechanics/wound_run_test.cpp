// The wound sample run step after step under the mechanics (re-mesh,
// mechanics, contact, pick and edge corrections, R-tree, as the loop runs
// them while the behaviour stage is not part of it), in Relax mode: one cell armed to migrate
// before each step and a transmission of 0.5, so that draws decide which
// welds load, tear and pass cues. Every step keeps the topology, finite
// positions and uncrossed boundaries; one seed gives one result; the loads
// survive a save. The run carries one driven cell with a free side. A
// driven cell welded all round is run apart: its relaxation pulls its
// junctions along every step, and the short junction edges this leaves
// cross (near step 11) once the shared-edge corrections are not there to
// collapse them.
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
    void load()
    {
        driven = migrant = nullptr;
        ASSERT_TRUE(loadSample("wound_center.vt"));
        reader->mech_mode = dbReader::MECH_RELAX;
        for (cell* c : reader->cells)
            index_trans_class[c->cell_type] = 0.5;
        // The cell nearest the tissue's centre with a free side drives (for
        // the welded run, the nearest cell welded all round), the nearest
        // other one with a free side migrates. The sample's coordinates may
        // move, its layout does not.
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

    int step(int n)
    {
        return loopStep(*reader, n, [this] { arm(); });
    }

    std::vector<double> positions() const { return allPositions(*reader); }

    cell* driven = nullptr;
    cell* migrant = nullptr;
    double centre[2] = {0, 0};
    int frontSize = 0;
    bool weldedDriven = false;
};

}  // namespace

TEST_F(WoundUnderMechanics, TwoHundredStepsKeepTheTissueSoundAndTheLoadsSurviveASave)
{
    load();
    int cued = 0;
    double drivenMoved = 0.0;
    for (int n = 1; n <= kSteps; ++n) {
        ASSERT_EQ(step(n), dbReader::STEP_OK) << "step " << n << ": " << reader->message.toStdString();
        if (n == 1) {
            ASSERT_GT(frontSize, 0) << "the migrant has no free side";
        }
        ASSERT_TRUE(topologyIsSound(*reader)) << "step " << n;
        std::string where;
        ASSERT_TRUE(positionsFinite(*reader, &where)) << "step " << n << ": " << where;
        ASSERT_FALSE(boundariesCross(*reader, &where)) << "step " << n << ": " << where;
        for (cell* c : reader->cells)
            cued += c->has_cue;
        EXPECT_FALSE(migrant->migrating);  // the step's reset
        for (edge* s : driven->sides)
            drivenMoved = std::max(drivenMoved, std::hypot(s->p1->x - s->p1->x_history[0], s->p1->y - s->p1->y_history[0]));
    }
    std::cout << "cues received over the run: " << cued << ", largest step of a driven vertex: " << drivenMoved
              << std::endl;
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
        load();
        for (int n = 1; n <= kSteps; ++n)
            ASSERT_EQ(step(n), dbReader::STEP_OK) << "run " << run << ", step " << n;
        if (run == 0)
            first = positions();
    }
    const std::vector<double> second = positions();
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(double)), 0);
}

TEST_F(WoundUnderMechanics, ADrivenCellWeldedAllRoundStaysSoundAndFinite)
{
    weldedDriven = true;
    load();
    for (int n = 1; n <= kSteps / 5; ++n) {
        ASSERT_EQ(step(n), dbReader::STEP_OK) << "step " << n << ": " << reader->message.toStdString();
        ASSERT_TRUE(topologyIsSound(*reader)) << "step " << n;
        std::string where;
        ASSERT_TRUE(positionsFinite(*reader, &where)) << "step " << n << ": " << where;
        if (n <= 10) {
            ASSERT_FALSE(boundariesCross(*reader, &where)) << "step " << n << ": " << where;
        }
    }
}
