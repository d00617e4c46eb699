// Neighbour complex of cells given by their centres.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>
#include <set>
#include <utility>

#include "geometry/ccomplex.h"
#include "model/dbreader.h"

namespace {

void addCell(dbReader& engine, double x, double y, double r = 10.0)
{
    cell* c = new cell(int(engine.cells.size()));
    c->center[0] = x;
    c->center[1] = y;
    c->radius = r;
    engine.cells.push_back(c);
}

// The loaders' rectangle: the centres widened by 1000.
void widen(dbReader& engine)
{
    for (cell* c : engine.cells) {
        engine.bounds[0] = std::min(engine.bounds[0], c->center[0]);
        engine.bounds[1] = std::min(engine.bounds[1], c->center[1]);
        engine.bounds[2] = std::max(engine.bounds[2], c->center[0]);
        engine.bounds[3] = std::max(engine.bounds[3], c->center[1]);
    }
    engine.bounds[0] -= 1000;
    engine.bounds[1] -= 1000;
    engine.bounds[2] += 1000;
    engine.bounds[3] += 1000;
}

std::set<std::pair<int, int>> neighbourPairs(const CComplex* complex)
{
    std::set<std::pair<int, int>> pairs;
    for (CSimplex* s : complex->simplices) {
        if (s->size() != 2)
            continue;
        auto* e = static_cast<C1Simplex*>(s);
        pairs.insert({std::min(e->id[0], e->id[1]), std::max(e->id[0], e->id[1])});
    }
    return pairs;
}

}  // namespace

TEST(NeighbourComplex, ThreeCellsOnAnEquilateralTriangle)
{
    dbReader engine;
    addCell(engine, 0, 0);
    addCell(engine, 20, 0);
    addCell(engine, 10, 17.320508075688775);
    widen(engine);
    engine.delaunay_triangulation(engine.bounds);
    ASSERT_NE(engine.alpha_complex, nullptr);
    const auto& s = engine.alpha_complex->simplices;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0]->size(), 3);
    for (int k = 1; k < 4; ++k)
        EXPECT_EQ(s[k]->size(), 2);
    EXPECT_EQ(neighbourPairs(engine.alpha_complex), (std::set<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));
}

TEST(NeighbourComplex, CollinearCentresJoinOnlyConsecutiveCells)
{
    dbReader engine;
    for (int k = 0; k < 6; ++k)
        addCell(engine, 20.0 * k, 10.0 * k + (k == 3 ? 1e-9 : 0.0));
    engine.cells[2]->dead = 1;  // a dead cell takes part like any other
    widen(engine);
    engine.delaunay_triangulation(engine.bounds);
    for (CSimplex* s : engine.alpha_complex->simplices)
        EXPECT_EQ(s->size(), 2);
    EXPECT_EQ(neighbourPairs(engine.alpha_complex),
              (std::set<std::pair<int, int>>{{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}}));
}

TEST(NeighbourComplex, DrawsNMinusOneRandomNumbers)
{
    for (int n : {0, 1, 2, 7}) {
        dbReader engine;
        for (int k = 0; k < n; ++k)
            addCell(engine, 25.0 * (k % 3), 25.0 * (k / 3));
        widen(engine);
        std::srand(42);
        for (int k = 1; k < n; ++k)
            std::rand();
        const int expected = std::rand();
        std::srand(42);
        engine.delaunay_triangulation(engine.bounds);
        EXPECT_EQ(std::rand(), expected) << n << " cells";
        if (n < 2) {
            EXPECT_TRUE(engine.alpha_complex->simplices.empty());
        }
    }
}

TEST(NeighbourComplex, UnusableRectangleIsReplacedByTheBoxOfTheCentres)
{
    // The fresh engine's inverted bounds, and a rectangle missing a centre.
    dbReader engine;
    addCell(engine, 0, 0);
    addCell(engine, 20, 0);
    addCell(engine, 10, 17.320508075688775);
    engine.delaunay_triangulation(engine.bounds);
    EXPECT_EQ(neighbourPairs(engine.alpha_complex), (std::set<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));

    double narrow[4] = {-5, -5, 15, 5};
    engine.delaunay_triangulation(narrow);  // replaces the complex it held
    EXPECT_EQ(neighbourPairs(engine.alpha_complex), (std::set<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));
}

TEST(NeighbourComplex, CellOnTheCentreOfAnotherIsLeftWithoutNeighbours)
{
    dbReader engine;
    addCell(engine, 0, 0);
    addCell(engine, 20, 0);
    addCell(engine, 10, 17.320508075688775);
    addCell(engine, 20, 0);             // the same centre as cell 2
    addCell(engine, 1e-10, -1e-10);     // all but the same centre as cell 1
    widen(engine);
    engine.delaunay_triangulation(engine.bounds);
    EXPECT_EQ(neighbourPairs(engine.alpha_complex), (std::set<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));
    EXPECT_EQ(engine.alpha_complex->simplices.size(), 4u);
}

namespace {

// Centres the loaders can be handed: a centre that is not a number, a pile
// of cells on one point, a long row on one line, weights far above the
// spacing and cells far from the origin. The complex must come back with
// every edge naming two different existing cells.
TEST(NeighbourComplex, AwkwardCentresGiveOnlyValidPairs)
{
    const double nan = std::nan("");
    std::vector<std::vector<std::array<double, 3>>> sets = {
        {{0, 0, 10}, {nan, 0, 10}, {19, 0, 10}, {9, 15, 10}},
        {{0, 0, 10}, {0, 0, 10}, {0, 0, 10}, {0, 0, 10}, {19, 0, 10}},
        {{0, 0, 10}, {1e-12, 0, 10}, {0, 1e-12, 10}, {19, 0, 10}, {9, 15, 10}},
        {{0, 0, 500}, {19, 0, 10}, {9, 15, 10}, {-30, 4, 0}},
        {{1e9, 1e9, 10}, {1e9 + 19, 1e9, 10}, {1e9 + 9, 1e9 + 15, 10}},
    };
    std::vector<std::array<double, 3>> row;
    for (int i = 0; i < 200; ++i)
        row.push_back({19.0 * i, 0.0, 10.0});
    sets.push_back(row);
    for (std::size_t k = 0; k < sets.size(); ++k) {
        SCOPED_TRACE(k);
        dbReader engine;
        for (const auto& c : sets[k])
            addCell(engine, c[0], c[1], c[2]);
        widen(engine);
        engine.delaunay_triangulation(engine.bounds);
        ASSERT_NE(engine.alpha_complex, nullptr);
        const int n = int(engine.cells.size());
        for (const auto& p : neighbourPairs(engine.alpha_complex)) {
            EXPECT_GE(p.first, 1);
            EXPECT_LE(p.second, n);
            EXPECT_NE(p.first, p.second);
        }
        if (k == sets.size() - 1) {
            EXPECT_EQ(neighbourPairs(engine.alpha_complex).size(), row.size() - 1);
        }
    }
}

} // namespace
