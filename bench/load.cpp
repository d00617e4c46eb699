// Loading the 1,000-cell Center-based sample: reading the centres, the
// neighbour complex, the initial welding, the inner meshes and the R-tree,
// through the view's loader without a window.

#include "support/engine_env.h"

#include "model/dbreader.h"
#include "model/tissue_file.h"

#include <QDir>

#include <benchmark/benchmark.h>

namespace {

QString sampleFile()
{
    return QDir(QString::fromLocal8Bit(bench_env::samplesDirectory())).filePath("bench_1000_center.vt");
}

void BM_LoadCenterBased1000(benchmark::State& state)
{
    const QString file = sampleFile();
    const int lines = TissueFile::readLineCount(nullptr, file);
    dbReader* reader = nullptr;
    size_t welded = 0;
    for (auto _ : state) {
        // The teardown of the previous tissue is not part of a load.
        state.PauseTiming();
        delete reader;
        reader = nullptr;
        state.ResumeTiming();
        if (!TissueFile::readDatabase(nullptr, reader, file, lines, 0)) {
            state.SkipWithError("the sample did not load");
            break;
        }
        state.PauseTiming();
        welded = 0;
        for (const edge* e : reader->edges)
            welded += e->bonded;
        state.ResumeTiming();
    }
    if (reader && (reader->cells.size() != 1000 || welded == 0))
        state.SkipWithError("the loaded tissue is not the welded 1,000-cell sheet");
    state.counters["cells"] = reader ? double(reader->cells.size()) : 0.0;
    state.counters["welded_edges"] = double(welded);
    delete reader;
}
BENCHMARK(BM_LoadCenterBased1000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
