// The per-step contact pass: the collision stage (established contacts) on
// the 1,000-cell Center-based sample and on a 4,000-cell sheet built alike,
// after one scripted step that moves every cell 0.3 towards the tissue's
// centre (a junction by the mean of its cells' moves). Loading and the move
// are not timed; the pass must succeed and grow no faster than linearly: the
// 4,000-cell time should be at most 4.5 times the 1,000-cell time. The stage
// shows a progress dialog: run it under a display (xvfb-run -a).
#include "model/dbreader.h"
#include "model/tissue_file.h"
#include "support/engine_env.h"
#include "support/sheets.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void ContactPass(benchmark::State& state)
{
    const int cells = static_cast<int>(state.range(0));
    static QTemporaryDir workDir;
    const QString file = bench_env::sheetFile(cells, workDir.path());
    const int lines = TissueFile::readLineCount(nullptr, file);
    std::size_t welded = 0;
    int removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dbReader* reader = nullptr;
        if (!TissueFile::readDatabase(nullptr, reader, file, lines, 0) || !reader ||
            static_cast<int>(reader->cells.size()) != cells) {
            state.SkipWithError("the tissue did not load");
            delete reader;
            break;
        }
        bench_env::squeeze(*reader, 0.3);
        state.ResumeTiming();

        const int result = reader->detect_collision(1);

        state.PauseTiming();
        if (result != dbReader::STEP_OK) {
            state.SkipWithError(("the contact pass failed: " + reader->message.toStdString()).c_str());
            delete reader;
            break;
        }
        welded = 0;
        removed = 0;
        for (const interpair* p : reader->interpairs)
            welded += (!p->removed && !p->MP.empty()) ? 1 : 0;
        for (const cell* c : reader->cells)
            removed += c->dead;
        delete reader;
        state.ResumeTiming();
    }
    state.counters["cells"] = cells;
    state.counters["welded_pairs"] = static_cast<double>(welded);
    state.counters["removed"] = removed;
}

BENCHMARK(ContactPass)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
