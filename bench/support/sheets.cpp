#include "sheets.h"

#include "engine_env.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <vector>

namespace bench_env {

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
