// The alternative contact response against the one the simulation uses, on
// the packing of the initial-contact benchmark (1,000 and 4,000 regular
// 20-gons whose neighbours overlap by about one unit), with identical engines
// for both. Opening: every pair of the neighbour complex, made as the
// detection stage's first step makes them, is handled once. Extension: from
// one tissue welded by each family, every vertex moves out from its cell's
// centre by 0.2% (a growth step) and every pair is handled once more. Only
// the passes are timed. The alternative should take at most twice as long,
// and its 4,000-cell time at most 4.5 times its 1,000-cell one.
#include "contact/alt_merge.h"
#include "contact/welding.h"
#include "geometry/ccomplex.h"
#include "model/dbreader.h"
#include "support/hex_packing.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

std::unique_ptr<dbReader> packing(int count)
{
    auto engine = bench_packing::hexPacking(count);
    dbReader& r = *engine;
    r.delaunay_triangulation(r.bounds);
    // One pair per edge simplex of the neighbour complex (ids are cell
    // indices plus one).
    for (CSimplex* s : r.alpha_complex->simplices) {
        if (!s || s->size() != 2)
            continue;
        auto* e = static_cast<C1Simplex*>(s);
        const int i = e->id[0] - 1;
        const int j = e->id[1] - 1;
        if (i >= 0 && j >= 0 && i < count && j < count)
            welding::new_pair(r, r.cells[i], r.cells[j]);
    }
    return engine;
}

// One pass of a family over the pairs present when it starts.
int pass(dbReader& e, bool alternative)
{
    const std::size_t n = e.interpairs.size();
    int failed = 0;
    for (std::size_t k = 0; k < n; ++k) {
        interpair* p = e.interpairs[k];
        const int r = alternative ? welding::respond_alt(e, p) : welding::weld_pair(e, p);
        failed += r >= 0;
    }
    return failed;
}

void grow(dbReader& e)
{
    for (cell* c : e.cells) {
        for (edge* s : c->sides) {
            point3D* v = s->p1;
            v->x = c->center[0] + (v->x - c->center[0]) * 1.002;
            v->y = c->center[1] + (v->y - c->center[1]) * 1.002;
        }
    }
    // Welded vertices stay together: each takes its node's mean.
    for (node* n : e.nodes) {
        if (!n->active || n->vertices.size() < 2)
            continue;
        double x = 0.0, y = 0.0;
        for (point3D* v : n->vertices) {
            x += v->x;
            y += v->y;
        }
        x /= n->vertices.size();
        y /= n->vertices.size();
        for (point3D* v : n->vertices) {
            v->x = x;
            v->y = y;
        }
    }
}

std::size_t welded(const dbReader& e)
{
    std::size_t w = 0;
    for (const interpair* p : e.interpairs)
        w += p->MP.empty() ? 0 : 1;
    return w;
}

void Opening(benchmark::State& state, bool alternative)
{
    const int count = static_cast<int>(state.range(0));
    std::size_t w = 0;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<dbReader> e = packing(count);
        state.ResumeTiming();
        failed = pass(*e, alternative);
        state.PauseTiming();
        w = welded(*e);
        e.reset();
        state.ResumeTiming();
    }
    state.counters["welded_pairs"] = static_cast<double>(w);
    state.counters["failed"] = failed;
}

void Extension(benchmark::State& state, bool alternative)
{
    const int count = static_cast<int>(state.range(0));
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<dbReader> e = packing(count);
        pass(*e, alternative);
        grow(*e);
        state.ResumeTiming();
        failed = pass(*e, alternative);
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
    state.counters["failed"] = failed;
}

void OpeningPairwise(benchmark::State& s) { Opening(s, false); }
void OpeningAlternative(benchmark::State& s) { Opening(s, true); }
void ExtensionPairwise(benchmark::State& s) { Extension(s, false); }
void ExtensionAlternative(benchmark::State& s) { Extension(s, true); }

BENCHMARK(OpeningPairwise)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OpeningAlternative)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ExtensionPairwise)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ExtensionAlternative)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
