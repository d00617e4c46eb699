// Moving welded stretch ends outward by one couple, at every free stretch
// end of a grown packing: the initial contact pass's 1,000 and 4,000 cells,
// welded by that pass, then grown by pushing every free boundary vertex 0.3
// units away from its cell's centre (welded vertices stay, so every weld
// holds). The end couples (each stretch end with its ring neighbours) are
// chosen before timing; only the merges are timed. Each merge is local, so
// the 4,000-cell time should be at most 4.5 times the 1,000-cell time.
#include "contact/welding.h"
#include "geometry/ccomplex.h"
#include "model/dbreader.h"
#include "support/hex_packing.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Couple {
    point3D *a, *b, *c, *d;
    int pair;
};

void grow(dbReader& engine)
{
    for (cell* c : engine.cells) {
        for (edge* e : c->sides) {
            point3D* p = e->p1;
            if (!p->mp.empty())
                continue;
            const double dx = p->x - c->center[0];
            const double dy = p->y - c->center[1];
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r > 0.0) {
                p->x += 0.3 * dx / r;
                p->y += 0.3 * dy / r;
            }
        }
    }
}

std::vector<Couple> freeEnds(const dbReader& engine)
{
    std::vector<Couple> out;
    for (interpair* P : engine.interpairs) {
        if (P->removed || P->MP.empty())
            continue;
        const mergepair* m = P->MP[0];
        out.push_back({m->S1, m->T2, m->S1->prev, m->T2->next, P->id});
        out.push_back({m->T1, m->S2, m->T1->prev, m->S2->next, P->id});
    }
    return out;
}

void ExtendEveryFreeEnd(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::size_t calls = 0;
    std::size_t done = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<dbReader> engine = bench_packing::hexPacking(count);
        engine->delaunay_triangulation(engine->bounds);
        if (engine->detect_collision(0) != dbReader::STEP_OK) {
            state.SkipWithError("the initial pass failed");
            break;
        }
        grow(*engine);
        const std::vector<Couple> couples = freeEnds(*engine);
        std::vector<welding::MergeOutcome> outcomes;
        outcomes.reserve(couples.size());
        state.ResumeTiming();

        for (const Couple& k : couples)
            outcomes.push_back(welding::extend_stretch_end(*engine, k.a, k.b, k.c, k.d, k.pair));

        state.PauseTiming();
        calls = couples.size();
        done = 0;
        for (std::size_t i = 0; i < couples.size(); ++i)
            if (outcomes[i] == welding::MergeOutcome::Done && couples[i].c->checkmp(couples[i].d))
                ++done;
        if (done == 0)
            state.SkipWithError("no merge welded its new end");
        engine.reset();
        state.ResumeTiming();
    }
    state.counters["cells"] = count;
    state.counters["merges"] = static_cast<double>(calls);
    state.counters["welded_ends"] = static_cast<double>(done);
}

BENCHMARK(ExtendEveryFreeEnd)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
