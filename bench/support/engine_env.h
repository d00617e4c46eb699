#ifndef VANTU_BENCH_SUPPORT_ENGINE_ENV_H
#define VANTU_BENCH_SUPPORT_ENGINE_ENV_H

// What every engine reads while it is made and while it runs: the parameter
// database with its default rows, the global parameter tables loaded from it
// and the signalling model files written from it. Without them an engine
// takes a degenerate path (no cell types, no behaviour model) and a benchmark
// would time that instead.

#include <QString>

#include <memory>

class dbReader;

namespace bench_env {

// Opens and seeds the database on the default connection, fills the
// parameter tables and writes the model files into the run's private
// directory. False, after a line on standard error, when any of it fails.
bool prepareEngines();

// The samples directory: VANTU_SAMPLES, or the one beside bench/.
const char* samplesDirectory();

// A tissue file loaded through the view's loader; null when it fails.
std::unique_ptr<dbReader> loadTissue(const QString& file);

}

#endif
