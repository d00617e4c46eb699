// Building blocks of the per-step boundary corrections: the pick correction,
// the short-edge collapse, the long-edge split and their stages. Like the
// welding blocks they are free functions on the engine; a routine that finds
// the boundary around it broken reports it through `broken_boundary` before
// it changes anything, so the stage fails with the cell's index instead of
// following a link that is not there.
#ifndef VANTU_CONTACT_CORRECTIONS_H
#define VANTU_CONTACT_CORRECTIONS_H

#include "contact/welding.h"

#include <functional>

namespace corrections {

// The band every boundary edge is kept in: pi/2 and 1.9 pi.
constexpr double kShortEdge = 1.570796325;
constexpr double kLongEdge = 5.969026035;

// Sets "ERROR: the boundary of cell %1 is broken!" and returns c's id (0 for
// no cell).
int broken_boundary(dbReader& db, const cell* c);

// Whether e is a sound side: both ends present and linked to it and to each
// other along the ring, an owner cell, and, when bonded, a partner that
// points back and has its own ends, and a pair.
bool edge_sound(const edge* e);

// Whether v sits on a sound stretch of ring: both edges sound.
bool vertex_sound(const point3D* v);

// Every end of m that is `from` becomes `to`.
void replace_end(mergepair* m, const point3D* from, point3D* to);

// u (on F) and w (on G) have just been welded at one point: the contact of F
// and G gets a single-point stretch there when it has none, and is made when
// missing. `anyPair` looks at dissolved contacts too. F and G differ.
interpair* weld_point(dbReader& db, cell* F, cell* G, point3D* u, point3D* w, bool anyPair);

// A new node holding p alone.
node* new_node(dbReader& db, point3D* p);

// The vertex of n with the smallest interior angle (the first on ties).
point3D* sharpest(const node* n);

// Both edges of v are welded.
bool fully_welded(const point3D* v);

// Re-meshes c at once (step 0); dead or missing cells are left alone.
void remesh_now(dbReader& db, cell* c);

// The vertex after `from` ... until `to` (exclusive) along next; false when
// the walk does not meet `to` within the ring's bound.
bool ring_reaches(const point3D* from, const point3D* to);

// The picks of a junction of three vertices. All three fully welded: each
// vertex with an angle below 30 degrees or whose ring neighbours lie within
// pi of each other; one fully welded: at most one, by the sharpness of the
// three. `stage` is the per-step scan: it takes only tips (one inner
// triangle), counts a gap of exactly pi, and lists every such vertex; the
// slide's own follow-up wants the first alone.
std::vector<point3D*> triple_junction_picks(const node* n, bool stage);

// The pick stage's scan, in node order: the sharpest vertex of every live
// junction of four or more, and the picks of every triple junction.
// `progress` (may be empty) receives the stage's progress values.
std::vector<point3D*> pick_candidates(const dbReader& db, const std::function<void(int)>& progress = {});

// Whether one cell holds a vertex among LA and another among LB (`skip`
// left out): merging the two places would put both in one node, at one
// point, without welding them (a cell is never welded to itself), and leave
// that cell pinched. The collapse and the slides refuse such a merge.
bool pinches_a_cell(const std::vector<point3D*>& LA, const std::vector<point3D*>& LB,
                    const point3D* skip = nullptr);

// Twice the signed area of the triangle abc: positive when c lies left of
// a -> b.
double orient(welding::Pos a, welding::Pos b, welding::Pos c);

// ab and cd cross at one point inside both; touching within 1e-9 (welded
// sides meet at shared points) is not a crossing.
bool properly_cross(welding::Pos a, welding::Pos b, welding::Pos c, welding::Pos d);

// A cell folded across itself is put right: where two of its sides cross,
// an end of either goes back across the other's line, its welded partners
// with it: the end nearest that line whose move a BoundaryTrial finds to
// lessen the crossings (see there for what it counts and what it does not
// see). Returns how many vertices were put back.
int unfold_cell(cell* c);

// A boundary change tried on paper before it is made: the vertices it
// moves (and where to) and those it takes off their rings.
// keeps_tissue_sound() refuses the change when a ring it touches would keep
// fewer than three vertices or turn from counter-clockwise to clockwise.
// Otherwise it counts proper crossings of the sides the change moves or
// bridges (after the change) and of the sides it moves or removes (before
// it), each against every side of the touched cells and of the cells their
// pair lists name, and accepts the change when the count after is no larger
// than the count before. So a change may trade one crossing for another,
// and a crossing with a cell outside that neighbourhood is not seen. When a
// ring of that neighbourhood does not close, the change is accepted
// unchecked: the broken ring is the stage's own finding to report. A
// collapse or a slide that would fold a cell across its welded neighbour is
// refused (or done another way) on this answer.
class BoundaryTrial {
public:
    void move(point3D* p, welding::Pos at);
    void move_all(const std::vector<point3D*>& list, welding::Pos at);
    void drop(point3D* p);
    bool keeps_tissue_sound() const;
    // The same judgement, but the count after must be smaller than before,
    // and a broken ring refuses the change: a change that only trades one
    // crossing for another does not pass.
    bool lessens_crossings() const;

private:
    bool judge(bool strict) const;

    std::vector<std::pair<point3D*, welding::Pos>> moves;
    std::vector<point3D*> dropped;
};

} // namespace corrections

#endif
