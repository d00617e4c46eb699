#ifndef VANTU_BENCH_SAMPLING_ENV_H
#define VANTU_BENCH_SAMPLING_ENV_H

// What the sampling benchmarks share: the network of a cell type's model
// file. The shared benchmark main writes the model files of the default
// database and sends the library's diagnostics to /dev/null.

#include "signalling/model_files.h"
#include "signalling/network.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace sampling_bench {

// The network of a cell type's model file; null when it cannot be read.
inline std::unique_ptr<Network> load(const char* type)
{
    auto net = std::make_unique<Network>();
    if (net->initializeNetwork(model_files::cellTypeFile(type).toLocal8Bit().constData()) != 0)
        return nullptr;
    return net;
}

}

#endif
