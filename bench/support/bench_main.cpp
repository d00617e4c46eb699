// The entry point of every benchmark binary: a QApplication (the engine's
// stages and teardown show progress dialogs, the view needs a display) and
// the environment every engine reads, then the benchmarks.
#include "engine_env.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <ext/stdio_filebuf.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Without a display the engine benchmarks still run on the off-screen
    // platform; those that need GL say so and are skipped.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!bench_env::prepareEngines())
        return 1;

    // The engine writes its diagnostics to standard output (a trace line per
    // merge, a line per parameter look-up of the behaviour model): millions
    // of lines in one run, which would bury the figures and time the
    // terminal. They go to /dev/null; the report keeps the real output.
    std::fflush(stdout);
    const int report = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    if (report < 0 || null < 0 || ::dup2(null, 1) < 0)
        return 1;
    __gnu_cxx::stdio_filebuf<char> buffer(report, std::ios::out);
    std::ostream out(&buffer);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::ConsoleReporter reporter(::isatty(report) ? benchmark::ConsoleReporter::OO_Defaults
                                                         : benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    out.flush();
    return 0;
}
