#ifndef VANTU_BENCH_SUPPORT_SHEETS_H
#define VANTU_BENCH_SUPPORT_SHEETS_H

// The tissues of the per-step benchmarks: the 1,000-cell Center-based
// sample and larger sheets laid out like it, and the scripted step that
// stands in for the mechanics before a stage is timed.

#include <QString>
#include <QTemporaryDir>

class dbReader;

namespace bench_env {

// The sample for 1,000 cells; otherwise a sheet of `cells` cells in 80
// columns laid out like the sample (rows 18 apart in x, offset by half a
// cell every other row, rows 18 * sqrt(3) / 2 apart), written once with the
// sample's own header into `directory`. Empty when it cannot be written.
QString sheetFile(int cells, const QString& directory);

// Every cell moves `distance` towards the centre of the tissue; a welded
// vertex by the mean of the moves of the cells in its node. Areas follow.
void squeeze(dbReader& e, double distance);

// The 1,000-cell sample in the samples directory.
QString sampleSheet();

// The sample's sheet scaled up: `factor` times the columns and the rows (the
// same spacing, row offset and cell type, around the same centre), written
// beside the sample's header into `dir`. Returns the new file's path, or an
// empty text when the sample cannot be read as a sheet.
QString scaledSheet(const QTemporaryDir& dir, int factor);

}

#endif
