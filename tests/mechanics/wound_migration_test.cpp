// The wound sample under the whole loop (re-mesh, mechanics, contact, pick
// and edge corrections, R-tree) with the responses acting: a cell of the
// sheet's outer border is armed every step to migrate outwards, and every
// 20th step a seeded interior cell is marked dying. Every step keeps the
// topology, finite positions and uncrossed boundaries; the migrant tears
// free and moves off; the marked cells leave and their neighbours get
// contacts; one seed gives one result.
#include "mechanics_env.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kSteps = 200;
constexpr int kDyingEvery = 20;

class WoundMigration : public MechanicsTest {
protected:
    void load()
    {
        ASSERT_TRUE(loadSample("wound_center.vt"));
        reader->mech_mode = dbReader::MECH_RELAX;
        for (cell* c : reader->cells)
            index_trans_class[c->cell_type] = 1.0;
        // The sample may be moved, not reshaped: the border cell is the one
        // farthest from the centre of all cells.
        centre[0] = centre[1] = 0.0;
        for (cell* c : reader->cells) {
            c->center_refresh();
            centre[0] += c->center[0] / reader->cells.size();
            centre[1] += c->center[1] / reader->cells.size();
        }
        migrant = nullptr;
        double far = -1.0;
        for (cell* c : reader->cells) {
            const double d = std::hypot(c->center[0] - centre[0], c->center[1] - centre[1]);
            if (d > far) {
                far = d;
                migrant = c;
            }
        }
        ASSERT_TRUE(migrant);
        start[0] = migrant->center[0];
        start[1] = migrant->center[1];
    }

    // What the behaviour stage would do: the migrant heads outwards with its
    // free vertices as the front.
    void arm()
    {
        migrant->center_refresh();
        armFreeFront(migrant, migrant->center[0] - centre[0], migrant->center[1] - centre[1], 5.0);
    }

    // A live cell welded all round, drawn by the seeded generator.
    cell* markDying()
    {
        std::vector<cell*> inner;
        for (cell* c : reader->cells) {
            if (c->dead || c == migrant)
                continue;
            bool welded = true;
            for (const edge* s : c->sides)
                welded = welded && s->bonded;
            if (welded)
                inner.push_back(c);
        }
        if (inner.empty())
            return nullptr;
        cell* c = inner[std::rand() % inner.size()];
        c->dying = 1;
        return c;
    }

    int step(int n)
    {
        return loopStep(*reader, n, [this] {
            if (!migrant->dead)
                arm();
        });
    }

    cell* migrant = nullptr;
    double centre[2] = {0, 0};
    double start[2] = {0, 0};
};

}  // namespace

TEST_F(WoundMigration, TheBorderCellTearsFreeAndMarkedCellsLeave)
{
    load();
    std::vector<cell*> marked;
    int bondedAtStart = 0;
    for (const edge* s : migrant->sides)
        bondedAtStart += s->bonded;
    ASSERT_GT(bondedAtStart, 0);
    for (int n = 1; n <= kSteps; ++n) {
        std::size_t pairsBefore = reader->interpairs.size();
        cell* dying = n % kDyingEvery == 0 ? markDying() : nullptr;
        ASSERT_EQ(step(n), dbReader::STEP_OK) << "step " << n << ": " << reader->message.toStdString();
        ASSERT_TRUE(topologyIsSound(*reader)) << "step " << n;
        std::string where;
        ASSERT_TRUE(positionsFinite(*reader, &where)) << "step " << n << ": " << where;
        ASSERT_FALSE(boundariesCross(*reader, &where)) << "step " << n << ": " << where;
        if (dying) {
            marked.push_back(dying);
            EXPECT_TRUE(dying->dead) << "step " << n;
            EXPECT_GT(reader->interpairs.size(), pairsBefore) << "no contact across the gap of cell " << dying->id;
        }
    }
    EXPECT_EQ(marked.size(), std::size_t(kSteps / kDyingEvery));
    int bonded = 0;
    for (const edge* s : migrant->sides)
        bonded += s->bonded;
    EXPECT_FALSE(migrant->dead);
    EXPECT_EQ(bonded, 0) << "the migrant is still welded";
    migrant->center_refresh();
    const double out = (migrant->center[0] - start[0]) * (start[0] - centre[0]) +
                       (migrant->center[1] - start[1]) * (start[1] - centre[1]);
    EXPECT_GT(out, 0.0) << "the migrant did not move outwards";
}

TEST_F(WoundMigration, OneSeedGivesOneResult)
{
    std::vector<double> first;
    for (int run = 0; run < 2; ++run) {
        delete reader;
        reader = nullptr;
        clear_parameter_tables();
        UserInitialParas();
        srand(7);
        load();
        for (int n = 1; n <= kSteps; ++n) {
            if (n % kDyingEvery == 0)
                markDying();
            ASSERT_EQ(step(n), dbReader::STEP_OK) << "run " << run << ", step " << n;
        }
        if (run == 0)
            first = allPositions(*reader);
    }
    const std::vector<double> second = allPositions(*reader);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(double)), 0);
}
