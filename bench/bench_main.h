// The main of the benchmark binaries that run engine stages: the stages and
// the engine's teardown show progress dialogs, so a window system is needed
// (an off-screen one will do), and every engine reads the signalling model
// files while it is made, so they are written first from the default
// database into a directory of this run.
#ifndef VANTU_BENCH_BENCH_MAIN_H
#define VANTU_BENCH_BENCH_MAIN_H

#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_files.h"
#include "signalling/model_writer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

// `loadTables` also fills the per-type parameter tables (adhesion of new
// contacts, for example) from the database.
inline int runEngineBenchmarks(int argc, char** argv, bool loadTables)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir models;
    open_parameter_database();
    seed_parameter_database();
    if (loadTables)
        UserInitialParas();
    model_files::setDirectory(models.path());
    QString failure;
    if (!models.isValid() || !writeModelFiles(&failure))
        std::fprintf(stderr, "model files not written: %s\n", failure.toLocal8Bit().constData());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    close_parameter_database();
    return 0;
}

#endif
