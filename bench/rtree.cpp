// The R-tree of cells beside Boost.Geometry's R-tree with the quadratic split:
// building over 10,000 cell-like boxes one insertion at a time, and 100,000
// point queries (a click finding the boxes that contain it). Boost runs twice:
// with nodes of three (the capacity of our tree, two-and-two splits) and with
// its usual nodes of sixteen. Same boxes, same points, fixed seeds; each
// result is checked after timing.
#include "geometry/rtree.h"

#include <benchmark/benchmark.h>
#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

const int BOXES = 10000;
const int QUERIES = 100000;

struct box4 {
    double b[4]; // xmin, ymin, xmax, ymax
};

// A tissue of 100 x 100 cells of diameter about 10 on a jittered grid, in
// a shuffled order; neighbouring boxes overlap as welded cells' boxes do.
const std::vector<box4>& tissue_boxes()
{
    static const std::vector<box4> boxes = [] {
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> jitter(-1.5, 1.5), half(4.5, 6.5);
        std::vector<box4> v;
        for (int i = 0; i < 100; i++)
            for (int j = 0; j < 100; j++) {
                const double cx = i * 10.0 + jitter(rng), cy = j * 10.0 + jitter(rng);
                const double hx = half(rng), hy = half(rng);
                v.push_back({{cx - hx, cy - hy, cx + hx, cy + hy}});
            }
        std::shuffle(v.begin(), v.end(), rng);
        return v;
    }();
    return boxes;
}

const std::vector<std::pair<double, double>>& query_points()
{
    static const std::vector<std::pair<double, double>> points = [] {
        std::mt19937 rng(2);
        std::uniform_real_distribution<double> pos(-10, 1000);
        std::vector<std::pair<double, double>> v;
        for (int i = 0; i < QUERIES; i++)
            v.emplace_back(pos(rng), pos(rng));
        return v;
    }();
    return points;
}

double world[4] = {-1000.0, -1000.0, 2000.0, 2000.0};

std::unique_ptr<RT3D> build_rt3d()
{
    std::unique_ptr<RT3D> tree(new RT3D(world));
    const std::vector<box4>& boxes = tissue_boxes();
    for (int i = 0; i < BOXES; i++)
        tree->insert_leaf(i, boxes[i].b);
    return tree;
}

using point_t = bg::model::point<double, 2, bg::cs::cartesian>;
using box_t = bg::model::box<point_t>;
using value_t = std::pair<box_t, int>;

template <typename Params>
std::unique_ptr<bgi::rtree<value_t, Params>> build_boost()
{
    std::unique_ptr<bgi::rtree<value_t, Params>> tree(new bgi::rtree<value_t, Params>());
    const std::vector<box4>& boxes = tissue_boxes();
    for (int i = 0; i < BOXES; i++)
        tree->insert(value_t(box_t(point_t(boxes[i].b[0], boxes[i].b[1]), point_t(boxes[i].b[2], boxes[i].b[3])), i));
    return tree;
}

// Hits of all queries by brute force, the reference for every tree.
long brute_force_hits()
{
    static const long hits = [] {
        long n = 0;
        for (const auto& p : query_points())
            for (const box4& b : tissue_boxes())
                if (b.b[0] <= p.first && p.first <= b.b[2] && b.b[1] <= p.second && p.second <= b.b[3])
                    n++;
        return n;
    }();
    return hits;
}

void check(benchmark::State& state, long hits)
{
    if (hits != brute_force_hits())
        state.SkipWithError("query results differ from brute force");
    state.counters["hits"] = static_cast<double>(hits);
}

void BM_RT3D_Build(benchmark::State& state)
{
    tissue_boxes();
    for (auto _ : state) {
        std::unique_ptr<RT3D> tree = build_rt3d();
        benchmark::DoNotOptimize(tree->root);
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    std::unique_ptr<RT3D> tree = build_rt3d();
    std::vector<int> all;
    tree->search_rectangle(-1e9, -1e9, 1e9, 1e9, all);
    if (all.size() != BOXES)
        state.SkipWithError("tree lost boxes");
}

template <typename Params>
void BM_Boost_Build(benchmark::State& state)
{
    tissue_boxes();
    for (auto _ : state) {
        auto tree = build_boost<Params>();
        benchmark::DoNotOptimize(tree.get());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    if (build_boost<Params>()->size() != BOXES)
        state.SkipWithError("tree lost boxes");
}

void BM_RT3D_PointQueries(benchmark::State& state)
{
    std::unique_ptr<RT3D> tree = build_rt3d();
    const auto& points = query_points();
    brute_force_hits();
    std::vector<int> out;
    long hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const auto& p : points) {
            out.clear();
            tree->search_point(p.first, p.second, out);
            hits += static_cast<long>(out.size());
        }
        benchmark::DoNotOptimize(hits);
    }
    check(state, hits);
}

template <typename Params>
void BM_Boost_PointQueries(benchmark::State& state)
{
    auto tree = build_boost<Params>();
    const auto& points = query_points();
    brute_force_hits();
    std::vector<value_t> out;
    long hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const auto& p : points) {
            out.clear();
            tree->query(bgi::intersects(point_t(p.first, p.second)), std::back_inserter(out));
            hits += static_cast<long>(out.size());
        }
        benchmark::DoNotOptimize(hits);
    }
    check(state, hits);
}

} // namespace

BENCHMARK(BM_RT3D_Build)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Boost_Build, bgi::quadratic<3, 2>)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Boost_Build, bgi::quadratic<16>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RT3D_PointQueries)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Boost_PointQueries, bgi::quadratic<3, 2>)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Boost_PointQueries, bgi::quadratic<16>)->Unit(benchmark::kMillisecond);
