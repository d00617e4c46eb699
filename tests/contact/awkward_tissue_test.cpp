// Awkward tissues given by cell centres through the neighbour complex and the
// initial contact pass: centres that (nearly) coincide, discs overlapping far
// beyond a touch, rows of collinear centres and very small cells. The pass
// must come back, and when it reports success the topology must be sound.
#include "contact_fixtures.h"
#include "geometry/ccomplex.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Pt = std::pair<double, double>;

FixtureCell disc(double cx, double cy, double r)
{
    FixtureCell c;
    for (int j = 0; j < 20; ++j)
        c.ring.push_back({j == 0 ? cx + r : cx + r * std::cos(j * 0.314159265),
                          j == 0 ? cy : cy + r * std::sin(j * 0.314159265)});
    return c;
}

void runPass(const std::vector<Pt>& centres, double r = 10.0)
{
    TissueSpec spec;
    for (const Pt& c : centres)
        spec.cells.push_back(disc(c.first, c.second, r));
    std::string error;
    auto e = buildTissue(spec, &error);
    ASSERT_TRUE(e) << error;
    for (cell* c : e->cells)
        c->radius = r;
    e->collision_state = dbReader::COLLISION_INITIAL;
    e->delaunay_triangulation(e->bounds);
    ASSERT_NE(e->alpha_complex, nullptr);
    std::size_t edgeSimplices = 0;
    for (CSimplex* s : e->alpha_complex->simplices)
        if (s->size() == 2)
            ++edgeSimplices;
    const int result = e->detect_collision(0);
    if (result != dbReader::STEP_OK) {
        EXPECT_TRUE(e->message.startsWith("ERROR: ")) << e->message.toStdString();
        return;
    }
    EXPECT_EQ(e->collision_state, dbReader::COLLISION_ESTABLISHED);
    EXPECT_EQ(e->interpairs.size(), edgeSimplices);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(AwkwardTissue, CoincidentCentres) { runPass({{0.0, 0.0}, {0.0, 0.0}, {19.0, 0.0}}); }
TEST(AwkwardTissue, NearlyCoincidentCentres) { runPass({{0.0, 0.0}, {1e-9, 0.0}, {19.0, 0.0}}); }
TEST(AwkwardTissue, CentresAHairApart) { runPass({{0.0, 0.0}, {1e-4, 2e-4}, {9.0, 15.0}}); }
TEST(AwkwardTissue, DeepOverlapOfTwo)
{
    for (double d : {1.0, 5.0, 10.0, 15.0})
        runPass({{0.0, 0.0}, {d, 0.0}});
}
TEST(AwkwardTissue, DeepOverlapOfThree) { runPass({{0.0, 0.0}, {8.0, 0.0}, {4.0, 6.9}}); }
TEST(AwkwardTissue, CollinearRow)
{
    std::vector<Pt> row;
    for (int i = 0; i < 8; ++i)
        row.push_back({18.0 * i, 0.0});
    runPass(row);
}
TEST(AwkwardTissue, CollinearDeepRow)
{
    std::vector<Pt> row;
    for (int i = 0; i < 6; ++i)
        row.push_back({7.0 * i, 0.0});
    runPass(row);
}
TEST(AwkwardTissue, TinyCells)
{
    std::vector<Pt> c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            c.push_back({0.9 * i + 0.45 * (j % 2), 0.8 * j});
    runPass(c, 0.5);
}
TEST(AwkwardTissue, OneCellAndNone)
{
    runPass({{0.0, 0.0}});
    runPass({});
}

} // namespace
