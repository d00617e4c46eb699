// The mechanics step (dbReader::cell_dynamic_FEM) on the 1,000-cell sample
// and on a 4,000-cell sheet of the same layout, re-meshing untimed; and the
// elastic system of the 1,000-cell sample's first step solved three ways on
// the same matrix and start: the SOR solver as the step calls it, Eigen's
// conjugate gradient stopped at the relative residual SOR reaches, and
// Eigen's sparse LDLT factorisation for reference (building untimed).

#include "geometry/solvers.h"
#include "mechanics/fem_step.h"
#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "model/tissue_file.h"
#include "signalling/model_writer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString samplesDir()
{
    // VANTU_SAMPLES names the samples directory; by default the one beside bench/.
    const QByteArray dir = qgetenv("VANTU_SAMPLES");
    return dir.isEmpty() ? QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../samples") : QString::fromLocal8Bit(dir);
}

QString sample1000()
{
    return QDir(samplesDir()).filePath("bench_1000_center.vt");
}

// A sheet of rows x columns cells laid out as the 1,000-cell sample (rows 18
// apart along x, every other row shifted by 9, rows 18 sin 60 apart),
// centred on the origin, with the sample's header.
QString writeSheet(const QString& path, int rows, int columns)
{
    QFile in(sample1000());
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    QTextStream src(&in), dst(&out);
    while (!src.atEnd()) {
        const QString line = src.readLine();
        dst << line << "\n";
        if (line.trimmed() == "CELL_LIST")
            break;
    }
    const double dy = 18.0 * std::sqrt(3.0) / 2.0;
    const double x0 = -18.0 * (columns - 1) / 2.0 - 4.5, y0 = -dy * (rows - 1) / 2.0;
    int id = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            dst << QString::number(x0 + 18.0 * c + (r % 2 ? 9.0 : 0.0), 'g', 10) << ","
                << QString::number(y0 + dy * r, 'g', 10) << ",3 # CELL " << id++ << "\n";
    dst << "END_CELL_LIST\n";
    return path;
}

std::unique_ptr<dbReader> loadTissue(const QString& file)
{
    // A missing file would raise a warning box that nobody answers.
    if (file.isEmpty() || !QFileInfo::exists(file))
        return nullptr;
    dbReader* reader = nullptr;
    if (!TissueFile::readDatabase(nullptr, reader, file, TissueFile::readLineCount(nullptr, file), 0))
        return nullptr;
    return std::unique_ptr<dbReader>(reader);
}

// Untimed work before each step (marking cells, for example).
using BeforeStep = std::function<void(dbReader&)>;

void runSteps(benchmark::State& state, const QString& file, std::size_t cells, const BeforeStep& before = {})
{
    auto reader = loadTissue(file);
    if (!reader || reader->cells.size() != cells) {
        state.SkipWithError("the sheet did not load (is VANTU_SAMPLES set?)");
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
    runSteps(state, sample1000(), 1000);
}
BENCHMARK(BM_MechanicsStep1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MechanicsStep4000(benchmark::State& state)
{
    QTemporaryDir dir;
    runSteps(state, writeSheet(dir.filePath("sheet_4000.vt"), 50, 80), 4000);
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
    runSteps(state, sample1000(), 1000, driveAndKill());
}
BENCHMARK(BM_MechanicsStepResponses1000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MechanicsStepResponses4000(benchmark::State& state)
{
    QTemporaryDir dir;
    runSteps(state, writeSheet(dir.filePath("sheet_4000.vt"), 50, 80), 4000, driveAndKill());
}
BENCHMARK(BM_MechanicsStepResponses4000)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- one system, three solvers ------------------------------------------------

using SparseMatrix = Eigen::SparseMatrix<double, Eigen::RowMajor>;

struct System {
    std::unique_ptr<dbReader> reader;
    std::unique_ptr<FemStep> fem;
    SparseMatrix A;
    Eigen::VectorXd b, x0;
    double sorResidual = 0.0;
};

// Built on first use, freed before the application object goes.
std::unique_ptr<System> theSystem;

System& assembled()
{
    if (theSystem)
        return *theSystem;
    theSystem = std::make_unique<System>();
    System& s = *theSystem;
    s.reader = loadTissue(sample1000());
    if (!s.reader)
        return s;
    s.reader->cell_mesh_generation(1);
    s.fem = std::make_unique<FemStep>(*s.reader);
    s.fem->update_areas();
    s.fem->take_cell_count();
    if (s.fem->number_and_load() != dbReader::STEP_OK || s.fem->assemble() != dbReader::STEP_OK) {
        s.fem.reset();
        return s;
    }
    // The same matrix from the same arrays: D on the diagonal, the rows'
    // off-diagonal entries beside it.
    const FemStep& f = *s.fem;
    const int n = int(f.D.size());
    std::vector<Eigen::Triplet<double>> entries;
    for (int r = 0; r < n; ++r) {
        entries.emplace_back(r, r, f.D[r]);
        for (int k = r == 0 ? 0 : f.R[r - 1]; k < f.R[r]; ++k)
            entries.emplace_back(r, f.columns[k], f.values[k]);
    }
    s.A.resize(n, n);
    s.A.setFromTriplets(entries.begin(), entries.end());
    s.b = Eigen::Map<const Eigen::VectorXd>(f.F1.data(), n);
    s.x0 = Eigen::VectorXd::Constant(n, 0.1);
    for (int k = 0; k < n / 2; ++k)
        if (f.held[k])
            s.x0[2 * k] = s.x0[2 * k + 1] = s.b[2 * k] = s.b[2 * k + 1] = 0.0;
    return s;
}

double relativeResidual(const System& s, const Eigen::VectorXd& x)
{
    return (s.b - s.A * x).norm() / s.b.norm();
}

void BM_SolveSOR(benchmark::State& state)
{
    System& s = assembled();
    if (!s.fem) {
        state.SkipWithError("the system was not assembled");
        return;
    }
    FemStep& f = *s.fem;
    const int n = int(f.D.size());
    Eigen::VectorXd x, w, b;
    int iter = 0;
    for (auto _ : state) {
        state.PauseTiming();
        x = s.x0;
        w = s.x0;
        b = s.b;
        iter = 0;
        state.ResumeTiming();
        SOR_solver(n, 0.005, 1.5, 500, iter, f.R.data(), f.columns.data(), f.values.data(), b.data(), x.data(),
                   w.data(), f.D.data());
    }
    s.sorResidual = relativeResidual(s, x);
    state.counters["unknowns"] = n;
    state.counters["iterations"] = iter;
    state.counters["rel_residual"] = s.sorResidual;
}
BENCHMARK(BM_SolveSOR)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SolveEigenCG(benchmark::State& state)
{
    System& s = assembled();
    if (!s.fem || s.sorResidual <= 0.0) {
        state.SkipWithError("run BM_SolveSOR first: its residual is the stopping point");
        return;
    }
    Eigen::ConjugateGradient<SparseMatrix, Eigen::Lower | Eigen::Upper> cg;
    cg.setTolerance(s.sorResidual);
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
    System& s = assembled();
    if (!s.fem) {
        state.SkipWithError("the system was not assembled");
        return;
    }
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

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    open_parameter_database();
    seed_parameter_database();
    UserInitialParas();
    // Every engine reads the signalling model files while it is made.
    if (!writeModelFiles())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    theSystem.reset();
    return 0;
}
