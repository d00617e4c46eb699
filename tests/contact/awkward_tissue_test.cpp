// Awkward tissues given by cell centres through the neighbour complex and the
// initial contact pass: centres that (nearly) coincide, discs overlapping far
// beyond a touch, rows of collinear centres and very small cells. The pass
// must come back, and when it reports success the topology must be sound.
#include "contact_fixtures.h"
#include "geometry/ccomplex.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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

// minPairs < 0: the centres are degenerate and the pass may stop with an
// error. Otherwise it must succeed and weld at least minPairs pairs, so a
// pass that gives up (or finds nothing) cannot slip through.
void runPass(const std::vector<Pt>& centres, double r = 10.0, int minPairs = -1)
{
    TissueLayout layout;
    for (const Pt& c : centres)
        layout.cells.push_back(disc(c.first, c.second, r));
    std::string error;
    auto e = buildTissue(layout, &error);
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
    if (minPairs >= 0) {
        ASSERT_EQ(result, dbReader::STEP_OK) << e->message.toStdString();
        EXPECT_GE(e->interpairs.size(), static_cast<std::size_t>(minPairs));
    }
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
        runPass({{0.0, 0.0}, {d, 0.0}}, 10.0, 1);
}
TEST(AwkwardTissue, DeepOverlapOfThree) { runPass({{0.0, 0.0}, {8.0, 0.0}, {4.0, 6.9}}, 10.0, 3); }
TEST(AwkwardTissue, CollinearRow)
{
    std::vector<Pt> row;
    for (int i = 0; i < 8; ++i)
        row.push_back({18.0 * i, 0.0});
    runPass(row, 10.0, 7);
}
TEST(AwkwardTissue, CollinearDeepRow)
{
    std::vector<Pt> row;
    for (int i = 0; i < 6; ++i)
        row.push_back({7.0 * i, 0.0});
    runPass(row, 10.0, 5);
}
TEST(AwkwardTissue, TinyCells)
{
    std::vector<Pt> c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            c.push_back({0.9 * i + 0.45 * (j % 2), 0.8 * j});
    runPass(c, 0.5, 1);
}
TEST(AwkwardTissue, OneCellAndNone)
{
    runPass({{0.0, 0.0}}, 10.0, 0);
    runPass({}, 10.0, 0);
}

} // namespace
namespace {

// A cluster grown cell by cell with centres at least minGap apart, minGap
// drawn between 8 and 18: the closest neighbours overlap by more than a
// radius, so a weld often runs over vertices that earlier welds with third
// cells used.
std::vector<Pt> deepPacking(unsigned seed)
{
    std::mt19937 gen(seed);
    const double minGap = std::uniform_real_distribution<double>(8.0, 18.0)(gen);
    const int count = std::uniform_int_distribution<int>(5, 40)(gen);
    std::vector<Pt> centres = {{0.0, 0.0}};
    for (int tries = 0; static_cast<int>(centres.size()) < count && tries < 10000; ++tries) {
        const Pt& from = centres[std::uniform_int_distribution<std::size_t>(0, centres.size() - 1)(gen)];
        const double a = std::uniform_real_distribution<double>(0, 6.283)(gen);
        const double d = std::uniform_real_distribution<double>(minGap, 20.5)(gen);
        const Pt c{from.first + d * std::cos(a), from.second + d * std::sin(a)};
        bool free = true;
        for (const Pt& o : centres)
            free = free && std::hypot(o.first - c.first, o.second - c.second) >= minGap;
        if (free)
            centres.push_back(c);
    }
    return centres;
}

class DeepPacking : public ::testing::TestWithParam<unsigned> {};

// Each of these seeds once left a contact whose stretch still named
// vertices that a later weld had taken over or dropped.
TEST_P(DeepPacking, NoStretchOutlivesItsWeld) { runPass(deepPacking(GetParam()), 10.0, 4); }

INSTANTIATE_TEST_SUITE_P(Seeds, DeepPacking, ::testing::Values(3u, 5u, 8u, 18u, 28u, 139u, 151u));

class CrushedPacking : public ::testing::TestWithParam<unsigned> {};

// So deep an overlap can crush a cell until it turns inside out, which no
// weld repairs; but every ring must still close over live vertices and no
// stretch may name a dropped one.
TEST_P(CrushedPacking, RingsAndStretchesStayOnLiveVertices)
{
    TissueLayout layout;
    for (const Pt& c : deepPacking(GetParam()))
        layout.cells.push_back(disc(c.first, c.second, 10.0));
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    e->collision_state = dbReader::COLLISION_INITIAL;
    e->delaunay_triangulation(e->bounds);
    ASSERT_EQ(e->detect_collision(0), dbReader::STEP_OK) << e->message.toStdString();
    const ::testing::AssertionResult sound = topologyIsSound(*e);
    const std::string faults = sound ? std::string() : std::string(sound.message());
    EXPECT_EQ(faults.find("ring:"), std::string::npos) << faults;
    EXPECT_EQ(faults.find("is not a live vertex"), std::string::npos) << faults;
}

INSTANTIATE_TEST_SUITE_P(Seeds, CrushedPacking, ::testing::Values(46u, 139u, 173u, 262u, 279u));

} // namespace
