// The entry point of every benchmark binary: a QApplication (the engine's
// stages and teardown show progress dialogs, the view needs a display) and
// the environment every engine reads, then the benchmarks.
#include "engine_env.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <ext/stdio_filebuf.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Without a display the engine benchmarks still run on the off-screen
    // platform; those that need GL say so and are skipped.
    bench_env::offscreenWithoutDisplay();
    QApplication app(argc, argv);
    if (!bench_env::prepareEngines())
        return 1;

    // The engine's diagnostics go to /dev/null; the report keeps the real
    // output.
    const int report = bench_env::silenceStandardOutput();
    if (report < 0)
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
