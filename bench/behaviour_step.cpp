// One "Model" behaviour step (dbReader::cell_setupbiobehaviors) on the
// 1,000-cell sample and on a 4,000-cell sheet of its layout. Loading and the
// mesh stage before the step are untimed; every load reseeds the random
// sequence, so each iteration runs the same step. The step must grow no
// faster than linearly: the 4,000-cell time should be at most 4.5 times the
// 1,000-cell time. A second case times the signalling update alone
// (Biology::UpdateCellState over every live cell), in microseconds per cell.
#include "support/engine_env.h"
#include "support/sheets.h"

#include "biology/biology.h"
#include "model/dbreader.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

void ModelStep(benchmark::State& state)
{
    static QTemporaryDir sheets;
    const QString file = bench_env::sheetFile(static_cast<int>(state.range(0)), sheets.path());
    std::size_t cells = 0, divisions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<dbReader> e = bench_env::loadTissue(file);
        if (!e) {
            state.SkipWithError("the tissue did not load (is VANTU_SAMPLES set?)");
            break;
        }
        e->mech_mode = dbReader::MECH_MODEL;
        e->cell_mesh_generation(1);
        cells = e->cells.size();
        // The set-up's dialogs leave events behind; the step is not charged with them.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        state.ResumeTiming();

        const int result = e->cell_setupbiobehaviors(1);

        state.PauseTiming();
        if (result != dbReader::STEP_OK) {
            state.SkipWithError(("the step failed: " + e->message.toStdString()).c_str());
            break;
        }
        divisions = e->cells.size() - cells;
        e.reset();
        state.ResumeTiming();
    }
    state.counters["cells"] = static_cast<double>(cells);
    state.counters["divisions"] = static_cast<double>(divisions);
}

void SignallingUpdate(benchmark::State& state)
{
    std::unique_ptr<dbReader> e = bench_env::loadTissue(bench_env::sampleSheet());
    if (!e || !e->biology || !e->biology->isLoaded()) {
        state.SkipWithError("the sample did not load (is VANTU_SAMPLES set?)");
        return;
    }
    std::size_t live = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        live = 0;
        const auto t0 = std::chrono::steady_clock::now();
        for (cell* c : e->cells)
            if (!c->dead) {
                e->biology->UpdateCellState(c);
                ++live;
            }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double n = static_cast<double>(state.iterations() ? state.iterations() : 1);
    state.counters["cells"] = static_cast<double>(live);
    state.counters["us_per_cell"] = 1e6 * seconds / n / static_cast<double>(live ? live : 1);
}

BENCHMARK(ModelStep)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SignallingUpdate)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
