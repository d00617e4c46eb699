// Which cells of a group face each other: a weighted Delaunay triangulation
// of their mesh points next to the boundary (slip points for a cell without
// an inner mesh), every point weighted by the square of the target edge
// length. A triangle whose corners lie on two or three cells joins them.
// Used to pair the survivors around a dead cell's gap and the cells around a
// migrating cell's rear.
#ifndef VANTU_MECHANICS_FACING_CELLS_H
#define VANTU_MECHANICS_FACING_CELLS_H

#include "model/cell.h"

#include <functional>
#include <vector>

// Calls `visit` with the owner cells of the three corners (in corner order;
// null for a point without owner) of every current triangle whose corners
// are all inserted points, in the triangulation's order. The points are
// inserted cell by cell in the order of `cells`. Nothing is visited when no
// cell has an inner point (the box around them would be empty).
void visit_facing_triangles(const std::vector<cell*>& cells,
                            const std::function<void(cell*, cell*, cell*)>& visit);

#endif
