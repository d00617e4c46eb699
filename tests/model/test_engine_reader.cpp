// The engine's own reader: option string, step stamp, its differences from
// the view's loader, and the junction counts of node_test.

#include "tissue_test_env.h"

#include <algorithm>
#include <string>

namespace {

std::string readWithOptions(dbReader& engine, const QString& options, const QString& file, int step = 0)
{
    testing::internal::CaptureStdout();
    engine.read(options, file, step);
    return testing::internal::GetCapturedStdout();
}

std::string nodeTest(dbReader& engine)
{
    testing::internal::CaptureStdout();
    engine.node_test();
    return testing::internal::GetCapturedStdout();
}

// Adds `count` live vertices, all welded to one another.
void addWeldedGroup(dbReader& engine, int count)
{
    const size_t first = engine.points.size();
    for (int i = 0; i < count; ++i)
        engine.points.push_back(new point3D(static_cast<int>(engine.points.size()), 1.0, 2.0));
    for (size_t i = first; i < engine.points.size(); ++i)
        for (size_t j = first; j < engine.points.size(); ++j)
            engine.points[i]->pushmp(engine.points[j]);
}

}  // namespace

TEST_F(TissueFileTest, OptionStringSetsModeAndReadOption)
{
    const QString file = testDataPath("TissueFileRoundTrip", "two_cells.vt");
    struct Case {
        const char* options;
        int mode;
        int option;
    } cases[] = {
        {"", dbReader::MECH_MODEL, 3},   {"G", dbReader::MECH_GROW, 3},  {"rg", dbReader::MECH_RELAX, 3},
        {"Gr", dbReader::MECH_RELAX, 3}, {"mg", dbReader::MECH_MODEL, 3}, {"1 3", dbReader::MECH_MODEL, 3},
        {"x1", dbReader::MECH_MODEL, 1}, {"0 5 9", dbReader::MECH_MODEL, 3}, {"grow 2", dbReader::MECH_RELAX, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        dbReader engine;
        engine.mech_mode = dbReader::MECH_MODEL;
        readWithOptions(engine, c.options, file);
        EXPECT_EQ(engine.mech_mode, c.mode);
        EXPECT_EQ(engine.read_option, c.option);
        EXPECT_EQ(engine.cells.size(), 3u);
    }

    // An unreadable file: nothing applied, nothing printed.
    dbReader engine;
    EXPECT_EQ(readWithOptions(engine, "g1", path("missing.vt")), "");
    EXPECT_EQ(engine.mech_mode, dbReader::MECH_MODEL);
    EXPECT_EQ(engine.read_option, 3);
    EXPECT_TRUE(engine.cells.empty());
}

TEST_F(TissueFileTest, EngineReaderStampsTheStepAndUsesBareAdhesion)
{
    dbReader engine;
    const std::string printed = readWithOptions(engine, "m", testDataPath("TissueFileRoundTrip", "two_cells.vt"), 7);
    EXPECT_EQ(printed, "The node number: 7 7\n");
    ASSERT_EQ(engine.cells.size(), 3u);
    for (const cell* c : engine.cells) {
        EXPECT_EQ(c->birth_step, 7);
        EXPECT_TRUE(c->cell_type_name.isEmpty());
    }
    EXPECT_DOUBLE_EQ(engine.interpairs[0]->adhesion, adhesion_pair_array[3][3]);
    EXPECT_EQ(engine.collision_state, dbReader::COLLISION_ESTABLISHED);
    EXPECT_EQ(engine.alpha_complex, nullptr);
    EXPECT_NE(engine.rtree, nullptr);
    EXPECT_DOUBLE_EQ(engine.cells[0]->center[0], 6.0);
    EXPECT_TRUE(topologyIsSound(engine));
}

TEST_F(TissueFileTest, EngineReaderBuildsCenterBasedDiscs)
{
    writeBytes(path("discs.vt"), "Center-based\nCELL_LIST\n0,0,3\n18,0,3 # CELL 1\nEND_CELL_LIST\n");
    dbReader engine;
    const std::string printed = readWithOptions(engine, "r3", path("discs.vt"), 4);
    EXPECT_EQ(printed.rfind("The node number: ", 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
    ASSERT_EQ(engine.cells.size(), 2u);
    EXPECT_EQ(engine.points.size(), 40u);
    for (const cell* c : engine.cells) {
        EXPECT_EQ(c->birth_step, 4);
        EXPECT_TRUE(c->cell_type_name.isEmpty());
        EXPECT_DOUBLE_EQ(c->radius, 10.0);
    }
    EXPECT_EQ(engine.mech_mode, dbReader::MECH_RELAX);
    EXPECT_EQ(engine.read_option, 3);
    EXPECT_EQ(engine.alpha_complex, nullptr);
    EXPECT_EQ(engine.collision_state, dbReader::COLLISION_ESTABLISHED);
    EXPECT_EQ(engine.bounds[0], -1000.0);
    EXPECT_EQ(engine.bounds[2], 1018.0);
    EXPECT_FALSE(engine.interpairs.empty());
    EXPECT_TRUE(topologyIsSound(engine));
}

TEST_F(TissueFileTest, NodeTestCountsSites)
{
    dbReader engine;
    EXPECT_EQ(nodeTest(engine), "The node number: 0 0\n");

    // One welded pair and a lone vertex: 3 - (1 x 2) / 2 = 2 sites.
    addWeldedGroup(engine, 2);
    addWeldedGroup(engine, 1);
    EXPECT_EQ(nodeTest(engine), "The node number: 0 2\n");

    // A dead vertex and an active and a dead node.
    engine.points.push_back(new point3D(3, 0.0, 0.0));
    engine.points.back()->alive = 0;
    engine.nodes.push_back(new node(0));
    engine.nodes.push_back(new node(1));
    engine.nodes.back()->active = 0;
    EXPECT_EQ(nodeTest(engine), "The node number: 1 2\n");

    // Eleven vertices welded to one another (ten partners each) are one site.
    addWeldedGroup(engine, 11);
    EXPECT_EQ(nodeTest(engine), "The node number: 1 3\n");
    addWeldedGroup(engine, 12);
    EXPECT_EQ(nodeTest(engine), "The node number: 1 4\n");
}
