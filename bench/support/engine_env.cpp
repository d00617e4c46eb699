#include "engine_env.h"

#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_writer.h"

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

}
