#include "engine_env.h"

#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_writer.h"

#include "model/tissue_file.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>

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
