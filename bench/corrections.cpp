// The two correction stages of a step, pick then edge, on the 1,000-cell
// Center-based sample and on a 4,000-cell sheet laid out alike (the same
// hexagonal rows, twice as many each way). Before the timed part, each
// tissue is loaded, takes one scripted step (every cell 0.3 toward the
// sheet's centre, welded vertices by the mean of their cells) and one
// contact pass, so that the stages find junctions and edges to repair. Only
// the two stages are timed; both must return -1. The stages must grow no
// faster than linearly: the 4,000-cell time should be at most 4.5 times the
// 1,000-cell time. The counters split the time between the two stages and
// give, as a baseline, a plain walk over every side of the same tissue.
#include "support/sheets.h"
#include "model/dbreader.h"
#include "model/tissue_file.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Reads and writes a buffer larger than the last-level cache, so that the
// stages find none of the tissue in cache, whatever its size.
void evictCaches()
{
    static std::vector<char> buffer(std::size_t(96) << 20);
    for (std::size_t k = 0; k < buffer.size(); k += 64)
        buffer[k] = static_cast<char>(buffer[k] + 1);
    benchmark::ClobberMemory();
}

void PickThenEdge(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const bool cold = state.range(1) != 0;
    const QString file = bench_env::sheetFile(count, workDir().path());
    const int lines = TissueFile::readLineCount(nullptr, file);
    double pickSeconds = 0.0, edgeSeconds = 0.0, walkSeconds = 0.0;
    std::size_t cells = 0, points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dbReader* reader = nullptr;
        if (!TissueFile::readDatabase(nullptr, reader, file, lines, 0)) {
            state.SkipWithError("the tissue did not load");
            break;
        }
        std::unique_ptr<dbReader> e(reader);
        e->cell_mesh_generation(1);
        bench_env::squeeze(*e, 0.3);
        if (e->detect_collision(1) >= 0) {
            state.SkipWithError(("the contact pass failed: " + e->message.toStdString()).c_str());
            break;
        }
        const std::size_t before = e->points.size();
        // Baseline, untimed: one plain walk over every side (its length and
        // the angle at its start), the least any pass over the whole
        // boundary costs on this tissue.
        const auto w0 = std::chrono::steady_clock::now();
        double total = 0.0;
        for (cell* c : e->cells)
            for (edge* s : c->sides)
                total += s->getlength() + s->p1->point_angle();
        const auto w1 = std::chrono::steady_clock::now();
        walkSeconds += std::chrono::duration<double>(w1 - w0).count();
        benchmark::DoNotOptimize(total);
        // The setup's own dialogs leave events behind; the stages' first
        // pass of the event loop must not be charged with them.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        if (cold)
            evictCaches();
        state.ResumeTiming();

        const auto t0 = std::chrono::steady_clock::now();
        const int pick = e->cell_pick_response(1);
        const auto t1 = std::chrono::steady_clock::now();
        const int edges = pick < 0 ? e->cell_edge_response(1) : pick;
        const auto t2 = std::chrono::steady_clock::now();

        state.PauseTiming();
        pickSeconds += std::chrono::duration<double>(t1 - t0).count();
        edgeSeconds += std::chrono::duration<double>(t2 - t1).count();
        if (pick >= 0 || edges >= 0) {
            state.SkipWithError(("a correction failed: " + e->message.toStdString()).c_str());
            break;
        }
        cells = e->cells.size();
        points = e->points.size() - before;
        e.reset();
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations() ? state.iterations() : 1);
    state.counters["cells"] = static_cast<double>(cells);
    state.counters["new_vertices"] = static_cast<double>(points);
    state.counters["pick_ms"] = 1000.0 * pickSeconds / n;
    state.counters["edge_ms"] = 1000.0 * edgeSeconds / n;
    state.counters["walk_ms"] = 1000.0 * walkSeconds / n;
}

// cold 0: the stages start with what the setup left in cache (a 1,000-cell
// tissue's boundary mostly fits in the last-level cache, a 4,000-cell one
// does not); cold 1: every cache is emptied first, which shows how much of
// the ratio between the sizes is that difference alone.
BENCHMARK(PickThenEdge)
    ->ArgNames({"cells", "cold"})
    ->ArgsProduct({{1000, 4000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
