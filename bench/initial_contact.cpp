// The initial contact pass of a tissue built from cell centres: 1,000 and
// 4,000 cells on a jittered hexagonal packing (neighbours overlap by about
// one unit), each cell the loader's regular 20-gon of radius 10. Only the
// pass is timed; building the cells and their neighbour complex is not. The
// pass must grow no faster than linearly: the 4,000-cell time should be at
// most 4.5 times the 1,000-cell time.
#include "geometry/ccomplex.h"
#include "model/dbreader.h"
#include "support/hex_packing.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void InitialContactPass(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::size_t welded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<dbReader> engine = bench_packing::hexPacking(count);
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
