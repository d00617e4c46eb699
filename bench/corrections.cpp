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
#include "bench_main.h"
#include "model/dbreader.h"
#include "model/tissue_file.h"

#include <QApplication>
#include <QEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

namespace {

QString samplesDir()
{
    const QByteArray dir = qgetenv("VANTU_SAMPLES");
    return dir.isEmpty() ? QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../samples")
                         : QString::fromLocal8Bit(dir);
}

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The sample itself, or a sheet of `count` cells in its row pattern (rows
// 18 apart in x, every other one shifted by 9, 15.5885 apart in y),
// centred like the sample, written once into the work directory.
QString tissueFile(int count)
{
    const QString sample = QDir(samplesDir()).filePath("bench_1000_center.vt");
    if (count == 1000)
        return sample;
    const QString path = workDir().filePath(QString("sheet_%1.vt").arg(count));
    if (QFile::exists(path))
        return path;
    QFile in(sample);
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    QTextStream src(&in);
    QTextStream dst(&out);
    while (!src.atEnd()) {
        const QString line = src.readLine();
        dst << line << "\n";
        if (line.trimmed() == "CELL_LIST")
            break;
    }
    const int columns = static_cast<int>(std::lround(std::sqrt(count * 1.6)));
    const int rows = count / columns;
    const double dy = 15.5885;
    const double x0 = -18.0 * (columns - 1) / 2.0, y0 = -dy * (rows - 1) / 2.0;
    int k = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c, ++k)
            dst << QString("%1,%2,3 # CELL %3\n").arg(x0 + 18.0 * c + 9.0 * (r % 2)).arg(y0 + dy * r).arg(k);
    dst << "END_CELL_LIST\n";
    return path;
}

// Every live vertex moves by the mean of the vectors of the cells meeting
// at it; each cell's vector is 0.3 toward the centre of the sheet.
void scriptedStep(dbReader& e)
{
    double cx = 0.0, cy = 0.0;
    int live = 0;
    for (cell* c : e.cells) {
        if (c->dead)
            continue;
        c->center_refresh();
        cx += c->center[0];
        cy += c->center[1];
        ++live;
    }
    cx /= live;
    cy /= live;
    auto vectorOf = [&](const point3D* v, double& dx, double& dy) {
        const cell* c = v->out_edge ? v->out_edge->cell : nullptr;
        dx = dy = 0.0;
        if (!c)
            return;
        const double ux = cx - c->center[0], uy = cy - c->center[1];
        const double len = std::sqrt(ux * ux + uy * uy);
        if (len > 0.0) {
            dx = 0.3 * ux / len;
            dy = 0.3 * uy / len;
        }
    };
    std::vector<std::pair<point3D*, std::pair<double, double>>> moves;
    for (cell* c : e.cells) {
        if (c->dead)
            continue;
        for (edge* s : c->sides) {
            point3D* v = s->p1;
            double sx = 0.0, sy = 0.0;
            int k = 0;
            for (const point3D* u : v->node ? v->node->vertices : std::vector<point3D*>{v}) {
                if (!u->alive)
                    continue;
                double dx, dy;
                vectorOf(u, dx, dy);
                sx += dx;
                sy += dy;
                ++k;
            }
            moves.push_back({v, {k ? sx / k : 0.0, k ? sy / k : 0.0}});
        }
    }
    for (auto& [v, d] : moves) {
        v->x += d.first;
        v->y += d.second;
    }
    for (cell* c : e.cells)
        if (!c->dead)
            c->set_area();
}

void PickThenEdge(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const QString file = tissueFile(count);
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
        scriptedStep(*e);
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

BENCHMARK(PickThenEdge)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runEngineBenchmarks(argc, argv, true);
}
