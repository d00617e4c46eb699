#ifndef VANTU_APP_DESIGNED_TISSUE_H
#define VANTU_APP_DESIGNED_TISSUE_H

#include <vector>

class dbReader;

// Cell type index every designed cell gets.
constexpr int DESIGNED_CELL_TYPE = 1;

// Appends to the engine one separate disc cell of type 1 per circle of the
// designer, circle k at scene position (xs[k], ys[k]): centre by the
// designer's scene-to-world transform, radius 10, a counter-clockwise ring of
// 20 vertices (vertex 0 at angle 0), each vertex alone in its own node, the
// type's parameters and colour, and the area fields a loaded cell has. The
// engine's `bounds` become the box of the centres widened by 1000 on every
// side. Nothing is welded, meshed or indexed here.
void build_designed_cells(dbReader& engine, const std::vector<double>& xs,
                          const std::vector<double>& ys);

// After the contact pass has welded and moved the rings: every cell's
// extreme vertices and area are taken afresh and its area history starts
// from that area, as after loading a tissue file.
void finish_designed_cells(dbReader& engine);

#endif
