// The mechanics step (dbReader::cell_dynamic_FEM) on the 1,000-cell sample
// and on a 4,000-cell sheet of the same layout, re-meshing untimed; and the
// elastic system of the 1,000-cell sample's first step solved three ways on
// the same matrix and start: the SOR solver as the step calls it, Eigen's
// conjugate gradient stopped at the relative residual SOR reaches, and
// Eigen's sparse LDLT factorisation for reference (building untimed). The
// SOR solve also runs on the 4,000-cell sheet's system: its sweeps, the time
// of one sweep and the bytes a sweep reads show how the solve grows with the
// tissue.

#include "support/engine_env.h"
#include "support/sheets.h"

#include "geometry/solvers.h"
#include "mechanics/fem_step.h"
#include "model/dbreader.h"
#include "model/tissue_file.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

using bench_env::loadTissue;

// Untimed work before each step (marking cells, for example).
using BeforeStep = std::function<void(dbReader&)>;

void runSteps(benchmark::State& state, const QString& file, std::size_t cells, const BeforeStep& before = {})
{
    auto reader = loadTissue(file);
    if (!reader || reader->cells.size() != cells) {
        state.SkipWithError("the sheet did not load (set VANTU_SAMPLES to the samples directory)");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reader->cell_mesh_generation(++step);
        if (before)
            before(*reader);
        state.ResumeTiming();
        if (reader->cell_dynamic_FEM(step) != dbReader::STEP_OK) {
            state.SkipWithError(reader->message.toStdString().c_str());
            break;
        }
    }
    state.counters["cells"] = double(reader->cells.size());
    // What the responses did: cells removed, and whether the tissue is sound.
    state.counters["dead"] = double(std::count_if(reader->cells.begin(), reader->cells.end(),
                                                  [](const cell* c) { return c->dead; }));
}

