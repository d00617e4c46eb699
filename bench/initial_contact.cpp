// The initial contact pass of a tissue built from cell centres: 1,000 and
// 4,000 cells on a jittered hexagonal packing (neighbours overlap by about
// one unit), each cell the loader's regular 20-gon of radius 10. Only the
// pass is timed; building the cells and their neighbour complex is not. The
// pass must grow no faster than linearly: the 4,000-cell time should be at
// most 4.5 times the 1,000-cell time.
#include "geometry/ccomplex.h"
#include "model/dbreader.h"
#include "model/disc_ring.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

// Cells as the centre-based loader builds them: ids 20k .. 20k + 19 for the
// vertices, edges and single-vertex nodes of cell k.
std::unique_ptr<dbReader> packing(int count)
{
    auto engine = std::make_unique<dbReader>();
    dbReader& r = *engine;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> jitter(-0.4, 0.4);
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    for (int k = 0; k < count; ++k) {
        const int row = k / columns;
        const int col = k % columns;
        const double cx = 19.0 * (col + 0.5 * (row % 2)) + jitter(gen);
        const double cy = 19.0 * row * std::sqrt(3.0) / 2.0 + jitter(gen);
        cell* c = new cell(k);
        c->center[0] = cx;
        c->center[1] = cy;
        c->radius = 10.0;
        r.cells.push_back(c);
        r.bounds[0] = std::min(r.bounds[0], cx);
        r.bounds[1] = std::min(r.bounds[1], cy);
        r.bounds[2] = std::max(r.bounds[2], cx);
        r.bounds[3] = std::max(r.bounds[3], cy);
        append_disc_ring(r, c, cx, cy, 10.0);
    }
    for (int i = 0; i < 2; ++i) {
        r.bounds[i] -= 1000.0;
        r.bounds[i + 2] += 1000.0;
    }
    return engine;
}

void InitialContactPass(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::size_t welded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<dbReader> engine = packing(count);
        engine->delaunay_triangulation(engine->bounds);
        state.ResumeTiming();

        const int result = engine->detect_collision(0);

        state.PauseTiming();
        if (result != dbReader::STEP_OK || engine->collision_state != dbReader::COLLISION_ESTABLISHED) {
            state.SkipWithError("the initial pass failed");
            break;
        }
        welded = 0;
        for (const interpair* p : engine->interpairs)
            welded += p->MP.empty() ? 0 : 1;
        engine.reset();
        state.ResumeTiming();
    }
    state.counters["cells"] = count;
    state.counters["welded_pairs"] = static_cast<double>(welded);
}

BENCHMARK(InitialContactPass)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
