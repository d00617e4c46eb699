#ifndef VANTU_MODEL_DISC_RING_H
#define VANTU_MODEL_DISC_RING_H

// The boundary a cell given only by its centre starts with (a Center-based
// tissue file, the new-tissue designer): a regular 20-gon.

class cell;
class dbReader;

constexpr int DISC_RING_VERTICES = 20;

// Appends to the engine the ring of cell c: 20 vertices counter-clockwise on
// the circle of the given radius around (cx, cy), starting at angle 0 and
// stepping by 0.314159265 rad, each vertex in a junction node of its own, and
// the 20 edges joining them (outward normals set, in use), listed as c's
// sides in ring order. Ids are the positions in the engine's lists. Sets the
// cell's extreme vertices (those at angles 180, 270, 0 and 90 degrees).
void append_disc_ring(dbReader& engine, cell* c, double cx, double cy, double radius);

#endif
