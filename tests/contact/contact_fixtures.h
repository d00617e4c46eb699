// Tissues shared by the contact tests: two cells facing each other along a
// run that is welded only at its two ends, and cells built from centres as
// the tissue loader builds them (regular 20-gons of radius 10).
#ifndef VANTU_TESTS_CONTACT_CONTACT_FIXTURES_H
#define VANTU_TESTS_CONTACT_CONTACT_FIXTURES_H

#include "support/crossings.h"
#include "support/tissue_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// The engine of a layout; a test failure with the reason when the layout is
// refused.
inline std::unique_ptr<dbReader> buildChecked(const TissueLayout& layout)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    return e;
}

// Cell 0 (A) runs from P1 = (0, 0) through kA interior vertices (at y = yA,
// evenly spread) to P2 = (length, 0) along next, then closes above. Cell 1 (B)
// runs from Q2 = (length, 0) through kB interior vertices (at y = yB) to
// Q1 = (0, 0) along next, then closes below. P1-Q1 and P2-Q2 are welded single
// points of one pair (two mergepairs). Ring indices: A: P1 = 0, a_j = j,
// P2 = kA + 1; B: Q2 = 0, b_j = kB + 1 - j (b_1 next to Q1), Q1 = kB + 1.
inline TissueLayout facingRuns(int kA, int kB, double length, double yA = -0.5, double yB = 0.5)
{
    TissueLayout layout;
    FixtureCell a;
    a.ring.push_back({0.0, 0.0});
    for (int j = 1; j <= kA; ++j)
        a.ring.push_back({length * j / (kA + 1), yA});
    a.ring.push_back({length, 0.0});
    a.ring.push_back({length, 10.0});
    a.ring.push_back({0.0, 10.0});
    FixtureCell b;
    b.ring.push_back({length, 0.0});
    for (int j = kB; j >= 1; --j)
        b.ring.push_back({length * j / (kB + 1), yB});
    b.ring.push_back({0.0, 0.0});
    b.ring.push_back({0.0, -10.0});
    b.ring.push_back({length, -10.0});
    layout.cells = {a, b};
    layout.welds.push_back(FixtureWeld{0, 0, 0, 1, kB + 1, kB + 1});
    layout.welds.push_back(FixtureWeld{0, kA + 1, kA + 1, 1, 0, 0});
    return layout;
}

// A cell as the centre-based loader builds it.
inline FixtureCell twentyGon(double cx, double cy)
{
    FixtureCell c;
    for (int j = 0; j < 20; ++j) {
        if (j == 0)
            c.ring.push_back({cx + 10.0, cy + 0.0});
        else
            c.ring.push_back({cx + 10.0 * std::cos(j * 0.314159265), cy + 10.0 * std::sin(j * 0.314159265)});
    }
    return c;
}

// Orientation of c against the line a -> b (twice the signed area).
inline double orient(std::pair<double, double> a, std::pair<double, double> b, std::pair<double, double> c)
{
    return (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
}

#endif
