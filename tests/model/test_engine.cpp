// The engine object: construction, ownership and teardown.
#include "model/dbreader.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

TEST(Engine, FreshEngineHoldsTheInitialValues)
{
    dbReader r;
    EXPECT_EQ(r.collision_state, dbReader::COLLISION_INITIAL);
    EXPECT_EQ(r.mech_mode, dbReader::MECH_MODEL);
    EXPECT_EQ(r.read_option, 3);
    EXPECT_EQ(r.bounds[0], 100000.0);
    EXPECT_EQ(r.bounds[1], 100000.0);
    EXPECT_EQ(r.bounds[2], -100000.0);
    EXPECT_EQ(r.bounds[3], -100000.0);
    EXPECT_TRUE(r.ready);
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_EQ(r.alpha_complex, nullptr);
    EXPECT_EQ(r.rtree, nullptr);
    EXPECT_TRUE(r.points.empty() && r.edges.empty() && r.cells.empty());
    EXPECT_TRUE(r.interpairs.empty() && r.nodes.empty());
    ASSERT_NE(r.view_volume, nullptr);
    EXPECT_EQ(r.getViewVolume(), r.view_volume);
    EXPECT_NE(r.biology, nullptr);
    for (double d : r.view_volume->zeroed_block)
        EXPECT_EQ(d, 0.0);
}

TEST(Engine, TwoWeldedCellsBuildAndTearDownCleanly)
{
    std::string error;
    auto engine = buildTissue(twoWeldedCells(), &error);
    ASSERT_TRUE(engine) << error;
    EXPECT_TRUE(topologyIsSound(*engine));
    engine.reset();  // LeakSanitizer reports anything the teardown misses
}

TEST(Engine, ReleaseEngineClearsTheHolderBeforeDeleting)
{
    dbReader* holder = new dbReader();
    releaseEngine(holder);
    EXPECT_EQ(holder, nullptr);
    releaseEngine(holder);  // a null holder is left alone
    EXPECT_EQ(holder, nullptr);
}
