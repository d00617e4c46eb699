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

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

QString sampleFile()
{
    return QDir(QString::fromLocal8Bit(bench_env::samplesDirectory())).filePath("bench_1000_center.vt");
}

// A sheet laid out like the sample (rows 18 apart in x, offset by half a
// cell every other row, rows 18 * sqrt(3) / 2 apart), `columns` by `rows`,
// written with the sample's own header.
QString sheetFile(int columns, int rows)
{
    static QTemporaryDir workDir;
    const QString path = workDir.filePath(QString("sheet_%1.vt").arg(columns * rows));
    if (QFile::exists(path))
        return path;
    QFile sample(sampleFile());
    QFile out(path);
    if (!sample.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    QTextStream in(&sample);
    QTextStream text(&out);
    bool inCells = false;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith("CELL_LIST")) {
            text << line << "\n";
            const double dy = 18.0 * std::sqrt(3.0) / 2.0;
            int id = 0;
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c, ++id)
                    text << (18.0 * c + 9.0 * (r % 2) - 9.0 * columns) << "," << (dy * r - dy * rows / 2.0)
                         << ",3 # CELL " << id << "\n";
            inCells = true;
            continue;
        }
        if (line.startsWith("END_CELL_LIST"))
            inCells = false;
        if (!inCells)
            text << line << "\n";
    }
    return path;
}

// Every cell moves 0.3 towards the centre of the tissue; a welded vertex by
// the mean of the moves of the cells in its node.
void squeeze(dbReader& e)
{
    double cx = 0.0, cy = 0.0;
    for (const cell* c : e.cells) {
        cx += c->center[0];
        cy += c->center[1];
    }
    cx /= e.cells.size();
    cy /= e.cells.size();
    std::vector<std::pair<double, double>> move(e.cells.size());
    for (const cell* c : e.cells) {
        const double dx = cx - c->center[0], dy = cy - c->center[1];
        const double l = std::hypot(dx, dy);
        move[c->id] = l > 0.0 ? std::make_pair(0.3 * dx / l, 0.3 * dy / l) : std::make_pair(0.0, 0.0);
    }
    std::vector<std::pair<point3D*, std::pair<double, double>>> shifts;
    for (const cell* c : e.cells) {
        for (const edge* side : c->sides) {
            point3D* v = side->p1;
            double x = 0.0, y = 0.0;
            int k = 0;
            if (v->node && v->node->vertices.size() > 1) {
                for (const point3D* u : v->node->vertices) {
                    if (!u->alive || !u->out_edge)
                        continue;
                    x += move[u->out_edge->cell->id].first;
                    y += move[u->out_edge->cell->id].second;
                    ++k;
                }
            }
            shifts.push_back({v, k ? std::make_pair(x / k, y / k) : move[c->id]});
        }
    }
    for (auto& [v, s] : shifts) {
        v->x += s.first;
        v->y += s.second;
    }
    for (cell* c : e.cells)
        c->set_area();
}

void ContactPass(benchmark::State& state)
{
    const int cells = static_cast<int>(state.range(0));
    const QString file = cells == 1000 ? sampleFile() : sheetFile(80, cells / 80);
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
        squeeze(*reader);
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
