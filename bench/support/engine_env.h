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

// Without a display the engine still runs on the off-screen platform; call
// before the application object is made.
void offscreenWithoutDisplay();

// The engine writes its diagnostics to standard output (a trace line per
// merge, per kill, per parameter look-up): millions of lines in a long run,
// which would bury the figures and time the terminal. Standard output goes
// to /dev/null from here on; the result is a descriptor of the real one for
// the report, or -1 when the redirection fails.
int silenceStandardOutput();

// A tissue file loaded through the view's loader; null when it fails.
std::unique_ptr<dbReader> loadTissue(const QString& file);

}

#endif
