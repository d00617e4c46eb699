#include "engine_env.h"

#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_writer.h"

#include "model/tissue_file.h"

#include <QFileInfo>
#include <QtGlobal>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace bench_env {

bool prepareEngines()
{
    if (!open_parameter_database()) {
        std::fprintf(stderr, "the parameter database cannot be opened\n");
        return false;
    }
    seed_parameter_database();
    UserInitialParas();
    QString failure;
    if (!writeModelFiles(&failure)) {
        std::fprintf(stderr, "model files not written: %s\n", failure.toLocal8Bit().constData());
        return false;
    }
    return true;
}

const char* samplesDirectory()
{
    const char* dir = std::getenv("VANTU_SAMPLES");
    return dir && *dir ? dir : VANTU_SOURCE_SAMPLES;
}

void offscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

int silenceStandardOutput()
{
    std::fflush(stdout);
    const int report = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    if (report < 0 || null < 0 || ::dup2(null, 1) < 0)
        return -1;
    ::close(null);
    return report;
}

std::unique_ptr<dbReader> loadTissue(const QString& file)
{
    // A missing file would raise a warning box that nobody answers.
    if (file.isEmpty() || !QFileInfo::exists(file))
        return nullptr;
    dbReader* reader = nullptr;
    if (!TissueFile::readDatabase(nullptr, reader, file, TissueFile::readLineCount(nullptr, file), 0))
        return nullptr;
    return std::unique_ptr<dbReader>(reader);
}

}
