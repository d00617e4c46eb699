#ifndef VANTU_BENCH_SUPPORT_HEX_PACKING_H
#define VANTU_BENCH_SUPPORT_HEX_PACKING_H

// The contact benchmarks' tissue: `count` cells on a jittered hexagonal
// packing (neighbours overlap by about one unit), each cell the loader's
// regular 20-gon of radius 10, with the engine's bounds set. Nothing is
// welded yet and no neighbour complex is built.

#include "model/dbreader.h"

#include <memory>

namespace bench_packing {

std::unique_ptr<dbReader> hexPacking(int count);

}

#endif
