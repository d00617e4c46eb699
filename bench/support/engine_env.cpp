#include "engine_env.h"

#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_writer.h"

#include "model/tissue_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace bench_env {

bool prepareEngines()
{
    if (!open_parameter_database()) {
        std::fprintf(stderr, "the parameter database cannot be opened\n");
        return false;
    }
    seed_parameter_database();
    UserInitialParas();
    QString failure;
    if (!writeModelFiles(&failure)) {
        std::fprintf(stderr, "model files not written: %s\n", failure.toLocal8Bit().constData());
        return false;
    }
    return true;
}

const char* samplesDirectory()
{
    const char* dir = std::getenv("VANTU_SAMPLES");
    return dir && *dir ? dir : VANTU_SOURCE_SAMPLES;
}

QString sheetFile(int count)
{
    const QString sample = QDir(QString::fromLocal8Bit(samplesDirectory())).filePath("bench_1000_center.vt");
    if (count == 1000)
        return sample;
    static QTemporaryDir dir;
    const QString path = dir.filePath(QString("sheet_%1.vt").arg(count));
    if (QFileInfo::exists(path))
        return path;
    QFile in(sample), out(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    QTextStream src(&in), dst(&out);
    while (!src.atEnd()) {
        const QString line = src.readLine();
        dst << line << "\n";
        if (line.trimmed() == "CELL_LIST")
            break;
    }
    const int columns = static_cast<int>(std::lround(std::sqrt(count * 1.6)));
    const int rows = (count + columns - 1) / columns;
    const double dy = 18.0 * std::sqrt(3.0) / 2.0;
    const double x0 = -18.0 * (columns - 1) / 2.0 - 4.5, y0 = -dy * (rows - 1) / 2.0;
    for (int k = 0; k < rows * columns; ++k) {
        const int r = k / columns, c = k % columns;
        dst << QString::number(x0 + 18.0 * c + (r % 2 ? 9.0 : 0.0), 'g', 10) << ","
            << QString::number(y0 + dy * r, 'g', 10) << ",3 # CELL " << k << "\n";
    }
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

}
