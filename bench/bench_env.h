// What the benchmarks that load tissues share: where the samples are, and
// a main that gives every engine its parameter tables and model files.
#ifndef VANTU_BENCH_BENCH_ENV_H
#define VANTU_BENCH_BENCH_ENV_H

#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_writer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include <benchmark/benchmark.h>

// The sample `name`: VANTU_SAMPLES names the samples directory; by default
// the one beside bench/ (found from this file's path as compiled, which a
// compiler cache may have made relative).
inline QString benchSamplePath(const QString& name)
{
    const QByteArray dir = qgetenv("VANTU_SAMPLES");
    const QString samples = dir.isEmpty() ? QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../samples")
                                          : QString::fromLocal8Bit(dir);
    return QDir(samples).filePath(name);
}

// Runs the registered benchmarks inside an application (the engine's
// stages and teardown show progress dialogs; an off-screen window system
// will do) with the default parameter database loaded and the signalling
// model files written, which every engine reads while it is made.
inline int runEngineBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    open_parameter_database();
    seed_parameter_database();
    UserInitialParas();
    if (!writeModelFiles())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    close_parameter_database();
    return 0;
}

#endif
