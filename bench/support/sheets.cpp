#include "sheets.h"

#include "engine_env.h"
#include "model/dbreader.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cmath>
#include <utility>
#include <vector>

namespace bench_env {

QString sheetFile(int cells, const QString& directory)
{
    const QString sample = QDir(samplesDirectory()).filePath("bench_1000_center.vt");
    if (cells == 1000)
        return sample;
    const int columns = 80;
    const int rows = cells / columns;
    const QString path = QDir(directory).filePath(QString("sheet_%1.vt").arg(columns * rows));
    if (QFile::exists(path))
        return path;
    QFile in(sample);
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    QTextStream src(&in);
    QTextStream text(&out);
    bool inCells = false;
    while (!src.atEnd()) {
        const QString line = src.readLine();
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

void squeeze(dbReader& e, double distance)
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
        move[c->id] = l > 0.0 ? std::make_pair(distance * dx / l, distance * dy / l) : std::make_pair(0.0, 0.0);
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

}
