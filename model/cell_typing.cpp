// Typing a cell: the per-type values come from the global parameter tables.
#include "model/cell.h"

#include "model/contact.h"
#include "model/parameter_tables.h"

#include <cmath>

void cell::set_cell_type(int t)
{
    cell_type = t;
    radius = std::sqrt(area * 0.5 / 3.14159265);
    // Absent keys read as 0.0 and stay in the tables (insert on miss).
    color[0] = color_class_R[t];
    color[1] = color_class_G[t];
    color[2] = color_class_B[t];
    tension = tension_edge_class[t];
    pressure = pressure_edge_class[t];
    mass = mass_edge_class[t];
    mu = elastic_MU[t];
    lambda = elastic_LAMBDA[t];
    // The bare table entry, without the strength factor used when pairs are made.
    // A type outside the adhesion table has no entry: such pairs keep their value.
    for (interpair* p : pairs) {
        if (p->removed)
            continue;
        cell* other = p->cell1 == this ? p->cell2 : p->cell1;
        const int o = other->cell_type;
        if (t < 0 || t >= MAX_CELL_TYPES || o < 0 || o >= MAX_CELL_TYPES)
            continue;
        p->adhesion = adhesion_pair_array[t][o];
        p->adhesion_copy = p->adhesion;
    }
}
