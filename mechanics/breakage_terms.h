#ifndef VANTU_MECHANICS_BREAKAGE_TERMS_H
#define VANTU_MECHANICS_BREAKAGE_TERMS_H

// Small vector terms shared by the two passes of the adhesion breakage
// (contacts and junctions): dot products, lengths, unit vectors that are
// (0, 0) for a zero vector, a cell's migration direction, and the cue and
// pull a cell receives.

#include "model/cell.h"
#include "model/parameter_tables.h"

#include <cmath>

namespace breakage {

struct Vec {
    double x = 0.0;
    double y = 0.0;
};

inline Vec vec(const double v[2]) { return {v[0], v[1]}; }
inline double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double length(Vec a) { return std::hypot(a.x, a.y); }
inline Vec scaled(Vec a, double s) { return {a.x * s, a.y * s}; }
inline Vec sum(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec negated(Vec a) { return {-a.x, -a.y}; }
// The unit vector of a, (0, 0) for a zero (or not finite) vector.
inline Vec unit(Vec a)
{
    const double L = length(a);
    return L > 0.0 && std::isfinite(L) ? Vec{a.x / L, a.y / L} : Vec{};
}

// The migration direction of a cell.
inline Vec direction(const cell* c)
{
    const double theta = c->migrate_angle * 3.14159265 / 180.0;
    return {std::cos(theta), std::sin(theta)};
}

// Transmission probability and strength fraction of a cell's type (the
// tables insert an absent type, reading 0).
inline double transmission(const cell* c) { return index_trans_class[c->cell_type]; }
inline double strength(const cell* c) { return index_stren_class[c->cell_type]; }

inline void add_cue(cell* c, Vec f)
{
    c->cue_force[0] += f.x;
    c->cue_force[1] += f.y;
    c->has_cue = 1;
}

inline void add_pull(cell* c, Vec f)
{
    c->pull_force[0] += f.x;
    c->pull_force[1] += f.y;
    c->has_pull = 1;
}

inline void set(double out[2], Vec v)
{
    out[0] = v.x;
    out[1] = v.y;
}

// The cue test of a force G against a direction d: G points against d by
// more than the 0.71 cosine.
inline bool against(Vec G, Vec d) { return -dot(G, d) > 0.71 * length(G); }
inline bool along(Vec G, Vec d) { return dot(G, d) > 0.71 * length(G); }

}  // namespace breakage

#endif
