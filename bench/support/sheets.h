#ifndef VANTU_BENCH_SUPPORT_SHEETS_H
#define VANTU_BENCH_SUPPORT_SHEETS_H

// The tissues of the benchmarks that compare sizes: the 1,000-cell
// Center-based sample and larger sheets laid out like it, and the scripted
// step that stands in for the mechanics before a stage is timed.

#include <QString>

class dbReader;

namespace bench_env {

// The 1,000-cell sample in the samples directory.
QString sampleSheet();

// The sample's sheet scaled up: `factor` times the columns and the rows (the
// same spacing, row offset and cell type, around the same centre), written
// beside the sample's header into `directory`. Returns the new file's path,
// or an empty text when the sample cannot be read as a sheet.
QString scaledSheet(const QString& directory, int factor);

// The sample for 1,000 cells; otherwise the sample scaled up to `cells`
// cells (a square factor of 1,000: 4,000, 9,000, ...), written into
// `directory`. Empty when it cannot be written.
QString sheetFile(int cells, const QString& directory);

// Every cell moves `distance` towards the centre of the tissue; a welded
// vertex by the mean of the moves of the cells in its node. Areas follow.
void squeeze(dbReader& e, double distance);

}

#endif
