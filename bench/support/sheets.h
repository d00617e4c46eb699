#ifndef VANTU_BENCH_SUPPORT_SHEETS_H
#define VANTU_BENCH_SUPPORT_SHEETS_H

// The 1,000-cell sample and larger sheets in its layout, for benchmarks that
// compare sizes.

#include <QString>
#include <QTemporaryDir>

namespace bench_env {

// The 1,000-cell sample in the samples directory.
QString sampleSheet();

// The sample's sheet scaled up: `factor` times the columns and the rows (the
// same spacing, row offset and cell type, around the same centre), written
// beside the sample's header into `dir`. Returns the new file's path, or an
// empty text when the sample cannot be read as a sheet.
QString scaledSheet(const QTemporaryDir& dir, int factor);

}

#endif
