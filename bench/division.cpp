// Dividing every cell of a welded sheet once, in index order, at each
// cell's shape angle: the 1,000-cell sample, and a 4,000-cell sheet in the
// same layout (twice the columns and rows, the same spacing, row offset and
// cell type, around the same centre), written beside the sample's header and
// loaded through the same loader. Loading is not timed. Each division touches
// one cell and its neighbours, so the 4,000-cell time should be at most 4.5
// times the 1,000-cell time.

#include "support/engine_env.h"
#include "support/sheets.h"

#include "model/dbreader.h"
#include "model/tissue_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

void DivideEveryCell(benchmark::State& state, int factor)
{
    QTemporaryDir dir;
    const QString file = factor == 1 ? bench_env::sampleSheet() : bench_env::scaledSheet(dir, factor);
    // A missing file would stop the run at the loader's warning box.
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        state.SkipWithError("the sheet could not be made (set VANTU_SAMPLES to the samples directory)");
        return;
    }
    const int lines = TissueFile::readLineCount(nullptr, file);
    dbReader* reader = nullptr;
    std::size_t count = 0, divided = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        delete reader;
        reader = nullptr;
        if (!TissueFile::readDatabase(nullptr, reader, file, lines, 0)) {
            state.SkipWithError("the sheet did not load");
            break;
        }
        count = reader->cells.size();
        const auto start = std::chrono::steady_clock::now();
        state.ResumeTiming();

        int failed = dbReader::STEP_OK;
        for (std::size_t i = 0; i < count && failed == dbReader::STEP_OK; ++i) {
            cell* c = reader->cells[i];
            failed = reader->cell_division(c, 1, c->cell_type, c->cell_type, -1.0);
        }

        state.PauseTiming();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        divided = reader->cells.size() - count;
        if (failed != dbReader::STEP_OK) {
            state.SkipWithError(reader->message.toLocal8Bit().constData());
            break;
        }
        state.ResumeTiming();
    }
    delete reader;
    if (divided * 100 < count * 99)
        state.SkipWithError("fewer than 99% of the cells divided");
    state.counters["cells"] = static_cast<double>(count);
    state.counters["divided"] = static_cast<double>(divided);
    if (divided > 0 && state.iterations() > 0)
        state.counters["us_per_division"] = seconds * 1e6 / (static_cast<double>(divided) * state.iterations());
}

void DivideEveryCell1000(benchmark::State& state)
{
    DivideEveryCell(state, 1);
}
void DivideEveryCell4000(benchmark::State& state)
{
    DivideEveryCell(state, 2);
}
BENCHMARK(DivideEveryCell1000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DivideEveryCell4000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
