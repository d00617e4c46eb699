// Whole tissues built from cell centres, as a centre-based file builds them,
// through the neighbour complex and the initial contact pass: every
// neighbouring pair gets a pair, every touching pair a weld, the topology
// stays sound and no two boundaries cross afterwards.
#include "contact_fixtures.h"
#include "geometry/ccomplex.h"
#include "support/contact_run.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

namespace {

using Pt = std::pair<double, double>;

// Whether segments ab and cd meet (touching included).
bool segmentsMeet(Pt a, Pt b, Pt c, Pt d)
{
    const double o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
    if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0)))
        return true;
    auto on = [](Pt p, Pt q, Pt r) {
        return std::min(p.first, q.first) <= r.first && r.first <= std::max(p.first, q.first) &&
               std::min(p.second, q.second) <= r.second && r.second <= std::max(p.second, q.second);
    };
    return (o1 == 0 && on(a, b, c)) || (o2 == 0 && on(a, b, d)) || (o3 == 0 && on(c, d, a)) ||
           (o4 == 0 && on(c, d, b));
}

bool polygonsMeet(const FixtureCell& p, const FixtureCell& q)
{
    const std::size_t n = p.ring.size(), m = q.ring.size();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < m; ++j)
            if (segmentsMeet(p.ring[i], p.ring[(i + 1) % n], q.ring[j], q.ring[(j + 1) % m]))
                return true;
    return false;
}

void runInitialPass(const std::vector<Pt>& centres)
{
    TissueLayout layout;
    for (const Pt& c : centres)
        layout.cells.push_back(twentyGon(c.first, c.second));
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    e->collision_state = dbReader::COLLISION_INITIAL;
    e->delaunay_triangulation(e->bounds);
    ASSERT_NE(e->alpha_complex, nullptr);
    std::size_t edgeSimplices = 0;
    for (CSimplex* s : e->alpha_complex->simplices)
        if (s->size() == 2)
            ++edgeSimplices;

    ASSERT_EQ(e->detect_collision(0), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_EQ(e->collision_state, dbReader::COLLISION_ESTABLISHED);
    EXPECT_EQ(e->interpairs.size(), edgeSimplices);

    for (std::size_t i = 0; i < centres.size(); ++i) {
        for (std::size_t j = i + 1; j < centres.size(); ++j) {
            if (!polygonsMeet(layout.cells[i], layout.cells[j]))
                continue;
            const interpair* found = nullptr;
            for (const interpair* p : e->cells[i]->pairs)
                if (p->cell1 == e->cells[j] || p->cell2 == e->cells[j])
                    found = p;
            ASSERT_NE(found, nullptr) << "cells " << i << " and " << j << " touch but have no pair";
            EXPECT_FALSE(found->MP.empty()) << "cells " << i << " and " << j << " touch but are not welded";
        }
    }
    EXPECT_TRUE(topologyIsSound(*e));
    const std::vector<std::string> crossed = boundaryCrossings(*e);
    EXPECT_TRUE(crossed.empty()) << crossed.size() << " crossings, first: " << crossed.front();
}

TEST(WholeTissue, HexagonalPackingOfNineteenCells)
{
    // Spacing 19: each cell overlaps its six neighbours by about one unit.
    std::vector<Pt> centres;
    for (int i = -2; i <= 2; ++i)
        for (int j = -2; j <= 2; ++j)
            if (std::abs(i + j) <= 2)
                centres.push_back({19.0 * (i + 0.5 * j), 19.0 * j * std::sqrt(3.0) / 2.0});
    ASSERT_EQ(centres.size(), 19u);
    runInitialPass(centres);
}

class RandomPacking : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomPacking, InitialPassWeldsEveryTouchingPair)
{
    const std::vector<Pt> centres = randomPacking(GetParam());
    ASSERT_GE(centres.size(), 10u);
    runInitialPass(centres);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomPacking, ::testing::Range(1u, 25u));

} // namespace
