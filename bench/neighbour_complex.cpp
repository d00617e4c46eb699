// Neighbour complex of random weighted cell centres: CD3DW and its alpha
// complex beside CGAL's regular triangulation of the same points.
//
// Centres are spread at tissue density (one per 20 x 20 square) with radii
// from 8 to 12. CGAL takes the squared radius as its weight. Both are timed
// on the same points; CGAL once in the same insertion order as CD3DW and
// once through its range insertion, which sorts the points spatially first.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/ccomplex.h"
#include "geometry/cd3dw.h"

#ifdef VANTU_HAVE_CGAL
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Regular_triangulation_2.h>
#endif

namespace {

struct Centre {
    double x, y, r;
};

const std::vector<Centre>& centres(int n)
{
    static std::vector<Centre> cache;
    if (int(cache.size()) != n) {
        std::mt19937 gen(20240607);
        const double side = std::sqrt(double(n)) * 20.0;
        std::uniform_real_distribution<double> pos(0.0, side);
        std::uniform_real_distribution<double> rad(8.0, 12.0);
        cache.clear();
        for (int i = 0; i < n; ++i)
            cache.push_back({pos(gen), pos(gen), rad(gen)});
    }
    return cache;
}

void rectOf(const std::vector<Centre>& pts, double* rect)
{
    rect[0] = rect[1] = 1e300;
    rect[2] = rect[3] = -1e300;
    for (const Centre& c : pts) {
        rect[0] = std::min(rect[0], c.x);
        rect[1] = std::min(rect[1], c.y);
        rect[2] = std::max(rect[2], c.x);
        rect[3] = std::max(rect[3], c.y);
    }
    rect[0] -= 1000;
    rect[1] -= 1000;
    rect[2] += 1000;
    rect[3] += 1000;
}

void BM_CD3DW_NeighbourComplex(benchmark::State& state)
{
    const std::vector<Centre>& pts = centres(int(state.range(0)));
    double rect[4];
    rectOf(pts, rect);
    size_t edges = 0;
    for (auto _ : state) {
        CD3DW* d = new CD3DW(rect);
        for (size_t i = 0; i < pts.size(); ++i)
            d->add(pts[i].x, pts[i].y, pts[i].r, int(i) + 1, nullptr);
        CComplex* c = new CComplex(d);
        delete d;
        edges = 0;
        for (CSimplex* s : c->simplices)
            edges += s->size() == 2;
        delete c;
    }
    state.counters["edges"] = double(edges);
    // Sanity after timing: a triangulation of n points in general position
    // has 3n - 3 - h edges, so between 2.9n and 3n here.
    if (edges < 2.9 * pts.size() || edges > 3 * pts.size())
        state.SkipWithError("unexpected edge count");
}

void BM_CD3DW_TriangulationOnly(benchmark::State& state)
{
    const std::vector<Centre>& pts = centres(int(state.range(0)));
    double rect[4];
    rectOf(pts, rect);
    for (auto _ : state) {
        CD3DW* d = new CD3DW(rect);
        for (size_t i = 0; i < pts.size(); ++i)
            d->add(pts[i].x, pts[i].y, pts[i].r, int(i) + 1, nullptr);
        benchmark::DoNotOptimize(d->cells.size());
        delete d;
    }
}

#ifdef VANTU_HAVE_CGAL
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
using Regular = CGAL::Regular_triangulation_2<K>;
using WPoint = K::Weighted_point_2;

std::vector<WPoint> weighted(const std::vector<Centre>& pts)
{
    std::vector<WPoint> out;
    out.reserve(pts.size());
    for (const Centre& c : pts)
        out.emplace_back(K::Point_2(c.x, c.y), c.r * c.r);
    return out;
}

void BM_CGAL_Regular_InOrder(benchmark::State& state)
{
    const std::vector<WPoint> pts = weighted(centres(int(state.range(0))));
    size_t edges = 0;
    for (auto _ : state) {
        Regular rt;
        for (const WPoint& p : pts)
            rt.insert(p);
        edges = rt.number_of_vertices() ? size_t(std::distance(rt.finite_edges_begin(), rt.finite_edges_end())) : 0;
    }
    state.counters["edges"] = double(edges);
}

void BM_CGAL_Regular_Range(benchmark::State& state)
{
    const std::vector<WPoint> pts = weighted(centres(int(state.range(0))));
    size_t edges = 0;
    for (auto _ : state) {
        Regular rt(pts.begin(), pts.end());
        edges = size_t(std::distance(rt.finite_edges_begin(), rt.finite_edges_end()));
    }
    state.counters["edges"] = double(edges);
}

BENCHMARK(BM_CGAL_Regular_InOrder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CGAL_Regular_Range)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK(BM_CD3DW_NeighbourComplex)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CD3DW_TriangulationOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
