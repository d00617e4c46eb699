// Neighbour complex of a tissue given by cell centres: the centres, weighted
// by the cell radii, are triangulated and the alpha complex of that
// triangulation names the pairs of neighbouring cells (its edge simplices,
// whose ids are the 1-based cell numbers).
#include <cmath>
#include <cstdlib>

#include "geometry/ccomplex.h"
#include "geometry/cd3dw.h"
#include "model/dbreader.h"

void dbReader::delaunay_triangulation(double* rect)
{
    const int n = int(cells.size());

    // 1. The draws of a shuffle of the cell indices (for i from n down to 2,
    // entry i - 1 swapped with entry rand() % i). The order is not used, but
    // the random sequence after a load depends on these n - 1 draws.
    for (int i = n; i >= 2; --i)
        (void)std::rand();

    // 2. The rectangle must hold every centre strictly inside it. An empty or
    // inverted rectangle, or one that misses a centre, is replaced by the box
    // of the centres (joined with the given rectangle when that is usable)
    // widened by 1000 on every side.
    double box[4] = {rect[0], rect[1], rect[2], rect[3]};
    const bool usable = std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) &&
                        std::isfinite(box[3]) && box[0] < box[2] && box[1] < box[3];
    bool holds_all = usable;
    double lo_x = HUGE_VAL, lo_y = HUGE_VAL, hi_x = -HUGE_VAL, hi_y = -HUGE_VAL;
    for (cell* c : cells) {
        const double x = c->center[0], y = c->center[1];
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        lo_x = std::fmin(lo_x, x);
        lo_y = std::fmin(lo_y, y);
        hi_x = std::fmax(hi_x, x);
        hi_y = std::fmax(hi_y, y);
        if (!(box[0] < x && x < box[2] && box[1] < y && y < box[3]))
            holds_all = false;
    }
    if (!holds_all && lo_x <= hi_x) {
        box[0] = lo_x - 1000.0;
        box[1] = lo_y - 1000.0;
        box[2] = hi_x + 1000.0;
        box[3] = hi_y + 1000.0;
        if (usable) {
            box[0] = std::fmin(box[0], rect[0]);
            box[1] = std::fmin(box[1], rect[1]);
            box[2] = std::fmax(box[2], rect[2]);
            box[3] = std::fmax(box[3], rect[3]);
        }
    }

    // 3. Every cell, dead ones included, in stored order.
    CD3DW* d = new CD3DW(box);
    for (int k = 0; k < n; ++k)
        d->add(cells[k]->center[0], cells[k]->center[1], cells[k]->radius, k + 1, &cells[k]);

    // 4. The complex outlives the triangulation. A complex still held is
    // released first so that none is lost.
    delete alpha_complex;
    alpha_complex = new CComplex(d);
    delete d;
}
