#include "sheets.h"

#include "engine_env.h"
#include "model/dbreader.h"

#include <QDir>
#include <QFile>
#include <QStringList>
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

QString sampleSheet()
{
    return QDir(QString::fromLocal8Bit(bench_env::samplesDirectory())).filePath("bench_1000_center.vt");
}

// The sample's sheet scaled up: `factor` times the columns and the rows.
// Returns the new file's path in `dir`, or an empty text when the sample
// cannot be read as a sheet.
QString scaledSheet(const QTemporaryDir& dir, int factor)
{
    QFile in(sampleSheet());
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QStringList lines = QTextStream(&in).readAll().split('\n');
    QStringList header;
    struct Centre {
        double x, y;
        QString type;
    };
    std::vector<Centre> centres;
    bool inList = false;
    for (const QString& line : lines) {
        if (!inList) {
            header << line;
            inList = line.trimmed() == "CELL_LIST";
            continue;
        }
        if (line.trimmed() == "END_CELL_LIST")
            break;
        const QStringList f = line.section('#', 0, 0).split(',');
        if (f.size() == 3)
            centres.push_back({f[0].toDouble(), f[1].toDouble(), f[2].trimmed()});
    }
    // The layout: rows of equal y, a column spacing, a row spacing and the
    // shift of every other row.
    std::size_t columns = 0;
    while (columns < centres.size() && centres[columns].y == centres[0].y)
        ++columns;
    if (columns < 2 || columns >= centres.size() || centres.size() % columns != 0)
        return QString();
    const std::size_t rows = centres.size() / columns;
    const double dx = centres[1].x - centres[0].x;
    const double dy = centres[columns].y - centres[0].y;
    const double shift = centres[columns].x - centres[0].x;
    const double x0 = centres[0].x - dx * columns * (factor - 1) / 2.0;
    const double y0 = centres[0].y - dy * rows * (factor - 1) / 2.0;

    const QString path = dir.filePath(QStringLiteral("sheet_%1.vt").arg(centres.size() * factor * factor));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    QTextStream text(&out);
    for (const QString& line : header)
        text << line << '\n';
    int k = 0;
    for (std::size_t r = 0; r < rows * factor; ++r)
        for (std::size_t c = 0; c < columns * factor; ++c)
            text << (x0 + c * dx + (r % 2) * shift) << ',' << (y0 + r * dy) << ',' << centres[0].type << " # CELL "
                 << k++ << '\n';
    text << "END_CELL_LIST\n";
    return path;
}

}
