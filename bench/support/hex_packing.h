// The packing of the contact benchmarks: `count` regular 20-gons of radius 10
// (as the centre-based loader builds them) on a jittered hexagonal lattice of
// spacing 19, so that neighbours overlap by about one unit. The engine's
// bounds are the centres' box widened by 1000; nothing is welded. Cell k
// holds the vertices, edges and single-vertex nodes 20k .. 20k + 19.
#ifndef VANTU_BENCH_SUPPORT_HEX_PACKING_H
#define VANTU_BENCH_SUPPORT_HEX_PACKING_H

#include "model/dbreader.h"
#include "model/disc_ring.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

inline std::unique_ptr<dbReader> hexPacking(int count)
{
    auto engine = std::make_unique<dbReader>();
    dbReader& r = *engine;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> jitter(-0.4, 0.4);
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    for (int k = 0; k < count; ++k) {
        const int row = k / columns;
        const int col = k % columns;
        const double cx = 19.0 * (col + 0.5 * (row % 2)) + jitter(gen);
        const double cy = 19.0 * row * std::sqrt(3.0) / 2.0 + jitter(gen);
        cell* c = new cell(k);
        c->center[0] = cx;
        c->center[1] = cy;
        c->radius = 10.0;
        r.cells.push_back(c);
        r.bounds[0] = std::min(r.bounds[0], cx);
        r.bounds[1] = std::min(r.bounds[1], cy);
        r.bounds[2] = std::max(r.bounds[2], cx);
        r.bounds[3] = std::max(r.bounds[3], cy);
        append_disc_ring(r, c, cx, cy, 10.0);
    }
    for (int i = 0; i < 2; ++i) {
        r.bounds[i] -= 1000.0;
        r.bounds[i + 2] += 1000.0;
    }
    return engine;
}

#endif
