// Where the benchmarks find the sample tissues.
#ifndef VANTU_BENCH_SAMPLE_PATH_H
#define VANTU_BENCH_SAMPLE_PATH_H

#include <QDir>
#include <QFileInfo>
#include <QString>

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

#endif
