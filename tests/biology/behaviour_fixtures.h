// Tissues and helpers shared by the behaviour-step tests.
#ifndef VANTU_TESTS_BIOLOGY_BEHAVIOUR_FIXTURES_H
#define VANTU_TESTS_BIOLOGY_BEHAVIOUR_FIXTURES_H

#include "division_fixtures.h"

#include "biology/behaviour_stages.h"
#include "biology/biology.h"
#include "geometry/numeric.h"

#include <cmath>
#include <vector>

class BehaviourTest : public DivisionTest {
protected:
    void SetUp() override
    {
        DivisionTest::SetUp();
        numeric_detail::randn_trig_reset();
    }
    void TearDown() override
    {
        DivisionTest::TearDown();
        numeric_detail::randn_trig_reset();
    }

    behaviour::Progress quiet;  // no dialog: a stage run on its own
};

// A regular n-gon of radius 10 at the origin (cell 0) with annular neighbours
// of outer radius 20, each welded along one run of its vertices: run {a, b}
// covers the sides a .. b - 1 (b may pass n, wrapping). The other sides of
// cell 0 stay free.
inline TissueLayout surroundedPolygon(int n, const std::vector<std::pair<int, int>>& runs)
{
    TissueLayout l;
    l.cells.push_back(regularPolygon(n, 10.0));
    auto at = [n](int k, double radius) {
        const double a = k * 2.0 * 3.14159265358979 / n;
        return std::make_pair(radius * std::cos(a), radius * std::sin(a));
    };
    for (const auto& run : runs) {
        FixtureCell neighbour;
        for (int k = run.second; k >= run.first; --k)
            neighbour.ring.push_back(at(k, 10.0));
        for (int k = run.first; k <= run.second; ++k)
            neighbour.ring.push_back(at(k, 20.0));
        const int index = static_cast<int>(l.cells.size());
        l.cells.push_back(neighbour);
        l.welds.push_back({0, run.first % n, run.second % n, index, 0, run.second - run.first});
    }
    // Neighbours meeting at a vertex of cell 0 share the radial side there.
    for (std::size_t i = 0; i < runs.size(); ++i)
        for (std::size_t j = 0; j < runs.size(); ++j) {
            if (i == j || runs[i].second % n != runs[j].first % n)
                continue;
            const int a = static_cast<int>(i) + 1, b = static_cast<int>(j) + 1;
            const int lastA = static_cast<int>(l.cells[a].ring.size()) - 1;
            const int innerB = runs[j].second - runs[j].first;
            // a: outer end -> its first inner vertex; b: its last inner -> first outer.
            l.welds.push_back({a, lastA, 0, b, innerB, innerB + 1});
        }
    return l;
}

// Two cells on the x axis pointing at each other, their tips (10, 5) and
// (10 + gap, 5) the gap apart, with an unwelded contact pair listed by both.
inline std::unique_ptr<dbReader> gapPair(double gap, int type0 = 0, int type1 = 0)
{
    TissueLayout l;
    const double g = 10.0 + gap;
    l.cells.push_back({{{0, 0}, {8, 0}, {10, 5}, {8, 10}, {0, 10}}, type0});
    l.cells.push_back({{{g + 2, 0}, {g + 10, 0}, {g + 10, 10}, {g + 2, 10}, {g, 5}}, type1});
    std::string error;
    auto e = buildTissue(l, &error);
    EXPECT_TRUE(e) << error;
    if (!e)
        return e;
    auto* p = new interpair(static_cast<int>(e->interpairs.size()), e->cells[0], e->cells[1]);
    e->interpairs.push_back(p);
    e->cells[0]->pairs.push_back(p);
    e->cells[1]->pairs.push_back(p);
    return e;
}

// The rand() draws a piece of work consumed: the number of draws after a
// fresh srand(seed) that bring the sequence to where it now stands.
inline int drawsSince(unsigned seed, int next)
{
    std::srand(seed);
    for (int k = 0; k < 1000; ++k)
        if (std::rand() == next)
            return k;
    return -1;
}

#endif
