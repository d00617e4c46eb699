#include "hex_packing.h"

#include "model/disc_ring.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace bench_packing {

// Cells as the centre-based loader builds them: ids 20k .. 20k + 19 for the
// vertices, edges and single-vertex nodes of cell k.
std::unique_ptr<dbReader> hexPacking(int count)
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

} // namespace bench_packing