void BM_MechanicsStep1000(benchmark::State& state)
{
    runSteps(state, bench_env::sampleSheet(), 1000);
}
BENCHMARK(BM_MechanicsStep1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MechanicsStep4000(benchmark::State& state)
{
    QTemporaryDir dir;
    runSteps(state, bench_env::scaledSheet(dir.path(), 2), 4000);
}
BENCHMARK(BM_MechanicsStep4000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same steps with the responses at work: before each step 1% of the live
// cells, drawn with a fixed seed, are driven (their welds load and tear) and
// 1% are marked dying (they leave in the step, their gaps paired).
BeforeStep driveAndKill()
{
    std::srand(1);
    return [](dbReader& e) {
        std::vector<cell*> live;
        for (cell* c : e.cells)
            if (!c->dead && !c->dying && !c->driven)
                live.push_back(c);
        const std::size_t count = std::max<std::size_t>(1, e.cells.size() / 100);
        for (std::size_t k = 0; k < 2 * count && !live.empty(); ++k) {
            const std::size_t i = std::size_t(std::rand()) % live.size();
            if (k < count)
                live[i]->driven = 1;
            else
                live[i]->dying = 1;
            live.erase(live.begin() + std::ptrdiff_t(i));
        }
    };
}

void BM_MechanicsStepResponses1000(benchmark::State& state)
{
    runSteps(state, bench_env::sampleSheet(), 1000, driveAndKill());
}
BENCHMARK(BM_MechanicsStepResponses1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MechanicsStepResponses4000(benchmark::State& state)
{
    QTemporaryDir dir;
    runSteps(state, bench_env::scaledSheet(dir.path(), 2), 4000, driveAndKill());
}
BENCHMARK(BM_MechanicsStepResponses4000)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- one system, three solvers ------------------------------------------------

using SparseMatrix = Eigen::SparseMatrix<double, Eigen::RowMajor>;

struct System {
    std::unique_ptr<dbReader> reader;
    std::unique_ptr<FemStep> fem;  // freed before the reader it works on
    SparseMatrix A;
    Eigen::VectorXd b, x0;
};

// The first step's system of the 1,000-cell sample or of the sheet of
// `cells` cells laid out like it, assembled (untimed); null `fem` when it
// could not be built.
std::unique_ptr<System> assemble(int cells = 1000)
{
    auto s = std::make_unique<System>();
    QTemporaryDir dir;
    s->reader = loadTissue(bench_env::sheetFile(cells, dir.path()));
    if (!s->reader)
        return s;
    s->reader->cell_mesh_generation(1);
    s->fem = std::make_unique<FemStep>(*s->reader);
    s->fem->update_areas();
    s->fem->take_cell_count();
    if (s->fem->number_and_load() != dbReader::STEP_OK || s->fem->assemble() != dbReader::STEP_OK) {
        s->fem.reset();
        return s;
    }
    // The same matrix from the same arrays: D on the diagonal, the rows'
    // off-diagonal entries beside it.
    const FemStep& f = *s->fem;
    const int n = int(f.D.size());
    std::vector<Eigen::Triplet<double>> entries;
    for (int r = 0; r < n; ++r) {
        entries.emplace_back(r, r, f.D[r]);
        for (int k = r == 0 ? 0 : f.R[r - 1]; k < f.R[r]; ++k)
            entries.emplace_back(r, f.columns[k], f.values[k]);
    }
    s->A.resize(n, n);
    s->A.setFromTriplets(entries.begin(), entries.end());
    // The first solve's load and start, as stage 5 sets them.
    s->b = Eigen::Map<const Eigen::VectorXd>(f.F1.data(), n);
    s->x0 = Eigen::VectorXd::Constant(n, 0.1);
    for (int k = 0; k < n / 2; ++k)
        if (f.held[k])
            s->x0[2 * k] = s->x0[2 * k + 1] = s->b[2 * k] = s->b[2 * k + 1] = 0.0;
    return s;
}

double relativeResidual(const System& s, const Eigen::VectorXd& x)
{
    return (s.b - s.A * x).norm() / s.b.norm();
}

// The SOR solve as stage 5 calls it; returns the sweeps, leaves the solution in x.
int solveSOR(System& s, Eigen::VectorXd& x)
{
    FemStep& f = *s.fem;
    Eigen::VectorXd w = s.x0, b = s.b;
    x = s.x0;
    int iter = 0;
    SOR_solver(int(f.D.size()), 0.005, 1.5, 500, iter, f.R.data(), f.columns.data(), f.values.data(), b.data(),
               x.data(), w.data(), f.D.data());
    return iter;
}

void BM_SolveSOR(benchmark::State& state)
{
    auto s = assemble(static_cast<int>(state.range(0)));
    if (!s->fem) {
        state.SkipWithError("the system was not assembled");
        return;
    }
    Eigen::VectorXd x;
    int iter = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        iter = solveSOR(*s, x);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["unknowns"] = double(s->b.size());
    // What one sweep reads: the rows (value and column of every entry),
    // the diagonal, the load and the two solution vectors.
    const double entries = s->fem->R.empty() ? 0.0 : double(s->fem->R.back());
    state.counters["sweep_MB"] = (12.0 * entries + 32.0 * double(s->b.size())) / 1e6;
    state.counters["iterations"] = iter;
    state.counters["rel_residual"] = relativeResidual(*s, x);
    state.counters["sweep_ms"] = iter ? 1000.0 * seconds / (double(iter) * double(state.iterations())) : 0.0;
}
BENCHMARK(BM_SolveSOR)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SolveEigenCG(benchmark::State& state)
{
    auto sp = assemble();
    if (!sp->fem) {
        state.SkipWithError("the system was not assembled");
        return;
    }
    System& s = *sp;
    // CG stops at the relative residual the SOR solve reaches (untimed).
    Eigen::VectorXd sor;
    solveSOR(s, sor);
    Eigen::ConjugateGradient<SparseMatrix, Eigen::Lower | Eigen::Upper> cg;
    cg.setTolerance(relativeResidual(s, sor));
    cg.setMaxIterations(100000);
    Eigen::VectorXd x;
    for (auto _ : state) {
        // The preconditioner's set-up is part of the solve.
        cg.compute(s.A);
        x = cg.solveWithGuess(s.b, s.x0);
    }
    state.counters["iterations"] = double(cg.iterations());
    state.counters["rel_residual"] = relativeResidual(s, x);
}
BENCHMARK(BM_SolveEigenCG)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SolveEigenLDLT(benchmark::State& state)
{
    auto sp = assemble();
    if (!sp->fem) {
        state.SkipWithError("the system was not assembled");
        return;
    }
    System& s = *sp;
    const Eigen::SparseMatrix<double> A = s.A;  // column-major for the factorisation
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
    Eigen::VectorXd x;
    for (auto _ : state) {
        ldlt.compute(A);
        x = ldlt.solve(s.b);
    }
    state.counters["rel_residual"] = relativeResidual(s, x);
}
BENCHMARK(BM_SolveEigenLDLT)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
