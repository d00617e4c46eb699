#ifndef VANTU_BENCH_SAMPLING_ENV_H
#define VANTU_BENCH_SAMPLING_ENV_H

// The set-up of the sampling benchmarks: the model files of the default
// database written into a directory of this run, and the library's
// diagnostics sent to /dev/null while the report goes to the real standard
// output.

#include "model/parameter_database.h"
#include "signalling/model_files.h"
#include "signalling/model_writer.h"
#include "signalling/network.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ext/stdio_filebuf.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <ostream>
#include <unistd.h>

namespace sampling_bench {

// The network of a cell type's model file; null when it cannot be read.
inline std::unique_ptr<Network> load(const char* type)
{
    auto net = std::make_unique<Network>();
    if (net->initializeNetwork(model_files::cellTypeFile(type).toLocal8Bit().constData()) != 0)
        return nullptr;
    return net;
}

inline int run(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir models;
    open_parameter_database();
    seed_parameter_database();
    model_files::setDirectory(models.path());
    QString failure;
    if (!models.isValid() || !writeModelFiles(&failure))
        std::fprintf(stderr, "model files not written: %s\n", failure.toLocal8Bit().constData());

    std::fflush(stdout);
    const int report = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    __gnu_cxx::stdio_filebuf<char> buffer(report, std::ios::out);
    std::ostream out(&buffer);
    benchmark::Initialize(&argc, argv);
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    out.flush();
    close_parameter_database();
    return 0;
}

}

#endif
